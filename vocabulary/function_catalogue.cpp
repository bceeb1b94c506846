#include "vocabulary/function_catalogue.h"

#include <cstddef>

namespace vorlane {

namespace {

// Position order is list order in every button list, so it must never be sorted.
constexpr std::array<CatalogueEntry, kCatalogueSize> kCatalogue{{
    // Macro slots.
    {"Prog1", 215},
    {"Prog2", 216},
    {"Prog3", 217},
    {"Prog4", 218},
    {"Prog5", 219},
    {"Prog6", 220},
    {"Prog7", 221},
    {"Prog8", 222},
    // Letter keys.
    {"a A", 4},
    {"b B", 5},
    {"c C", 6},
    {"d D", 7},
    {"e E", 8},
    {"f F", 9},
    {"g G", 10},
    {"h H", 11},
    {"i I", 12},
    {"j J", 13},
    {"k K", 14},
    {"l L", 15},
    {"m M", 16},
    {"n N", 17},
    {"o O", 18},
    {"p P", 19},
    {"q Q", 20},
    {"r R", 21},
    {"s S", 22},
    {"t T", 23},
    {"u U", 24},
    {"v V", 25},
    {"w W", 26},
    {"x X", 27},
    {"y Y", 28},
    {"z Z", 29},
    // Digit keys.
    {"1 !", 30},
    {"2 @", 31},
    {"3 #", 32},
    {"4 $", 33},
    {"5 %", 34},
    {"6 ^", 35},
    {"7 &", 36},
    {"8 *", 37},
    {"9 (", 38},
    {"0 )", 39},
    // Punctuation keys.
    {"- _", 45},
    {"= +", 46},
    {"[ {", 47},
    {"] }", 48},
    {"\\ |", 49},
    {"; :", 51},
    {"' \"", 52},
    {"` ~", 53},
    {", <", 54},
    {". >", 55},
    {"/ ?", 56},
    // Function keys.
    {"F1", 58},
    {"F2", 59},
    {"F3", 60},
    {"F4", 61},
    {"F5", 62},
    {"F6", 63},
    {"F7", 64},
    {"F8", 65},
    {"F9", 66},
    {"F10", 67},
    {"F11", 68},
    {"F12", 69},
    // Special keys.
    {"Backspace", 42},
    {"Caps Lock", 57},
    {"Delete", 76},
    {"End", 77},
    {"Enter", 40},
    {"Escape", 41},
    {"Home", 74},
    {"Insert", 73},
    {"Page Down", 78},
    {"Page Up", 75},
    {"Pause/Break", 72},
    {"Print Screen", 70},
    {"Scroll Lock", 71},
    {"Space", 44},
    {"Tab", 43},
    // Arrow keys.
    {"Right Arrow", 79},
    {"Left Arrow", 80},
    {"Down Arrow", 81},
    {"Up Arrow", 82},
    // Keypad keys.
    {"Num Lock", 83},
    {"Numpad /", 84},
    {"Numpad *", 85},
    {"Numpad -", 86},
    {"Numpad +", 87},
    {"Numpad Enter", 88},
    {"Numpad 1", 89},
    {"Numpad 2", 90},
    {"Numpad 3", 91},
    {"Numpad 4", 92},
    {"Numpad 5", 93},
    {"Numpad 6", 94},
    {"Numpad 7", 95},
    {"Numpad 8", 96},
    {"Numpad 9", 97},
    {"Numpad 0", 98},
    {"Numpad .", 99},
    {"App (Menu)", 101},
    // Modifier keys.
    {"Left Control", 224},
    {"Left Shift", 225},
    {"Left Alt", 226},
    {"Left Win", 227},
    {"Right Control", 228},
    {"Right Shift", 229},
    {"Right Alt", 230},
    {"Right Win", 231},
    // Media, launch and browser functions.
    {"Next Track", 233},
    {"Previous Track", 234},
    {"Stop", 235},
    {"Play/Pause", 236},
    {"Mute", 237},
    {"Vol Up", 238},
    {"Vol Down", 239},
    {"Media Select", 240},
    {"Mail", 241},
    {"Calculator", 242},
    {"My Computer", 243},
    {"WWW Search", 244},
    {"WWW Home", 245},
    {"WWW Back", 246},
    {"WWW Forward", 247},
    {"WWW Stop", 248},
    {"WWW Refresh", 249},
    {"WWW Favorites", 250},
}};

// A short initializer list would leave value-initialised entries at the end.
static_assert(!kCatalogue.back().name.empty(), "catalogue initializer is short");

}  // namespace

const std::array<CatalogueEntry, kCatalogueSize>& FunctionCatalogue() { return kCatalogue; }

std::int16_t CatalogueCode(int position) {
  return kCatalogue.at(static_cast<std::size_t>(position)).code;
}

std::optional<int> CataloguePosition(int code) {
  for (int position = 0; position < kCatalogueSize; ++position) {
    if (kCatalogue[static_cast<std::size_t>(position)].code == code) return position;
  }
  return std::nullopt;
}

}  // namespace vorlane
