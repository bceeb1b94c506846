#include "settings/names.h"

#include <array>
#include <cstddef>

#include "image/layout.h"
#include "text/suggest.h"
#include "vocabulary/function_catalogue.h"

namespace vorlane::settings {

namespace {

constexpr std::array<std::string_view, kButtonCount> kKeyNames{"M1", "M2", "M3", "M4",
                                                               "M5", "M6", "M7", "M8"};
constexpr std::array<std::string_view, kProgCount> kMacroNames{"Prog1", "Prog2", "Prog3", "Prog4",
                                                               "Prog5", "Prog6", "Prog7", "Prog8"};

template <std::size_t N>
std::optional<int> IndexOf(const std::array<std::string_view, N>& names, std::string_view name) {
  for (std::size_t i = 0; i < N; ++i) {
    if (names[i] == name) return static_cast<int>(i);
  }
  return std::nullopt;
}

}  // namespace

std::string KeyName(int index) {
  return std::string(kKeyNames.at(static_cast<std::size_t>(index)));
}

std::optional<int> KeyIndex(std::string_view name) { return IndexOf(kKeyNames, name); }

const std::vector<std::string_view>& KeyNames() {
  static const std::vector<std::string_view> names(kKeyNames.begin(), kKeyNames.end());
  return names;
}

std::string MacroName(int index) {
  return std::string(kMacroNames.at(static_cast<std::size_t>(index)));
}

std::optional<int> MacroIndex(std::string_view name) { return IndexOf(kMacroNames, name); }

const std::vector<std::string_view>& MacroNames() {
  static const std::vector<std::string_view> names(kMacroNames.begin(), kMacroNames.end());
  return names;
}

std::optional<std::string_view> FunctionName(std::uint8_t code) {
  const std::optional<int> position = CataloguePosition(code);
  if (!position) return std::nullopt;
  return FunctionCatalogue()[static_cast<std::size_t>(*position)].name;
}

std::optional<std::uint8_t> FunctionCode(std::string_view name) {
  for (const CatalogueEntry& entry : FunctionCatalogue()) {
    if (entry.name == name) return static_cast<std::uint8_t>(entry.code);
  }
  return std::nullopt;
}

const std::vector<std::string_view>& FunctionNames() {
  static const std::vector<std::string_view> names =
      NamesOf(FunctionCatalogue(), &CatalogueEntry::name);
  return names;
}

std::string DidYouMeanFunction(std::string_view word) {
  // What the part and abbreviation rules of the suggestions cannot find.
  static constexpr auto kAliases = std::to_array<text::Alias>({
      {"Return", "Enter"},
      {"Ctrl", "Left Control"},
      {"Ctrl", "Right Control"},
      {"Backslash", "\\ |"},
  });
  return text::DidYouMean(word, FunctionNames(), kAliases);
}

}  // namespace vorlane::settings
