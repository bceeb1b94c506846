// Replays, for every fuzz target, each input the fuzzer ever broke an invariant with and the
// seeds, through the same checks, so a fixed fault stays fixed in every ordinary test run.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "fuzz/targets.h"
#include "image/testing/test_images.h"

namespace vorlane::fuzz {

// Names the target in test names and messages.
void PrintTo(const FuzzTarget& target, std::ostream* out) { *out << target.name; }

namespace {

namespace fs = std::filesystem;

// The inputs the fuzzer once broke an invariant with, kept in fuzz/<target>_regressions/.
std::vector<NamedInput> KeptInputs(const FuzzTarget& target) {
  std::vector<NamedInput> kept;
  const fs::path folder = fs::path(VORLANE_FUZZ_DIR) / (std::string(target.name) + "_regressions");
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (!entry.is_regular_file() || name.starts_with('.') || name == "README.md") continue;
    kept.push_back({"fuzz/" + folder.filename().string() + "/" + name,
                    vorlane::testing::ReadFileBytes(entry.path())});
  }
  std::sort(kept.begin(), kept.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
  return kept;
}

class FuzzRegressions : public ::testing::TestWithParam<FuzzTarget> {};

TEST_P(FuzzRegressions, EveryKeptInputAndSeedKeepsTheInvariants) {
  const FuzzTarget& target = GetParam();
  std::vector<NamedInput> inputs = KeptInputs(target);
  for (NamedInput& seed : target.seeds())
    inputs.push_back({"seed " + seed.name, std::move(seed.bytes)});
  for (const NamedInput& input : inputs) {
    vorlane::testing::ScratchDir dir;
    EXPECT_EQ(target.check(input.bytes, dir.path()), "") << input.name;
  }
}

INSTANTIATE_TEST_SUITE_P(Fuzz, FuzzRegressions, ::testing::ValuesIn(FuzzTargets()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vorlane::fuzz
