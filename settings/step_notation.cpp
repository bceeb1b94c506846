#include "settings/step_notation.h"

#include <algorithm>
#include <array>

#include "image/layout.h"
#include "settings/suggest.h"
#include "vocabulary/key_tables.h"

namespace vorlane::settings {

namespace {

constexpr std::string_view kNullKey = "Null";
constexpr std::string_view kHexPrefix = "0x";
constexpr std::size_t kKeySlots = kStepLastKeyByte - kStepFirstKeyByte + 1;
constexpr int kTenthsPerSecond = 10;
constexpr int kMaxTenths = 255;  // what one byte holds: 25.5 s
constexpr std::string_view kDelayHelp =
    "seconds with at most one decimal and an \"s\", 0s to 25.5s, like \"0.1s\"";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

struct Token {
  std::string_view text;
  std::size_t offset;
};

std::vector<Token> Tokens(std::string_view text) {
  std::vector<Token> tokens;
  std::size_t i = 0;
  while (i < text.size()) {
    if (IsBlank(text[i])) {
      ++i;
      continue;
    }
    const std::size_t start = i;
    while (i < text.size() && !IsBlank(text[i])) ++i;
    tokens.push_back({text.substr(start, i - start), start});
  }
  return tokens;
}

const std::vector<std::string_view>& ModifierNameList() {
  static const std::vector<std::string_view> names = [] {
    std::vector<std::string_view> v;
    for (const ListItem& item : ModifierItems()) v.push_back(item.text);
    return v;
  }();
  return names;
}

const std::vector<std::string_view>& KeyCapNameList() {
  static const std::vector<std::string_view> names = [] {
    std::vector<std::string_view> v;
    for (const KeyCap& cap : KeyCapTable()) v.push_back(cap.caption);
    return v;
  }();
  return names;
}

std::optional<std::uint8_t> ModifierCode(std::string_view name) {
  for (const ListItem& item : ModifierItems()) {
    if (item.text == name) return item.code;
  }
  return ParseHexByte(name);
}

// "Null" is a key-cap with code 0, so the table covers it.
std::optional<std::uint8_t> KeyCode(std::string_view name) {
  for (const KeyCap& cap : KeyCapTable()) {
    if (cap.caption == name) return cap.code;
  }
  return ParseHexByte(name);
}

std::string ModifierText(std::uint8_t code) {
  for (const ListItem& item : ModifierItems()) {
    if (item.code == code) return std::string(item.text);
  }
  return HexByte(code);
}

std::string KeyText(std::uint8_t code) {
  return code == 0 ? std::string(kNullKey) : KeyCodeName(code);
}

bool StartsWithHexPrefix(std::string_view token) {
  return token.substr(0, kHexPrefix.size()) == kHexPrefix;
}

TextError UnknownName(const Token& token, std::string_view what,
                      std::span<const std::string_view> names) {
  if (StartsWithHexPrefix(token.text)) {
    return {token.offset, Quoted(token.text) + " is no byte: write 0x and one or two hex digits"};
  }
  return {token.offset, "unknown " + std::string(what) + " " + Quoted(token.text) +
                            DidYouMean(token.text, names)};
}

}  // namespace

std::string HexByte(std::uint8_t code) {
  constexpr std::string_view kDigits = "0123456789ABCDEF";
  std::string text(kHexPrefix);
  if (code >= 16) text += kDigits[code / 16];
  text += kDigits[code % 16];
  return text;
}

std::optional<std::uint8_t> ParseHexByte(std::string_view text) {
  if (!StartsWithHexPrefix(text)) return std::nullopt;
  const std::string_view digits = text.substr(kHexPrefix.size());
  if (digits.empty() || digits.size() > 2) return std::nullopt;
  unsigned value = 0;
  for (const char c : digits) {
    unsigned digit = 0;
    if (c >= '0' && c <= '9') {
      digit = static_cast<unsigned>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      digit = static_cast<unsigned>(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
      digit = static_cast<unsigned>(c - 'A' + 10);
    } else {
      return std::nullopt;
    }
    value = value * 16 + digit;
  }
  return static_cast<std::uint8_t>(value);
}

std::string DelayText(std::uint8_t tenths) {
  std::string text = std::to_string(tenths / kTenthsPerSecond);
  if (tenths % kTenthsPerSecond != 0) text += "." + std::to_string(tenths % kTenthsPerSecond);
  return text + "s";
}

std::optional<std::uint8_t> ParseSeconds(std::string_view text) {
  if (!text.empty() && text.back() == 's') text.remove_suffix(1);
  const std::size_t point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  const std::string_view fraction =
      point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
  constexpr std::size_t kMaxWholeDigits = 3;
  auto digits = [](std::string_view d) {
    return std::all_of(d.begin(), d.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  if (whole.empty() || whole.size() > kMaxWholeDigits || !digits(whole)) return std::nullopt;
  if (point != std::string_view::npos && (fraction.size() != 1 || !digits(fraction))) {
    return std::nullopt;
  }
  int tenths = 0;
  for (const char c : whole) tenths = tenths * 10 + (c - '0');
  tenths *= kTenthsPerSecond;
  if (!fraction.empty()) tenths += fraction[0] - '0';
  if (tenths > kMaxTenths) return std::nullopt;
  return static_cast<std::uint8_t>(tenths);
}

std::span<const std::string_view> ModifierNames() { return ModifierNameList(); }
std::span<const std::string_view> KeyCapNames() { return KeyCapNameList(); }

bool IsZeroStep(const MacroStep& step) {
  return std::all_of(step.begin(), step.end(), [](std::uint8_t b) { return b == 0; });
}

std::string FormatStep(const MacroStep& step) {
  std::string text = ModifierText(step[kStepModifierByte]);
  text += ' ';
  text += DelayText(step[kStepDelayByte]);
  // The empty slots before the first key are implied; every slot after it is written.
  std::size_t b = kStepFirstKeyByte;
  while (b <= kStepLastKeyByte && step[b] == 0) ++b;
  for (; b <= kStepLastKeyByte; ++b) {
    text += ' ';
    text += KeyText(step[b]);
  }
  return text;
}

ParsedStep ParseStep(std::string_view text) {
  ParsedStep parsed;
  const std::vector<Token> tokens = Tokens(text);
  if (tokens.empty()) {
    parsed.error =
        TextError{0, "empty step: write at least a modifier and a delay, like \"None 0s\""};
    return parsed;
  }
  const Token& modifier = tokens[0];
  const std::optional<std::uint8_t> modifierCode = ModifierCode(modifier.text);
  if (!modifierCode) {
    parsed.error = UnknownName(modifier, "modifier", ModifierNames());
    return parsed;
  }
  if (tokens.size() < 2) {
    parsed.error = TextError{text.size(), "the delay is missing: " + std::string(kDelayHelp)};
    return parsed;
  }
  const Token& delay = tokens[1];
  const std::optional<std::uint8_t> tenths =
      delay.text.back() == 's' ? ParseSeconds(delay.text) : std::nullopt;
  if (!tenths) {
    parsed.error =
        TextError{delay.offset, Quoted(delay.text) + " is no delay: " + std::string(kDelayHelp)};
    return parsed;
  }
  const std::size_t keyCount = tokens.size() - 2;
  if (keyCount > kKeySlots) {
    parsed.error =
        TextError{tokens[2 + kKeySlots].offset, "more than six keys: a step holds the last six"};
    return parsed;
  }
  parsed.step[kStepModifierByte] = *modifierCode;
  parsed.step[kStepDelayByte] = *tenths;
  // k keys go to the last k slots, oldest first.
  std::size_t slot = kStepLastKeyByte + 1 - keyCount;
  for (std::size_t t = 2; t < tokens.size(); ++t, ++slot) {
    const std::optional<std::uint8_t> code = KeyCode(tokens[t].text);
    if (!code) {
      parsed.error = UnknownName(tokens[t], "key", KeyCapNames());
      parsed.step = {};
      return parsed;
    }
    parsed.step[slot] = *code;
  }
  return parsed;
}

}  // namespace vorlane::settings
