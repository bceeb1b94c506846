// Names and codes of the keys, modifiers and delays a macro step is built from, and the
// on-screen keyboard's layout.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vorlane {

struct Rgb {
  std::uint8_t red, green, blue;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr int kKeyCapCount = 105;

struct KeyCap {
  std::string_view caption;
  std::uint8_t code;             // USB HID keyboard usage ID; 0 for "Null"
  int left, top, width, height;  // twips, from the editor's client area
  Rgb background;
};

// Index i is key-cap Label1(i) of the macro editor.
const std::array<KeyCap, kKeyCapCount>& KeyCapTable();

struct ListItem {
  std::string_view text;
  std::uint8_t code;  // item data
};

inline constexpr int kModifierItemCount = 18;
inline constexpr int kDelayItemCount = 31;

// The macro editor's modifier list, "None" .. "FD-Stop".
const std::array<ListItem, kModifierItemCount>& ModifierItems();
// The macro editor's delay list, "0.0s" .. "3.0s"; item p carries p.
const std::array<ListItem, kDelayItemCount>& DelayItems();

// The modifiers a typed character needs: Shift, AltGr (the right Alt) and both.
inline constexpr std::uint8_t kShiftModifier = 2;        // "LShi"
inline constexpr std::uint8_t kAltGrModifier = 7;        // "RAlt"
inline constexpr std::uint8_t kShiftAltGrModifier = 15;  // "RAlt+RShi"

// Key-cap label to key code; a text that is no label gives 0, like "Null".
std::int16_t KeyCapCode(std::string_view label);
// Key code to key-cap label; codes without a label read "0x" and upper-case hex digits.
std::string KeyCodeName(int code);
// Modifier label to code; none for a text that is no label of the list.
std::optional<std::uint8_t> ModifierCode(std::string_view label);
// Modifier code to label; 0, 253 and unknown codes read "0x" and upper-case hex digits.
std::string ModifierName(int code);

}  // namespace vorlane
