// libFuzzer entry point: every input is a settings file a user might import.
#include "fuzz/fuzz_entry.h"
#include "fuzz/settings_harness.h"

namespace {
constexpr const char* kName = "vorlane-settings-fuzz";
}

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  vorlane::fuzz::MakeScratchFolder(kName);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vorlane::fuzz::CheckOrAbort(vorlane::fuzz::CheckSettingsInput, kName, data, size);
  return 0;
}
