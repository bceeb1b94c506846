// The one-line text of a macro step in a settings file, in `show` and in `diff`:
//
//   MODIFIER DELAY [KEY...]        e.g. "LShi 0.1s H", "None 0s", "0x11 25.5s Null 0xD7 - A"
//
// MODIFIER is a name of the editor's modifier list or 0xNN; DELAY is seconds with at most one
// decimal and an "s"; the KEYs, oldest first, are key-cap captions, "Null" for an empty slot, or
// 0xNN. Keys fill the last slots of the step, as key-cap clicks on a cleared step do, so the slots
// before the first key written are empty. Every 8-byte step has exactly one text that FormatStep
// gives, and ParseStep reads it back to the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "image/image_bytes.h"

namespace vorlane::settings {

std::string FormatStep(const MacroStep& step);

bool IsZeroStep(const MacroStep& step);

// Where in the text a step went wrong, and how.
struct TextError {
  std::size_t offset = 0;  // byte offset into the text given
  std::string message;
};

struct ParsedStep {
  MacroStep step{};
  std::optional<TextError> error;
};

ParsedStep ParseStep(std::string_view text);

// Steps as a person copies them out of a settings file or into one: one a line, with or without
// the quotes and the trailing comma an array item has; blank lines and `#` comments are left
// out. Reading stops at the first line that is not a step.
struct ParsedStepLines {
  std::vector<MacroStep> steps;
  std::optional<TextError> error;
  int line = 0;    // where the error is, 1-based
  int column = 0;  // in characters
};
ParsedStepLines ParseStepLines(std::string_view text);
// The other way: each step's FormatStep on a line of its own.
std::string FormatStepLines(std::span<const MacroStep> steps);

// The names a step token may take, for suggestions.
std::span<const std::string_view> ModifierNames();
std::span<const std::string_view> KeyCapNames();  // "Null" among them

}  // namespace vorlane::settings
