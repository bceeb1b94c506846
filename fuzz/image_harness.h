// One pass of arbitrary bytes through the image core as the windows drive it: the bytes are a
// file that is loaded, mapped onto eight button lists, edited and saved. Shared by the fuzz
// target and the regression test that replays what the fuzzer found.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace vorlane::fuzz {

// Runs `input` through ReadImageFile, MapImageToButtons, RefreshProgSteps, LoadStep, StoreStep,
// SaveStep and SaveButtons, using files in `folder` (which must exist and be writable; the
// harness overwrites its own files there and expects no others). The first bytes of the input,
// which the editor treats as opaque, also choose the earlier button selections, the step
// edited and the new choices, so the fuzzer steers the actions as well as the data.
// Returns an empty string when every invariant held, else what broke.
std::string CheckImageInput(std::span<const std::uint8_t> input,
                            const std::filesystem::path& folder);

struct NamedInput {
  std::string name;
  std::vector<std::uint8_t> bytes;
};

// Inputs that start the fuzzer off and that the regression test always replays: a zero image,
// pattern images with distinct, clashing and unknown button codes, a longer file, short files.
std::vector<NamedInput> SeedInputs();

}  // namespace vorlane::fuzz
