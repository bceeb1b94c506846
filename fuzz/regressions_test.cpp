// Replays every input the fuzzer ever broke an invariant with, and the seeds, through the same
// checks, so a fixed fault stays fixed in every ordinary test run.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/image_harness.h"
#include "image/testing/test_images.h"

namespace vorlane {
namespace {

namespace fs = std::filesystem;

std::vector<fuzz::NamedInput> KeptInputs() {
  std::vector<fuzz::NamedInput> inputs;
  for (const auto& entry : fs::directory_iterator(VORLANE_FUZZ_REGRESSIONS)) {
    const std::string name = entry.path().filename().string();
    if (!entry.is_regular_file() || name.starts_with('.') || name == "README.md") continue;
    inputs.push_back({name, testing::ReadFileBytes(entry.path())});
  }
  std::sort(inputs.begin(), inputs.end(),
            [](const auto& a, const auto& b) { return a.name < b.name; });
  return inputs;
}

TEST(FuzzRegressions, EveryKeptInputKeepsTheInvariants) {
  for (const auto& input : KeptInputs()) {
    testing::ScratchDir dir;
    EXPECT_EQ(fuzz::CheckImageInput(input.bytes, dir.path()), "")
        << "fuzz/regressions/" << input.name;
  }
}

TEST(FuzzRegressions, SeedInputsKeepTheInvariants) {
  for (const auto& seed : fuzz::SeedInputs()) {
    testing::ScratchDir dir;
    EXPECT_EQ(fuzz::CheckImageInput(seed.bytes, dir.path()), "") << seed.name;
  }
}

}  // namespace
}  // namespace vorlane
