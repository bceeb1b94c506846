#include "fuzz/fuzz_entry.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace vorlane::fuzz {

namespace {

namespace fs = std::filesystem;

fs::path g_folder;

void RemoveFolder() {
  std::error_code ec;
  fs::remove_all(g_folder, ec);
}

}  // namespace

void MakeScratchFolder(const char* name) {
  const char* base = std::getenv("VORLANE_FUZZ_SCRATCH");
  std::string templ =
      ((base != nullptr && *base != '\0') ? fs::path(base) : fs::temp_directory_path()) /
      (std::string(name) + "-XXXXXX");
  if (::mkdtemp(templ.data()) == nullptr) {
    std::fprintf(stderr, "%s: cannot make a scratch folder\n", name);
    std::abort();
  }
  g_folder = templ;
  std::atexit(RemoveFolder);
}

void CheckOrAbort(InputCheck check, const char* name, const std::uint8_t* data, std::size_t size) {
  const std::string broken = check({data, size}, g_folder);
  if (!broken.empty()) {
    std::fprintf(stderr, "%s: invariant broken: %s\n", name, broken.c_str());
    std::abort();
  }
}

}  // namespace vorlane::fuzz
