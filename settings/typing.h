// Text typed into a macro: one character a step, as a US keyboard types it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "image/image_bytes.h"
#include "text/refusal.h"

namespace vorlane::settings {

struct TypedText {
  std::vector<MacroStep> steps;
  Refusal error;  // why the text cannot be typed, naming the characters
};

// One character of a text to type.
struct TextCharacter {
  std::string_view bytes;  // its UTF-8
  char32_t point = 0;
  std::size_t number = 0;  // its place in the text, from 1
};

// Calls `each` with the characters of `utf8` in order while it returns true; a carriage return
// before a newline is no character of its own. The error when a byte is not UTF-8.
Refusal ForEachCharacter(std::string_view utf8,
                         const std::function<bool(const TextCharacter&)>& each);

// The character for a message: "\"é\" (U+00E9)", or "U+0007" for one that shows nothing.
std::string CharacterName(const TextCharacter& character);

// One key of a step: the step's modifier code and the key's code.
struct KeyPress {
  std::uint8_t modifier = 0;
  std::uint8_t key = 0;
  friend bool operator==(const KeyPress&, const KeyPress&) = default;
};

// How a character is typed: its presses in order, one step each; none when the keyboard has no
// way, and then `why` may say more than that.
struct Way {
  std::vector<KeyPress> presses;
  std::string why;
};

// A keyboard the text is typed on: its name for messages ("a US keyboard") and its way to type
// each character.
struct Keyboard {
  std::string name;
  std::function<Way(const TextCharacter&)> wayOf;
};

// The text's steps, a press each with `delayTenths`, its key in the last key slot. The error
// lists every character the keyboard has no way for, or names the first byte that is not UTF-8.
TypedText TypeOn(const Keyboard& keyboard, std::string_view utf8, std::uint8_t delayTenths);

// A character on a US keyboard: its key, with modifier "LShi" for a shifted character (capitals,
// "!", "{", ...). A space is "SP", a newline "Ent" (a carriage return before it is dropped), a
// tab "Tab". Any other character, non-ASCII ones among them, has no key.
Way UsKeyboardWay(const TextCharacter& character);

// The text typed on a US keyboard.
TypedText TypeText(std::string_view utf8, std::uint8_t delayTenths);

// The reverse for one step's key: the character `key` types on a US keyboard with `modifier`
// ("None", or "LShi" or "RShi" for the shifted ones); none when it types none.
std::optional<char> UsCharacter(std::uint8_t modifier, std::uint8_t key);

// What the `type` command asks for.
struct TypeRequest {
  std::string_view macro;        // "Prog1".."Prog8"
  std::string_view text;         // UTF-8
  int start = 1;                 // the first step written, 1..100
  std::uint8_t delayTenths = 1;  // each step's delay
  // How the text becomes steps, after the checks of the values above; TypeText when empty.
  std::function<TypedText(std::string_view utf8, std::uint8_t delayTenths)> typeText = nullptr;
};

struct TypeResult {
  ImageBytes image;  // the image with the text typed in; every other byte as it was
  Refusal error;
};

// `image` with the text's steps written into the macro from the start step on; the steps before
// and after them stay. An error when the macro is unknown or the text does not fit in the steps
// left.
TypeResult TypeIntoImage(const ImageBytes& image, const TypeRequest& request);

}  // namespace vorlane::settings
