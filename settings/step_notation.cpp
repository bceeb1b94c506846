#include "settings/step_notation.h"

#include <algorithm>
#include <array>
#include <unordered_map>

#include "image/layout.h"
#include "settings/names.h"
#include "text/hex.h"
#include "text/numbers.h"
#include "text/quote.h"
#include "text/suggest.h"
#include "text/utf8.h"
#include "vocabulary/key_tables.h"

namespace vorlane::settings {

using text::DidYouMean;
using text::HexByte;
using text::ParseHexByte;
using text::ParseSeconds;
using text::Quoted;

namespace {

constexpr std::string_view kHexPrefix = "0x";

constexpr std::string_view kNullKey = "Null";
constexpr std::size_t kKeySlots = kStepLastKeyByte - kStepFirstKeyByte + 1;
constexpr std::string_view kDelayHelp =
    "seconds with at most one decimal and an \"s\", 0s to 25.5s, like \"0.1s\"";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

struct Token {
  std::string_view text;
  std::size_t offset;
};

// The words of a step: a modifier, a delay, up to six keys and one more to tell that there are
// too many. Held in place, as a file has hundreds of steps.
constexpr std::size_t kMaxTokens = 2 + kKeySlots + 1;

struct Tokens {
  std::array<Token, kMaxTokens> token{};
  std::size_t count = 0;

  explicit Tokens(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && count < kMaxTokens) {
      if (IsBlank(text[i])) {
        ++i;
        continue;
      }
      const std::size_t start = i;
      while (i < text.size() && !IsBlank(text[i])) ++i;
      token[count++] = {text.substr(start, i - start), start};
    }
  }
};

const std::vector<std::string_view>& ModifierNameList() {
  static const std::vector<std::string_view> names = NamesOf(ModifierItems(), &ListItem::text);
  return names;
}

const std::vector<std::string_view>& KeyCapNameList() {
  static const std::vector<std::string_view> names = NamesOf(KeyCapTable(), &KeyCap::caption);
  return names;
}

std::optional<std::uint8_t> ModifierOrByte(std::string_view name) {
  if (const std::optional<std::uint8_t> code = ModifierCode(name)) return code;
  return ParseHexByte(name);
}

// "Null" is a key-cap with code 0, so the table covers it. A file holds up to 4,800 key names:
// looked up in a hash table rather than compared with 105 captions each.
std::optional<std::uint8_t> KeyCode(std::string_view name) {
  using CodeByName = std::unordered_map<std::string_view, std::uint8_t>;
  static const CodeByName codes = [] {
    CodeByName map;
    for (const KeyCap& cap : KeyCapTable()) map.emplace(cap.caption, cap.code);
    return map;
  }();
  if (const auto it = codes.find(name); it != codes.end()) return it->second;
  return ParseHexByte(name);
}

// The text of every byte value, built once from `name` (the first of equal codes wins) and the
// hex form: `show`, `export` and a pasted list format hundreds of steps, six keys each.
template <class Table, class Text>
std::array<std::string, 256> TextsByCode(const Table& table, Text name) {
  std::array<std::string, 256> texts;
  std::array<bool, 256> named{};
  for (const auto& row : table) {
    if (named[row.code]) continue;
    named[row.code] = true;
    texts[row.code] = std::string(row.*name);
  }
  for (unsigned code = 0; code < texts.size(); ++code) {
    if (!named[code]) texts[code] = HexByte(static_cast<std::uint8_t>(code));
  }
  return texts;
}

const std::string& ModifierText(std::uint8_t code) {
  static const std::array<std::string, 256> texts = TextsByCode(ModifierItems(), &ListItem::text);
  return texts[code];
}

// A key-cap's caption; a code no key-cap has in the one hex form of the file, where the step
// list would show fewer digits.
const std::string& KeyText(std::uint8_t code) {
  static const std::array<std::string, 256> texts = [] {
    std::array<std::string, 256> t = TextsByCode(KeyCapTable(), &KeyCap::caption);
    t[0] = std::string(kNullKey);
    return t;
  }();
  return texts[code];
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

std::span<const std::string_view> ModifierNames() { return ModifierNameList(); }
std::span<const std::string_view> KeyCapNames() { return KeyCapNameList(); }

bool IsZeroStep(const MacroStep& step) {
  return std::all_of(step.begin(), step.end(), [](std::uint8_t b) { return b == 0; });
}

std::string FormatStep(const MacroStep& step) {
  std::string text;
  text.reserve(64);
  text += ModifierText(step[kStepModifierByte]);
  text += ' ';
  text += text::TenthsText(step[kStepDelayByte]) + "s";
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
  const Tokens words(text);
  const auto tokens = std::span<const Token>(words.token).first(words.count);
  if (tokens.empty()) {
    parsed.error =
        TextError{0, "empty step: write at least a modifier and a delay, like \"None 0s\""};
    return parsed;
  }
  const Token& modifier = tokens[0];
  const std::optional<std::uint8_t> modifierCode = ModifierOrByte(modifier.text);
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

namespace {

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (IsBlank(text.front()) || text.front() == '\r')) text.remove_prefix(1);
  while (!text.empty() && (IsBlank(text.back()) || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

// The step's text within one line, without quotes, comma or comment; an error offset into the
// line when the line around the step is not what an array item looks like.
struct LineStep {
  std::string_view text;
  std::optional<TextError> error;
};

LineStep StepOfLine(std::string_view line) {
  const std::string_view item = TrimBlanks(line);
  if (item.front() != '"') {
    std::string_view text = TrimBlanks(item.substr(0, item.find('#')));
    if (!text.empty() && text.back() == ',') text = TrimBlanks(text.substr(0, text.size() - 1));
    return {text, std::nullopt};
  }
  const std::size_t close = item.find('"', 1);
  if (close == std::string_view::npos) {
    return {{}, TextError{line.size(), "the closing quote is missing"}};
  }
  std::string_view rest = TrimBlanks(item.substr(close + 1));
  if (!rest.empty() && rest.front() == ',') rest = TrimBlanks(rest.substr(1));
  if (!rest.empty() && rest.front() != '#') {
    const auto at = static_cast<std::size_t>(rest.data() - line.data());
    return {{}, TextError{at, "only a comma or a # comment may follow the step's closing quote"}};
  }
  return {item.substr(1, close - 1), std::nullopt};
}

int Column(std::string_view line, std::size_t offset) {
  int column = 1;
  for (std::size_t i = 0; i < offset && i < line.size(); ++i) {
    if (!text::IsContinuationByte(line[i])) ++column;
  }
  return column;
}

}  // namespace

ParsedStepLines ParseStepLines(std::string_view text) {
  ParsedStepLines parsed;
  if (text.starts_with(text::kByteOrderMark)) text.remove_prefix(text::kByteOrderMark.size());
  int number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++number;
    const std::string_view item = TrimBlanks(line);
    if (item.empty() || item.front() == '#') continue;
    const LineStep found = StepOfLine(line);
    std::optional<TextError> error = found.error;
    ParsedStep step;
    if (!error) {
      step = ParseStep(found.text);
      if (step.error) {
        error = step.error;
        error->offset += static_cast<std::size_t>(found.text.data() - line.data());
      }
    }
    if (error) {
      parsed.line = number;
      parsed.column = Column(line, error->offset);
      parsed.error = std::move(error);
      return parsed;
    }
    parsed.steps.push_back(step.step);
  }
  return parsed;
}

std::string FormatStepLines(std::span<const MacroStep> steps) {
  std::string out;
  for (const MacroStep& step : steps) out += FormatStep(step) + "\n";
  return out;
}

}  // namespace vorlane::settings
