#include "vocabulary/hid_input_codes.h"

#include <cstddef>

namespace vorlane {

namespace {

// The kernel's hid_keyboard[] (drivers/hid/hid-input.c), sixteen usages a row from 0x00; its
// KEY_UNKNOWN entries are 0 here.
constexpr std::array<std::uint8_t, kHidUsageCount> kInputCodes{
    0,   0,   0,   0,   30,  48,  46,  32,  18,  33,  34,  35,  23,  36,  37,  38,   // 0x00
    50,  49,  24,  25,  16,  19,  31,  20,  22,  47,  17,  45,  21,  44,  2,   3,    // 0x10
    4,   5,   6,   7,   8,   9,   10,  11,  28,  1,   14,  15,  57,  12,  13,  26,   // 0x20
    27,  43,  43,  39,  40,  41,  51,  52,  53,  58,  59,  60,  61,  62,  63,  64,   // 0x30
    65,  66,  67,  68,  87,  88,  99,  70,  119, 110, 102, 104, 111, 107, 109, 106,  // 0x40
    105, 108, 103, 69,  98,  55,  74,  78,  96,  79,  80,  81,  75,  76,  77,  71,   // 0x50
    72,  73,  82,  83,  86,  127, 116, 117, 183, 184, 185, 186, 187, 188, 189, 190,  // 0x60
    191, 192, 193, 194, 134, 138, 130, 132, 128, 129, 131, 137, 133, 135, 136, 113,  // 0x70
    115, 114, 0,   0,   0,   121, 0,   89,  93,  124, 92,  94,  95,  0,   0,   0,    // 0x80
    122, 123, 90,  91,  85,  0,   0,   0,   0,   0,   0,   0,   111, 0,   0,   0,    // 0x90
    0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,    // 0xA0
    0,   0,   0,   0,   0,   0,   179, 180, 0,   0,   0,   0,   0,   0,   0,   0,    // 0xB0
    0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,    // 0xC0
    0,   0,   0,   0,   0,   0,   0,   0,   111, 0,   0,   0,   0,   0,   0,   0,    // 0xD0
    29,  42,  56,  125, 97,  54,  100, 126, 164, 166, 165, 163, 161, 115, 114, 113,  // 0xE0
    150, 158, 159, 128, 136, 177, 178, 176, 142, 152, 173, 140, 0,   0,   0,   0,    // 0xF0
};

constexpr int kInputCodeCount = 256;  // every code of the table fits a byte

// Walking the usages downwards leaves the lowest one for each code.
constexpr std::array<std::uint8_t, kInputCodeCount> Inverted() {
  std::array<std::uint8_t, kInputCodeCount> usages{};
  for (int usage = kHidUsageCount - 1; usage > 0; --usage) {
    const std::uint8_t code = kInputCodes[static_cast<std::size_t>(usage)];
    if (code != 0) usages[code] = static_cast<std::uint8_t>(usage);
  }
  return usages;
}

constexpr std::array<std::uint8_t, kInputCodeCount> kUsages = Inverted();

}  // namespace

const std::array<std::uint8_t, kHidUsageCount>& HidInputCodes() { return kInputCodes; }

std::uint8_t HidUsageOfInputCode(int code) {
  if (code <= 0 || code >= kInputCodeCount) return 0;
  return kUsages[static_cast<std::size_t>(code)];
}

std::uint8_t HidUsageOfXkbKeycode(std::uint32_t keycode) {
  if (keycode <= kXkbKeycodeOffset || keycode - kXkbKeycodeOffset >= kInputCodeCount) return 0;
  return HidUsageOfInputCode(static_cast<int>(keycode - kXkbKeycodeOffset));
}

}  // namespace vorlane
