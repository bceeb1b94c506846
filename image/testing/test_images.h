// Builds device images and scratch folders for tests.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "image/image_bytes.h"
#include "image/layout.h"

namespace vorlane::testing {

// An image whose every byte is a function of its offset, so a shifted or stray write shows.
inline ImageBytes PatternImage(std::size_t size = kMinImageSize, unsigned seed = 1) {
  ImageBytes image(size);
  std::mt19937 random(seed);
  for (auto& b : image) b = static_cast<std::uint8_t>(random());
  return image;
}

// Puts catalogue codes at the eight button offsets, M1 first.
inline void SetButtonCodes(ImageBytes& image, const std::array<std::uint8_t, kButtonCount>& codes) {
  for (std::size_t n = 0; n < codes.size(); ++n) image[ButtonOffsets[n]] = codes[n];
}

inline ImageBytes ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFileBytes(const std::filesystem::path& path, const ImageBytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

// A fresh folder, removed with everything in it when the object goes. Open to every user, so a
// test may run a step as an unprivileged user.
class ScratchDir {
 public:
  ScratchDir() {
    std::string templ = (std::filesystem::temp_directory_path() / "vorlane-test-XXXXXX").string();
    path_ = ::mkdtemp(templ.data());
    ::chmod(path_.c_str(), 0777);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  ~ScratchDir() {
    std::error_code ec;
    // Folders a test made read-only must become writable again to be removed.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
      if (it->is_directory(ec)) ::chmod(it->path().c_str(), 0777);
    }
    ::chmod(path_.c_str(), 0777);
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

inline constexpr uid_t kNobody = 65534;

// Runs `step` as an unprivileged user when the tests run as root, since permission bits do not
// stop root; returns what `step` returned, or -1 if it could not run.
template <class Step>
int RunUnprivileged(Step step) {
  if (::geteuid() != 0) return step();
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(255);
    ::_exit(step());
  }
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

}  // namespace vorlane::testing
