// Keyboard layouts as XKB defines them, read with libxkbcommon: which keys, with which modifiers,
// type a character on the computer the device is plugged into.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "settings/typing.h"
#include "text/refusal.h"

namespace vorlane::layouts {

using settings::KeyPress;
using settings::Way;

class KeyboardLayout {
 public:
  struct Opened {
    std::unique_ptr<KeyboardLayout> layout;
    Refusal error;
  };
  // The keymap of `layout` with `variant` ("" for the layout itself), with the rules "evdev" and
  // the model "pc105". An error for a name that is no layout or variant of the XKB registry
  // (naming the closest ones), or when the keyboard data cannot be read.
  static Opened Open(std::string_view layout, std::string_view variant);
  ~KeyboardLayout();
  KeyboardLayout(const KeyboardLayout&) = delete;
  KeyboardLayout& operator=(const KeyboardLayout&) = delete;

  // "de", or "de(nodeadkeys)" with a variant.
  const std::string& Name() const;

  // A key that gives the character directly, else a dead key and a key that compose it. Keys
  // on every keyboard come before the ISO key beside left Shift, the non-US hash key, the
  // keypad and the extra keys; then fewer modifiers; Shift before AltGr; then the lower usage.
  // Levels that need Lock or NumLock are never used.
  Way WayOf(char32_t character);

  // The reverse: the text `presses` type one after the other (UTF-8), a dead key and the press
  // after it read as the character they compose, Return as a newline. None when a press types no
  // character: a modifier other than Shift and AltGr, a key with nothing printable at that
  // level, or a dead key that composes nothing with what follows.
  std::optional<std::string> TextOf(std::span<const KeyPress> presses);

 private:
  struct Keymap;
  explicit KeyboardLayout(std::unique_ptr<Keymap> keymap);
  std::unique_ptr<Keymap> keymap_;
};

// The text as typed on `layout`, a step a key press with `delayTenths`, its key in the last
// slot; a newline and a tab as everywhere (Ent, Tab). The error lists every character that has
// no way on the layout.
settings::TypedText TypeOnLayout(KeyboardLayout& layout, std::string_view utf8,
                                 std::uint8_t delayTenths);

// A `settings::TypeRequest::typeText` that opens the layout when it is first called and types on
// it; an unknown layout is its error.
std::function<settings::TypedText(std::string_view, std::uint8_t)> LayoutTypist(
    std::string layout, std::string variant);

}  // namespace vorlane::layouts
