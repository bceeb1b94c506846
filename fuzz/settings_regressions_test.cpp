// Replays every text the settings fuzzer ever broke an invariant with, and its seeds.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/settings_harness.h"
#include "image/testing/test_images.h"

namespace vorlane {
namespace {

namespace fs = std::filesystem;

TEST(SettingsFuzzRegressions, EveryKeptInputKeepsTheInvariants) {
  std::vector<fs::path> kept;
  for (const auto& entry : fs::directory_iterator(VORLANE_SETTINGS_FUZZ_REGRESSIONS)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_regular_file() && !name.starts_with('.') && name != "README.md") {
      kept.push_back(entry.path());
    }
  }
  std::sort(kept.begin(), kept.end());
  for (const fs::path& path : kept) {
    testing::ScratchDir dir;
    EXPECT_EQ(fuzz::CheckSettingsInput(testing::ReadFileBytes(path), dir.path()), "")
        << "fuzz/settings_regressions/" << path.filename().string();
  }
}

TEST(SettingsFuzzRegressions, SeedInputsKeepTheInvariants) {
  for (const auto& seed : fuzz::SettingsSeedInputs()) {
    testing::ScratchDir dir;
    EXPECT_EQ(fuzz::CheckSettingsInput(seed.bytes, dir.path()), "") << seed.name;
  }
}

}  // namespace
}  // namespace vorlane
