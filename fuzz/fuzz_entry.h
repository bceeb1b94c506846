// What the two libFuzzer targets share: a scratch folder for the run, the check of one input, and
// the entry points themselves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace vorlane::fuzz {

using InputCheck = std::string (*)(std::span<const std::uint8_t> input,
                                   const std::filesystem::path& folder);

// Makes the run's folder in VORLANE_FUZZ_SCRATCH (a tmpfs keeps the saves' fsync cheap) or the
// temporary folder, removed when the fuzzer exits normally. `name` names the fuzzer in messages.
void MakeScratchFolder(const char* name);

// Runs `check` on one input in that folder; an invariant broken aborts, so that libFuzzer keeps
// the input.
void CheckOrAbort(InputCheck check, const char* name, const std::uint8_t* data, std::size_t size);

}  // namespace vorlane::fuzz

// Defines libFuzzer's entry points for a target named NAME (in messages and the scratch folder's
// name) whose inputs go through CHECK, an InputCheck.
#define VORLANE_FUZZ_TARGET(NAME, CHECK)                                              \
  extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {              \
    vorlane::fuzz::MakeScratchFolder(NAME);                                           \
    return 0;                                                                         \
  }                                                                                   \
  extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) { \
    vorlane::fuzz::CheckOrAbort(CHECK, NAME, data, size);                             \
    return 0;                                                                         \
  }
