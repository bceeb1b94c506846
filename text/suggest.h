// Suggestions for a misspelt name: the valid names closest to it.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorlane::text {

// Another word for a name, which people type for it: "Return" for "Enter".
struct Alias {
  std::string_view word;
  std::string_view name;
};

// The names of `candidates` that `word` most likely means, at most three, from the first of these
// that finds any (letters compared without case throughout):
//   1. the names equal to it, or the names an alias equal to it stands for;
//   2. the names with a part equal to it, parts being split at blanks, '/' and brackets:
//      "a" or "A" finds "a A", "!" finds "1 !", "Play" finds "Play/Pause";
//   3. the names it abbreviates: same first letter, then its letters in order, blanks left out:
//      "Esc" finds "Escape", "PgUp" "Page Up", "Num 1" "Numpad 1";
//   4. the names fewest edits away, when that is few enough for a typing slip ("Shwo" "Show").
// Candidates keep their order among equally close ones. A word much longer than every name finds
// none, at once.
std::vector<std::string_view> ClosestNames(std::string_view word,
                                           std::span<const std::string_view> candidates,
                                           std::span<const Alias> aliases = {});

// "; did you mean "LShi" or "RShi"?" for the closest names, or "" when none is close.
std::string DidYouMean(std::string_view word, std::span<const std::string_view> candidates,
                       std::span<const Alias> aliases = {});

}  // namespace vorlane::text
