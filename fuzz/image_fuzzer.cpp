// libFuzzer entry point: every input is a file the user might load.
#include "fuzz/fuzz_entry.h"
#include "fuzz/image_harness.h"

namespace {
constexpr const char* kName = "vorlane-fuzz";
}

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  vorlane::fuzz::MakeScratchFolder(kName);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vorlane::fuzz::CheckOrAbort(vorlane::fuzz::CheckImageInput, kName, data, size);
  return 0;
}
