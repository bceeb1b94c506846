// Images for the settings tests: the sample the format's documentation shows, and random images
// full of the bytes a settings file must carry through unchanged.
#pragma once

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "image/button_rules.h"
#include "image/layout.h"
#include "image/macro_slots.h"
#include "image/testing/test_images.h"
#include "vocabulary/function_catalogue.h"
#include "vocabulary/key_tables.h"

namespace vorlane::testing {

// The image whose export docs/settings-format.md shows: every kind of key and step once.
inline ImageBytes SampleImage() {
  ImageBytes image = PatternImage(kMinImageSize, 3);
  SetButtonCodes(image, {4, 217, 237, 62, 0x00, 40, 52, 49});  // a A, Prog3, Mute, F5, -, ...
  for (int p = 0; p < kProgCount; ++p) {
    for (int s = 0; s < StepsPerProg; ++s) PutStep(image, p, s, {});
  }
  // Prog3: "Hi", an empty step, Enter, then the stop entry.
  PutStep(image, 2, 0, {2, 1, 0, 0, 0, 0, 0, 11});
  PutStep(image, 2, 1, {0, 1, 0, 0, 0, 0, 0, 12});
  PutStep(image, 2, 3, {0, 1, 0, 0, 0, 0, 0, 40});
  PutStep(image, 2, 4, {253, 0, 0, 0, 0, 0, 0, 0});
  // Prog4: codes no list names, the longest delay, an empty slot between keys, the "-" key; a
  // combination of modifiers with six keys; keys entered on a step whose first slots were used.
  PutStep(image, 3, 0, {0x11, 255, 0, 0, 0xD7, 0, 45, 4});
  PutStep(image, 3, 1, {16, 30, 95, 96, 97, 49, 44, 43});
  PutStep(image, 3, 2, {1, 5, 225, 41, 0, 0, 0, 0});
  return image;
}

inline std::string ReadTextFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The example of a settings file in docs/settings-format.md: its first ```toml block.
inline std::string DocumentedExample(const std::string& markdown) {
  const std::string open = "```toml\n";
  const std::size_t start = markdown.find(open);
  if (start == std::string::npos) return {};
  const std::size_t end = markdown.find("```\n", start + open.size());
  if (end == std::string::npos) return {};
  return markdown.substr(start + open.size(), end - start - open.size());
}

// A random image, the same for the same seed, whose steps mix what a user builds with bytes no
// list names: unknown modifier, key and delay codes, delays above 3.0 s, "FD-Stop", the "-" key,
// empty key slots anywhere, and a random number of zero steps at the end of each macro. Its keys
// hold distinct functions, except that one may hold a byte that names none.
inline ImageBytes RandomSettingsImage(unsigned seed) {
  std::mt19937 random(seed);
  ImageBytes image = PatternImage(kMinImageSize + random() % 3 * 100, seed);
  auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
  auto byte = [&] { return static_cast<std::uint8_t>(random()); };

  std::vector<int> positions(kCatalogueSize);
  for (int i = 0; i < kCatalogueSize; ++i) positions[static_cast<std::size_t>(i)] = i;
  std::shuffle(positions.begin(), positions.end(), random);
  ButtonBytes keys{};
  for (std::size_t n = 0; n < keys.size(); ++n) {
    keys[n] = static_cast<std::uint8_t>(CatalogueCode(positions[n]));
  }
  if (pick(2) == 0) keys[pick(keys.size())] = static_cast<std::uint8_t>(pick(4));  // 0..3: none
  WriteButtonBytes(image, keys);

  const auto& modifiers = ModifierItems();
  const auto& caps = KeyCapTable();
  for (int p = 0; p < kProgCount; ++p) {
    const int used = static_cast<int>(pick(StepsPerProg + 1));
    for (int s = 0; s < StepsPerProg; ++s) {
      MacroStep step{};
      if (s < used) {
        switch (pick(4)) {
          case 0:  // any bytes at all
            for (auto& b : step) b = byte();
            break;
          case 1:  // left zero: an interior zero step
            break;
          default:  // as the editor builds them, with gaps and the occasional odd byte
            step[kStepModifierByte] = modifiers[pick(modifiers.size())].code;
            step[kStepDelayByte] = static_cast<std::uint8_t>(pick(4) == 0 ? byte() : pick(31));
            for (std::size_t b = kStepFirstKeyByte; b <= kStepLastKeyByte; ++b) {
              const std::size_t kind = pick(8);
              step[b] = kind == 0   ? 0
                        : kind == 1 ? byte()
                        : kind == 2 ? 45
                                    : caps[pick(caps.size())].code;
            }
        }
      }
      PutStep(image, p, s, step);
    }
  }
  return image;
}

}  // namespace vorlane::testing
