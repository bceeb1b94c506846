// Included once by each test program that may write a history: points XDG_STATE_HOME at a
// temporary folder for the program's life, so no test writes into the real home.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>

namespace vorlane::history::testing {

inline const std::string& PrivateStateHome() {
  static const struct Home {
    std::string path;
    Home() {
      std::string pattern = (std::filesystem::temp_directory_path() / "vorlane-state-XXXXXX");
      path = ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
      // Without a temporary folder, one nobody can write: never the real home.
      ::setenv("XDG_STATE_HOME", path.empty() ? "/proc/no-state" : path.c_str(), 1);
    }
    ~Home() {
      std::error_code ec;
      if (!path.empty()) std::filesystem::remove_all(path, ec);
    }
  } home;
  return home.path;
}

// Set before main(), before any test reads the environment.
inline const bool kPrivateStateHomeSet = (PrivateStateHome(), true);

}  // namespace vorlane::history::testing
