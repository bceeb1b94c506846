#include "settings/suggest.h"

#include <algorithm>
#include <cstddef>

namespace vorlane::settings {

namespace {

constexpr std::size_t kMaxSuggestions = 3;

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Lower(x) == Lower(y); });
}

// Edits (insert, delete, replace, swap two neighbours) from a to b, letters compared without
// case: a swap is the commonest slip in typing ("shwo").
std::size_t EditDistance(std::string_view a, std::string_view b) {
  const std::size_t width = b.size() + 1;
  std::vector<std::size_t> d((a.size() + 1) * width);
  auto at = [&](std::size_t i, std::size_t j) -> std::size_t& { return d[i * width + j]; };
  for (std::size_t i = 0; i <= a.size(); ++i) at(i, 0) = i;
  for (std::size_t j = 0; j <= b.size(); ++j) at(0, j) = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const bool same = Lower(a[i - 1]) == Lower(b[j - 1]);
      at(i, j) = std::min({at(i - 1, j) + 1, at(i, j - 1) + 1, at(i - 1, j - 1) + (same ? 0 : 1)});
      if (i > 1 && j > 1 && Lower(a[i - 1]) == Lower(b[j - 2]) &&
          Lower(a[i - 2]) == Lower(b[j - 1])) {
        at(i, j) = std::min(at(i, j), at(i - 2, j - 2) + 1);
      }
    }
  }
  return at(a.size(), b.size());
}

// One slip in every three characters, at least one: "Shi" finds "LShi", "a" finds no "F1".
std::size_t Tolerance(std::string_view word) {
  return std::max<std::size_t>(1, (word.size() + 1) / 3);
}

}  // namespace

std::vector<std::string_view> ClosestNames(std::string_view word,
                                           std::span<const std::string_view> candidates) {
  std::vector<std::string_view> names;
  for (std::string_view c : candidates) {
    if (EqualIgnoringCase(word, c)) names.push_back(c);
  }
  if (!names.empty()) return names;

  std::size_t best = Tolerance(word);
  for (std::string_view c : candidates) {
    const std::size_t d = EditDistance(word, c);
    if (d > best) continue;
    if (d < best) {
      best = d;
      names.clear();
    }
    if (d == best && names.size() < kMaxSuggestions) names.push_back(c);
  }
  return names;
}

std::string DidYouMean(std::string_view word, std::span<const std::string_view> candidates) {
  const std::vector<std::string_view> names = ClosestNames(word, candidates);
  if (names.empty()) return {};
  std::string text = "; did you mean ";
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += i + 1 == names.size() ? " or " : ", ";
    text += Quoted(names[i]);
  }
  return text + "?";
}

std::string Quoted(std::string_view text) {
  constexpr std::string_view kHex = "0123456789ABCDEF";
  constexpr unsigned char kFirstPrintable = 0x20;
  constexpr unsigned char kDelete = 0x7F;
  std::string quoted = "\"";
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (c == '\n') {
      quoted += "\\n";
    } else if (c == '\t') {
      quoted += "\\t";
    } else if (u < kFirstPrintable || u == kDelete) {
      // Any other control character would garble a message or a line of the file.
      quoted += "\\u00";
      quoted += kHex[u >> 4];
      quoted += kHex[u & 0xF];
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

}  // namespace vorlane::settings
