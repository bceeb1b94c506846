// The names the settings file, `show`, `set` and `type` use for keys, macros and functions.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorlane::settings {

// "M1".."M8" for index 0..7, and back.
std::string KeyName(int index);
std::optional<int> KeyIndex(std::string_view name);
const std::vector<std::string_view>& KeyNames();

// "Prog1".."Prog8" for index 0..7, and back.
std::string MacroName(int index);
std::optional<int> MacroIndex(std::string_view name);
const std::vector<std::string_view>& MacroNames();

// A function's name as the key lists show it ("a A", "Prog3", "Mute"), and back. A byte that
// names no function has no name.
std::optional<std::string_view> FunctionName(std::uint8_t code);
std::optional<std::uint8_t> FunctionCode(std::string_view name);
const std::vector<std::string_view>& FunctionNames();  // in the key lists' order

// The names of a table's rows, `field` of each in order: what a did-you-mean chooses from.
template <typename Table, typename Field>
std::vector<std::string_view> NamesOf(const Table& table, Field field) {
  std::vector<std::string_view> names;
  for (const auto& row : table) names.push_back(std::invoke(field, row));
  return names;
}

// "; did you mean ..." with the functions closest to a word that names none; the words people
// type for a key ("1", "A", "Esc", "PgUp", "Return") find its function.
std::string DidYouMeanFunction(std::string_view word);

}  // namespace vorlane::settings
