#include "fuzz/targets.h"

#include <array>

#include "fuzz/settings_harness.h"

namespace vorlane::fuzz {

std::span<const FuzzTarget> FuzzTargets() {
  static const std::array<FuzzTarget, 2> targets{{
      {"image", CheckImageInput, SeedInputs, nullptr},
      {"settings", CheckSettingsInput, SettingsSeedInputs, SettingsDictionary},
  }};
  return targets;
}

}  // namespace vorlane::fuzz
