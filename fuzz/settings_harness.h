// One pass of arbitrary text through `vorlanectl import` onto fixed images, with the invariants a
// settings file must keep. Shared by a libFuzzer target and the regression test that replays
// what the fuzzer found.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "fuzz/image_harness.h"

namespace vorlane::fuzz {

// Imports `text` (as standard input) onto each of two fixed images, one whose keys all hold
// functions and one with a key that holds none, in files in `folder` (which must exist and be
// writable). Checks that the command never fails without a message, never writes after an
// error or when nothing changes, that a dry run agrees with the real import, that the image
// then holds exactly what the text names and every other byte as before, that its keys keep the
// editor's rules, and that its export imports onto the fixed image to the same image. Returns an
// empty string when every invariant held, else what broke.
std::string CheckSettingsInput(std::span<const std::uint8_t> text,
                               const std::filesystem::path& folder);

// Texts that start the fuzzer off and that the regression test always replays: the exports of
// the fixed images and of random ones, and small files that touch each rule.
std::vector<NamedInput> SettingsSeedInputs();

// Words of the format for the fuzzer's dictionary: table and key names, function, modifier and
// key-cap names, delays.
std::vector<std::string> SettingsDictionary();

}  // namespace vorlane::fuzz
