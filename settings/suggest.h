// Suggestions for a misspelt name: the valid names closest to it.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorlane::settings {

// The names of `candidates` that differ from `word` only in case; if none does, up to three of
// the names fewest edits (case-insensitive) away, when that is few enough for a typing slip.
// Candidates keep their order among equally close ones.
std::vector<std::string_view> ClosestNames(std::string_view word,
                                           std::span<const std::string_view> candidates);

// "; did you mean "LShi" or "RShi"?" for the closest names, or "" when none is close.
std::string DidYouMean(std::string_view word, std::span<const std::string_view> candidates);

// `text` in double quotes, with '"', '\' and control characters escaped so that TOML and JSON
// both read it back as `text`.
std::string Quoted(std::string_view text);

}  // namespace vorlane::settings
