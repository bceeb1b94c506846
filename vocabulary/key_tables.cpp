#include "vocabulary/key_tables.h"

#include <cstddef>

#include "text/hex.h"

namespace vorlane {

namespace {

// On-screen keyboard geometry, in twips.
constexpr int kKey = 495;  // side of an ordinary key-cap
constexpr int kTopFunctionRow = 720;
constexpr int kTopDigitRow = 1440;
constexpr int kTopUpperRow = 2040;
constexpr int kTopHomeRow = 2640;
constexpr int kTopLowerRow = 3240;
constexpr int kTopBottomRow = 3840;
constexpr int kDoubleKey = 1095;  // two keys and the gap between them

constexpr Rgb kKeyCapWhite{255, 255, 255};
constexpr Rgb kNullGrey{192, 192, 192};

constexpr KeyCap Cap(std::string_view caption, std::uint8_t code, int left, int top,
                     int width = kKey, int height = kKey) {
  return {caption, code, left, top, width, height, kKeyCapWhite};
}

// Index order is the Label1 control order of the macro editor.
constexpr std::array<KeyCap, kKeyCapCount> kKeyCaps{{
    Cap("Esc", 41, 120, kTopFunctionRow),
    Cap("F1", 58, 1200, kTopFunctionRow),
    Cap("F2", 59, 1800, kTopFunctionRow),
    Cap("F3", 60, 2400, kTopFunctionRow),
    Cap("F4", 61, 3000, kTopFunctionRow),
    Cap("F5", 62, 3960, kTopFunctionRow),
    Cap("F6", 63, 4560, kTopFunctionRow),
    Cap("F7", 64, 5160, kTopFunctionRow),
    Cap("F8", 65, 5760, kTopFunctionRow),
    Cap("F9", 66, 6720, kTopFunctionRow),
    Cap("F10", 67, 7320, kTopFunctionRow),
    Cap("F11", 68, 7920, kTopFunctionRow),
    Cap("F12", 69, 8520, kTopFunctionRow),
    Cap("`", 53, 120, kTopDigitRow),
    Cap("1", 30, 720, kTopDigitRow),
    Cap("2", 31, 1320, kTopDigitRow),
    Cap("3", 32, 1920, kTopDigitRow),
    Cap("4", 33, 2520, kTopDigitRow),
    Cap("5", 34, 3120, kTopDigitRow),
    Cap("6", 35, 3720, kTopDigitRow),
    Cap("7", 36, 4320, kTopDigitRow),
    Cap("8", 37, 4920, kTopDigitRow),
    Cap("9", 38, 5520, kTopDigitRow),
    Cap("0", 39, 6120, kTopDigitRow),
    Cap("-", 45, 6720, kTopDigitRow),
    Cap("=", 46, 7320, kTopDigitRow),
    Cap("BS", 42, 7920, kTopDigitRow, kDoubleKey),
    Cap("Tab", 43, 120, kTopUpperRow, 855),
    Cap("Q", 20, 1080, kTopUpperRow),
    Cap("W", 26, 1680, kTopUpperRow),
    Cap("E", 8, 2280, kTopUpperRow),
    Cap("R", 21, 2880, kTopUpperRow),
    Cap("T", 23, 3480, kTopUpperRow),
    Cap("Y", 28, 4080, kTopUpperRow),
    Cap("U", 24, 4680, kTopUpperRow),
    Cap("I", 12, 5280, kTopUpperRow),
    Cap("O", 18, 5880, kTopUpperRow),
    Cap("P", 19, 6480, kTopUpperRow),
    Cap("[", 47, 7080, kTopUpperRow),
    Cap("]", 48, 7680, kTopUpperRow),
    Cap("\\", 49, 8280, kTopUpperRow, 735),
    Cap("CL", 57, 120, kTopHomeRow, 975),
    Cap("A", 4, 1200, kTopHomeRow),
    Cap("S", 22, 1800, kTopHomeRow),
    Cap("D", 7, 2400, kTopHomeRow),
    Cap("F", 9, 3000, kTopHomeRow),
    Cap("G", 10, 3600, kTopHomeRow),
    Cap("H", 11, 4200, kTopHomeRow),
    Cap("J", 13, 4800, kTopHomeRow),
    Cap("K", 14, 5400, kTopHomeRow),
    Cap("L", 15, 6000, kTopHomeRow),
    Cap(";", 51, 6600, kTopHomeRow),
    Cap("'", 52, 7200, kTopHomeRow),
    Cap("Ent", 40, 7800, kTopHomeRow, 1215),
    Cap("LShi", 225, 120, kTopLowerRow, 1335),
    Cap("Z", 29, 1560, kTopLowerRow),
    Cap("X", 27, 2160, kTopLowerRow),
    Cap("C", 6, 2760, kTopLowerRow),
    Cap("V", 25, 3360, kTopLowerRow),
    Cap("B", 5, 3960, kTopLowerRow),
    Cap("N", 17, 4560, kTopLowerRow),
    Cap("M", 16, 5160, kTopLowerRow),
    Cap(",", 54, 5760, kTopLowerRow),
    Cap(".", 55, 6360, kTopLowerRow),
    Cap("/", 56, 6960, kTopLowerRow),
    Cap("RShi", 229, 7560, kTopLowerRow, 1455),
    Cap("LCtr", 224, 120, kTopBottomRow, 735),
    Cap("LWin", 227, 960, kTopBottomRow, 615),
    Cap("LAlt", 226, 1680, kTopBottomRow, 615),
    Cap("SP", 44, 2400, kTopBottomRow, 3615),
    Cap("RAlt", 230, 6120, kTopBottomRow, 615),
    Cap("RWin", 231, 6840, kTopBottomRow, 615),
    Cap("App", 101, 7560, kTopBottomRow, 615),
    Cap("RCtr", 228, 8280, kTopBottomRow, 735),
    Cap("PS", 70, 9240, kTopFunctionRow),
    Cap("SL", 71, 9840, kTopFunctionRow),
    Cap("P/B", 72, 10440, kTopFunctionRow),
    Cap("Ins", 73, 9240, kTopDigitRow),
    Cap("Home", 74, 9840, kTopDigitRow),
    Cap("PU", 75, 10440, kTopDigitRow),
    Cap("Del", 76, 9240, kTopUpperRow),
    Cap("End", 77, 9840, kTopUpperRow),
    Cap("PD", 78, 10440, kTopUpperRow),
    Cap("UA", 82, 9840, kTopLowerRow),
    Cap("LA", 80, 9240, kTopBottomRow),
    Cap("DA", 81, 9840, kTopBottomRow),
    Cap("RA", 79, 10440, kTopBottomRow),
    Cap("NL", 83, 11160, kTopDigitRow),
    Cap("N/", 84, 11760, kTopDigitRow),
    Cap("N*", 85, 12360, kTopDigitRow),
    Cap("N-", 86, 12960, kTopDigitRow),
    Cap("N7", 95, 11160, kTopUpperRow),
    Cap("N8", 96, 11760, kTopUpperRow),
    Cap("N9", 97, 12360, kTopUpperRow),
    Cap("N+", 87, 12960, kTopUpperRow, kKey, kDoubleKey),
    Cap("N4", 92, 11160, kTopHomeRow),
    Cap("N5", 93, 11760, kTopHomeRow),
    Cap("N6", 94, 12360, kTopHomeRow),
    Cap("N1", 89, 11160, kTopLowerRow),
    Cap("N2", 90, 11760, kTopLowerRow),
    Cap("N3", 91, 12360, kTopLowerRow),
    Cap("NEnt", 88, 12960, kTopLowerRow, kKey, kDoubleKey),
    Cap("N0", 98, 11160, kTopBottomRow, kDoubleKey),
    Cap("N.", 99, 12360, kTopBottomRow),
    // "Null" enters no key; grey sets it apart from the real keys.
    {"Null", 0, 11160, kTopFunctionRow, kDoubleKey, kKey, kNullGrey},
}};

static_assert(kKeyCaps.back().caption == "Null", "key-cap initializer is short");

constexpr std::array<ListItem, kModifierItemCount> kModifierItems{{
    {"None", 0},
    {"LCtr", 1},
    {"LShi", kShiftModifier},
    {"LAlt", 3},
    {"LWin", 4},
    {"RCtr", 5},
    {"RShi", 6},
    {"RAlt", kAltGrModifier},
    {"RWin", 8},
    {"RWin+RShi", 9},
    {"RWin+RCtr", 10},
    {"RWin+RAlt", 11},
    {"RWin+RCtr+RShi", 12},
    {"RCtr+RAlt", 13},
    {"RCtr+RShi", 14},
    {"RAlt+RShi", kShiftAltGrModifier},
    {"RAlt+RCtr+RShi", 16},
    {"FD-Stop", 253},
}};

// ModifierName names only the real modifiers; "None" and "FD-Stop" read as hex in step text.
// These sit at list positions equal to their codes, which lets ModifierName index directly.
constexpr int kFirstNamedModifier = 1;
constexpr int kLastNamedModifier = 16;
static_assert([] {
  for (int code = kFirstNamedModifier; code <= kLastNamedModifier; ++code) {
    if (kModifierItems[static_cast<std::size_t>(code)].code != code) return false;
  }
  return true;
}());

// Delay item texts "0.0s" .. "3.0s" built at compile time; the decimal point is fixed
// so the list does not follow the user's locale.
constexpr std::size_t kDelayTextLength = 4;
using DelayText = std::array<char, kDelayTextLength>;

constexpr std::array<DelayText, kDelayItemCount> kDelayTexts = [] {
  std::array<DelayText, kDelayItemCount> texts{};
  for (int tenths = 0; tenths < kDelayItemCount; ++tenths) {
    texts[static_cast<std::size_t>(tenths)] = {static_cast<char>('0' + tenths / 10), '.',
                                               static_cast<char>('0' + tenths % 10), 's'};
  }
  return texts;
}();

constexpr std::array<ListItem, kDelayItemCount> kDelayItems = [] {
  std::array<ListItem, kDelayItemCount> items{};
  for (int tenths = 0; tenths < kDelayItemCount; ++tenths) {
    const DelayText& text = kDelayTexts[static_cast<std::size_t>(tenths)];
    items[static_cast<std::size_t>(tenths)] = {std::string_view(text.data(), text.size()),
                                               static_cast<std::uint8_t>(tenths)};
  }
  return items;
}();

// "0x" and upper-case hex digits without leading zeros, as the step list shows a code.
std::string HexName(int code) { return "0x" + text::HexDigits(static_cast<unsigned>(code), 1); }

}  // namespace

const std::array<KeyCap, kKeyCapCount>& KeyCapTable() { return kKeyCaps; }

const std::array<ListItem, kModifierItemCount>& ModifierItems() { return kModifierItems; }

const std::array<ListItem, kDelayItemCount>& DelayItems() { return kDelayItems; }

std::int16_t KeyCapCode(std::string_view label) {
  for (const KeyCap& cap : kKeyCaps) {
    if (cap.caption == label) return cap.code;
  }
  return 0;
}

std::optional<std::uint8_t> ModifierCode(std::string_view label) {
  for (const ListItem& item : kModifierItems) {
    if (item.text == label) return item.code;
  }
  return std::nullopt;
}

std::string KeyCodeName(int code) {
  // Code 0 belongs to "Null" but a step shows an empty key slot as hex.
  if (code != 0) {
    for (const KeyCap& cap : kKeyCaps) {
      if (cap.code == code) return std::string(cap.caption);
    }
  }
  return HexName(code);
}

std::string ModifierName(int code) {
  if (code >= kFirstNamedModifier && code <= kLastNamedModifier) {
    return std::string(kModifierItems[static_cast<std::size_t>(code)].text);
  }
  return HexName(code);
}

}  // namespace vorlane
