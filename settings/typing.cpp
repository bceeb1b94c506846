#include "settings/typing.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "image/layout.h"
#include "image/macro_slots.h"
#include "settings/names.h"
#include "settings/step_notation.h"
#include "text/hex.h"
#include "text/quote.h"
#include "text/suggest.h"
#include "text/utf8.h"
#include "vocabulary/key_tables.h"

namespace vorlane::settings {

using text::CodePointName;
using text::DecodeUtf8;
using text::DidYouMean;
using text::HexByte;
using text::Quoted;

namespace {

constexpr std::string_view kShiftModifier = "LShi";

struct UsKey {
  char character;
  bool shifted;
  std::string_view keyCap;
};

// The US layout's characters other than letters: each with its key-cap and whether Shift is held.
constexpr auto kUsKeys = std::to_array<UsKey>({
    {' ', false, "SP"}, {'\n', false, "Ent"}, {'\t', false, "Tab"}, {'1', false, "1"},
    {'2', false, "2"},  {'3', false, "3"},    {'4', false, "4"},    {'5', false, "5"},
    {'6', false, "6"},  {'7', false, "7"},    {'8', false, "8"},    {'9', false, "9"},
    {'0', false, "0"},  {'!', true, "1"},     {'@', true, "2"},     {'#', true, "3"},
    {'$', true, "4"},   {'%', true, "5"},     {'^', true, "6"},     {'&', true, "7"},
    {'*', true, "8"},   {'(', true, "9"},     {')', true, "0"},     {'`', false, "`"},
    {'~', true, "`"},   {'-', false, "-"},    {'_', true, "-"},     {'=', false, "="},
    {'+', true, "="},   {'[', false, "["},    {'{', true, "["},     {']', false, "]"},
    {'}', true, "]"},   {'\\', false, "\\"},  {'|', true, "\\"},    {';', false, ";"},
    {':', true, ";"},   {'\'', false, "'"},   {'"', true, "'"},     {',', false, ","},
    {'<', true, ","},   {'.', false, "."},    {'>', true, "."},     {'/', false, "/"},
    {'?', true, "/"},
});

constexpr std::string_view kCapitals = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";

// A letter's key-cap is its capital.
std::optional<UsKey> KeyOf(char c) {
  if (c >= 'a' && c <= 'z')
    return UsKey{c, false, kCapitals.substr(static_cast<std::size_t>(c - 'a'), 1)};
  if (c >= 'A' && c <= 'Z')
    return UsKey{c, true, kCapitals.substr(static_cast<std::size_t>(c - 'A'), 1)};
  for (const UsKey& key : kUsKeys) {
    if (key.character == c) return key;
  }
  return std::nullopt;
}

std::uint8_t ShiftCode() {
  for (const ListItem& item : ModifierItems()) {
    if (item.text == kShiftModifier) return item.code;
  }
  return 0;
}

}  // namespace

TypedText TypeText(std::string_view utf8, std::uint8_t delayTenths) {
  TypedText typed;
  const std::uint8_t shift = ShiftCode();
  std::size_t characters = 0;
  for (std::size_t at = 0; at < utf8.size();) {
    ++characters;
    char32_t point = 0;
    const std::size_t length = DecodeUtf8(utf8.substr(at), point);
    if (length == 0) {
      typed.error = "byte " + std::to_string(at + 1) + " of the text (" +
                    HexByte(static_cast<std::uint8_t>(utf8[at])) + ") is not UTF-8";
      return typed;
    }
    const std::string_view character = utf8.substr(at, length);
    at += length;
    if (character == "\r" && utf8.substr(at, 1) == "\n") {
      --characters;
      continue;
    }
    const std::optional<UsKey> key = length == 1 ? KeyOf(character[0]) : std::nullopt;
    if (!key) {
      const bool printable = point > ' ' && point != 0x7F;
      typed.error = "character " + std::to_string(characters) + " of the text, " +
                    (printable ? Quoted(character) + " (" + CodePointName(point) + ")"
                               : CodePointName(point)) +
                    ", has no key on a US keyboard";
      return typed;
    }
    MacroStep step{};
    step[kStepModifierByte] = key->shifted ? shift : 0;
    step[kStepDelayByte] = delayTenths;
    step[kStepLastKeyByte] = static_cast<std::uint8_t>(KeyCapCode(key->keyCap));
    typed.steps.push_back(step);
  }
  return typed;
}

TypeResult TypeIntoImage(const ImageBytes& image, const TypeRequest& request) {
  TypeResult result;
  const std::optional<int> prog = MacroIndex(request.macro);
  if (!prog) {
    result.error = "unknown macro " + Quoted(request.macro) + ": write Prog1 to Prog8" +
                   DidYouMean(request.macro, MacroNames());
    return result;
  }
  TypedText typed = TypeText(request.text, request.delayTenths);
  if (typed.error) {
    result.error = std::move(typed.error);
    return result;
  }
  const int start = std::clamp(request.start, 1, StepsPerProg);
  const std::size_t left =
      static_cast<std::size_t>(StepsPerProg) + 1 - static_cast<std::size_t>(start);
  if (typed.steps.size() > left) {
    result.error = "the text takes " + std::to_string(typed.steps.size()) + " steps, and " +
                   MacroName(*prog) + " has " + std::to_string(left) + " from step " +
                   std::to_string(start) + " on";
    return result;
  }
  result.image = image;
  for (std::size_t i = 0; i < typed.steps.size(); ++i) {
    PutStep(result.image, *prog, start - 1 + static_cast<int>(i), typed.steps[i]);
  }
  return result;
}

}  // namespace vorlane::settings
