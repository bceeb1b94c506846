// What a printed key map says about an image: each key's function and, for a macro, what it
// types or how long it runs, and every macro's steps. No drawing here (card_svg.h draws it).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "image/image_bytes.h"
#include "image/layout.h"

namespace vorlane::card {

// One step's key with its modifier, as a computer receives it.
struct KeyStroke {
  std::uint8_t modifier = 0;
  std::uint8_t key = 0;
};

// The text strokes type one after the other on the computer's keyboard layout (UTF-8, Return a
// newline), or none when one of them types no character. The US keyboard by default; vorlanectl
// gives the layout that `--layout` names.
using TextReader = std::function<std::optional<std::string>(std::span<const KeyStroke>)>;

// The US keyboard, as `vorlanectl type` types without a layout.
TextReader UsTextReader();

inline constexpr std::string_view kNoFunction = "no function";

struct MacroCard {
  std::string name;  // "Prog1".."Prog8"
  struct Step {
    int number = 0;    // 1..100
    std::string text;  // in the step notation of the settings file
  };
  std::vector<Step> steps;  // the non-zero ones
  int tenths = 0;           // the delays of all steps
  // What it types, when every non-zero step is one key that gives a character.
  std::optional<std::string> typed;
};

struct KeyCard {
  std::string name;          // "M1".."M8"
  std::string function;      // as the key lists show it, or kNoFunction
  std::optional<int> macro;  // the macro it runs, 0..7
};

struct KeyMap {
  std::array<KeyCard, kButtonCount> keys;
  std::array<MacroCard, kProgCount> macros;
};

KeyMap ReadKeyMap(const ImageBytes& image, const TextReader& reader);

// What a macro does in a few words: `types "Hi⏎"`, "5 steps, 1.2 s", "no steps"; with `breaks`,
// a line break after each "⏎".
std::string MacroSummary(const MacroCard& macro, bool breaks = false);

// "1.2 s" for 12 tenths.
std::string Seconds(int tenths);

// A typed text as it reads on paper: a newline as "⏎" (with `breaks`, and a line break after it
// unless it ends the text), a tab as "⇥".
std::string Printable(std::string_view typed, bool breaks = false);

}  // namespace vorlane::card
