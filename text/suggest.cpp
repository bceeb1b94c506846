#include "text/suggest.h"

#include <algorithm>
#include <cstddef>

#include "text/quote.h"

namespace vorlane::text {

namespace {

constexpr std::size_t kMaxSuggestions = 3;

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Lower(x) == Lower(y); });
}

bool IsPartBreak(char c) { return c == ' ' || c == '/' || c == '(' || c == ')'; }

bool HasPart(std::string_view name, std::string_view word) {
  if (word.empty() || word.size() >= name.size()) return false;
  std::size_t start = 0;
  for (std::size_t at = 0; at <= name.size(); ++at) {
    if (at == name.size() || IsPartBreak(name[at])) {
      if (EqualIgnoringCase(name.substr(start, at - start), word)) return true;
      start = at + 1;
    }
  }
  return false;
}

bool Abbreviates(std::string_view word, std::string_view name) {
  if (word.size() < 2 || word.size() >= name.size() || Lower(word[0]) != Lower(name[0])) {
    return false;
  }
  std::size_t at = 0;
  for (const char c : word) {
    if (c == ' ') continue;
    while (at < name.size() && Lower(name[at]) != Lower(c)) ++at;
    if (at == name.size()) return false;
    ++at;
  }
  return true;
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

template <typename Match>
std::vector<std::string_view> NamesWhere(std::span<const std::string_view> candidates,
                                         Match match) {
  std::vector<std::string_view> names;
  for (std::string_view c : candidates) {
    if (names.size() < kMaxSuggestions && match(c)) names.push_back(c);
  }
  return names;
}

}  // namespace

std::vector<std::string_view> ClosestNames(std::string_view word,
                                           std::span<const std::string_view> candidates,
                                           std::span<const Alias> aliases) {
  std::vector<std::string_view> names = NamesWhere(candidates, [&](std::string_view c) {
    return EqualIgnoringCase(word, c) ||
           std::any_of(aliases.begin(), aliases.end(), [&](const Alias& alias) {
             return alias.name == c && EqualIgnoringCase(word, alias.word);
           });
  });
  if (names.empty()) {
    names = NamesWhere(candidates, [&](std::string_view c) { return HasPart(c, word); });
  }
  if (names.empty()) {
    names = NamesWhere(candidates, [&](std::string_view c) { return Abbreviates(word, c); });
  }
  if (!names.empty()) return names;

  std::size_t best = Tolerance(word);
  for (std::string_view c : candidates) {
    // The lengths alone tell that most names are too far: a long word costs nothing.
    const std::size_t gap =
        word.size() > c.size() ? word.size() - c.size() : c.size() - word.size();
    if (gap > best) continue;
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

std::string DidYouMean(std::string_view word, std::span<const std::string_view> candidates,
                       std::span<const Alias> aliases) {
  const std::vector<std::string_view> names = ClosestNames(word, candidates, aliases);
  if (names.empty()) return {};
  std::string text = "; did you mean ";
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += i + 1 == names.size() ? " or " : ", ";
    text += Quoted(names[i]);
  }
  return text + "?";
}

}  // namespace vorlane::text
