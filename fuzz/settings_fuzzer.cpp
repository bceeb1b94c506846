// libFuzzer entry point: every input is a settings file a user might import.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fuzz/settings_harness.h"

namespace {

namespace fs = std::filesystem;

// One folder for the whole run, as the image fuzzer makes it.
fs::path g_folder;

void RemoveFolder() {
  std::error_code ec;
  fs::remove_all(g_folder, ec);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  const char* base = std::getenv("VORLANE_FUZZ_SCRATCH");
  std::string templ =
      ((base != nullptr && *base != '\0') ? fs::path(base) : fs::temp_directory_path()) /
      "vorlane-settings-fuzz-XXXXXX";
  if (::mkdtemp(templ.data()) == nullptr) {
    std::perror("vorlane settings fuzzer: cannot make a scratch folder");
    std::abort();
  }
  g_folder = templ;
  std::atexit(RemoveFolder);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string broken = vorlane::fuzz::CheckSettingsInput({data, size}, g_folder);
  if (!broken.empty()) {
    std::fprintf(stderr, "vorlane settings fuzzer: invariant broken: %s\n", broken.c_str());
    std::abort();
  }
  return 0;
}
