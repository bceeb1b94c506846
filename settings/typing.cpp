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

}  // namespace

Refusal ForEachCharacter(std::string_view utf8,
                         const std::function<bool(const TextCharacter&)>& each) {
  std::size_t characters = 0;
  for (std::size_t at = 0; at < utf8.size();) {
    char32_t point = 0;
    const std::size_t length = DecodeUtf8(utf8.substr(at), point);
    if (length == 0) {
      return "byte " + std::to_string(at + 1) + " of the text (" +
             HexByte(static_cast<std::uint8_t>(utf8[at])) + ") is not UTF-8";
    }
    const std::string_view character = utf8.substr(at, length);
    at += length;
    if (character == "\r" && utf8.substr(at, 1) == "\n") continue;
    if (!each({character, point, ++characters})) break;
  }
  return std::nullopt;
}

std::string CharacterName(const TextCharacter& character) {
  const bool printable = character.point > ' ' && character.point != 0x7F;
  return printable ? Quoted(character.bytes) + " (" + CodePointName(character.point) + ")"
                   : CodePointName(character.point);
}

TypedText TypeOn(const Keyboard& keyboard, std::string_view utf8, std::uint8_t delayTenths) {
  struct Missing {
    std::size_t number;
    std::string name;
    std::string why;
  };
  TypedText typed;
  std::vector<Missing> missing;
  Refusal notUtf8 = ForEachCharacter(utf8, [&](const TextCharacter& character) {
    const Way way = keyboard.wayOf(character);
    if (way.presses.empty())
      missing.push_back({character.number, CharacterName(character), way.why});
    for (const KeyPress& press : way.presses) {
      MacroStep step{};
      step[kStepModifierByte] = press.modifier;
      step[kStepDelayByte] = delayTenths;
      step[kStepLastKeyByte] = press.key;
      typed.steps.push_back(step);
    }
    return true;
  });
  const std::string noKey = "no key on " + keyboard.name;
  auto why = [](const Missing& m) { return m.why.empty() ? "" : ": " + m.why; };
  if (notUtf8) {
    typed.error = std::move(notUtf8);
  } else if (missing.size() == 1) {
    const Missing& m = missing.front();
    typed.error = "character " + std::to_string(m.number) + " of the text, " + m.name + ", has " +
                  noKey + why(m);
  } else if (!missing.empty()) {
    std::string error =
        std::to_string(missing.size()) + " characters of the text have " + noKey + ":";
    for (const Missing& m : missing) {
      error += "\n  character " + std::to_string(m.number) + ", " + m.name + why(m);
    }
    typed.error = std::move(error);
  }
  return typed;
}

Way UsKeyboardWay(const TextCharacter& character) {
  const std::optional<UsKey> key =
      character.bytes.size() == 1 ? KeyOf(character.bytes[0]) : std::nullopt;
  if (!key) return {};
  const std::uint8_t modifier = key->shifted ? kShiftModifier : 0;
  return {{{modifier, static_cast<std::uint8_t>(KeyCapCode(key->keyCap))}}, ""};
}

TypedText TypeText(std::string_view utf8, std::uint8_t delayTenths) {
  return TypeOn({"a US keyboard", UsKeyboardWay}, utf8, delayTenths);
}

std::optional<char> UsCharacter(std::uint8_t modifier, std::uint8_t key) {
  static constexpr std::string_view kOtherShift = "RShi";
  const bool shifted = modifier != 0;
  if (shifted && modifier != kShiftModifier && ModifierName(modifier) != kOtherShift) {
    return std::nullopt;
  }
  for (const char letter : kCapitals) {
    if (KeyCapCode(std::string_view(&letter, 1)) == key) {
      return shifted ? letter : static_cast<char>(letter - 'A' + 'a');
    }
  }
  for (const UsKey& us : kUsKeys) {
    if (us.shifted == shifted && key != 0 && KeyCapCode(us.keyCap) == key) return us.character;
  }
  return std::nullopt;
}

TypeResult TypeIntoImage(const ImageBytes& image, const TypeRequest& request) {
  TypeResult result;
  const std::optional<int> prog = MacroIndex(request.macro);
  if (!prog) {
    result.error = "unknown macro " + Quoted(request.macro) + ": write Prog1 to Prog8" +
                   DidYouMean(request.macro, MacroNames());
    return result;
  }
  TypedText typed = request.typeText ? request.typeText(request.text, request.delayTenths)
                                     : TypeText(request.text, request.delayTenths);
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
