// What the two libFuzzer targets share: a scratch folder for the run and the check of one input.
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
