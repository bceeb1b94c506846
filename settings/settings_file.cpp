#include "settings/settings_file.h"

#include <toml++/toml.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <utility>

#include "image/button_rules.h"
#include "image/macro_slots.h"
#include "settings/names.h"
#include "settings/step_notation.h"
#include "text/hex.h"
#include "text/quote.h"
#include "text/suggest.h"
#include "text/utf8.h"

namespace vorlane::settings {

using text::CodePointName;
using text::DecodeUtf8;
using text::DidYouMean;
using text::HexByte;
using text::IsContinuationByte;
using text::kByteOrderMark;
using text::Quoted;

namespace {

constexpr std::string_view kKeysTable = "keys";
constexpr std::string_view kMacrosTable = "macros";
constexpr std::array<std::string_view, 2> kTables{kKeysTable, kMacrosTable};

constexpr std::string_view kHeader =
    "# Vorlane settings: the functions of keys M1..M8 and the steps of macros Prog1..Prog8.\n"
    "# A step is: modifier, delay in seconds, then up to six keys, oldest first.\n";

// Collects every error of a file, to be reported in file order.
class Errors {
 public:
  Errors(std::string_view text, std::string_view file) : text_(text), file_(file) {}

  void Add(const toml::source_region& where, std::string message) {
    Add(where.begin.line, where.begin.column, std::move(message));
  }
  void Add(toml::source_index line, toml::source_index column, std::string message) {
    errors_.push_back(
        {std::string(file_), static_cast<int>(line), static_cast<int>(column), std::move(message)});
  }
  // An error at byte `offset` of the text of the string that starts at `where`.
  void AddInString(const toml::source_region& where, std::size_t offset, std::string message) {
    Add(where.begin.line, ColumnInString(where.begin, offset), std::move(message));
  }

  std::vector<FileError> Sorted() && {
    std::stable_sort(errors_.begin(), errors_.end(), [](const FileError& a, const FileError& b) {
      return std::pair(a.line, a.column) < std::pair(b.line, b.column);
    });
    return std::move(errors_);
  }

 private:
  // The column of byte `offset` of a string's value, the string's opening quote standing at
  // `quote`: escapes and multi-byte characters make the two differ. Columns count characters,
  // as the parser's own do. A string this cannot follow (one over several lines) gives the
  // column of its quote.
  toml::source_index ColumnInString(toml::source_position quote, std::size_t offset) const {
    std::size_t at = 0;
    for (toml::source_index line = 1; line < quote.line; ++line) {
      at = text_.find('\n', at);
      if (at == std::string_view::npos) return quote.column;
      ++at;
    }
    for (toml::source_index column = 1; column < quote.column && at < text_.size(); ++at) {
      if (!IsContinuationByte(text_[at])) ++column;
      if (text_[at] == '\n') return quote.column;
    }
    while (at < text_.size() && IsContinuationByte(text_[at])) ++at;
    const std::string_view rest = text_.substr(at);
    const bool literal = rest.substr(0, 1) == "'";
    if (rest.empty() || (rest[0] != '"' && !literal) || rest.substr(0, 3) == "\"\"\"" ||
        rest.substr(0, 3) == "'''") {
      return quote.column;
    }
    toml::source_index column = quote.column + 1;
    std::size_t raw = 1;
    std::size_t decoded = 0;
    while (decoded < offset && raw < rest.size() && rest[raw] != '\n') {
      if (!literal && rest[raw] == '\\' && raw + 1 < rest.size()) {
        const char kind = rest[raw + 1];
        const std::size_t digits = kind == 'u' ? 4 : kind == 'U' ? 8 : 0;
        decoded += digits == 0 ? 1 : Utf8Length(rest.substr(raw + 2, digits));
        raw += 2 + digits;
        column += static_cast<toml::source_index>(2 + digits);
      } else {
        ++decoded;
        if (!IsContinuationByte(rest[raw])) ++column;
        ++raw;
      }
    }
    return column;
  }

  // Bytes of the UTF-8 form of the code point written in hex by a \u or \U escape.
  static std::size_t Utf8Length(std::string_view hex) {
    unsigned long value = 0;
    for (const char c : hex) {
      const auto digit = static_cast<unsigned long>(
          std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (c | 0x20) - 'a' + 10);
      value = value * 16 + digit;
    }
    constexpr unsigned long kOneByte = 0x80, kTwoBytes = 0x800, kThreeBytes = 0x10000;
    return value < kOneByte ? 1 : value < kTwoBytes ? 2 : value < kThreeBytes ? 3 : 4;
  }

  std::string_view text_;
  std::string_view file_;
  std::vector<FileError> errors_;
};

// The first character beyond ASCII that stands outside a comment, if any, before the first text
// that is no UTF-8 (which the parser reports itself). Every name and step of the file is ASCII,
// so such a character is an error wherever it stands; finding it first also keeps it from the
// parser, which reaches undefined behaviour when it tests some such characters as whitespace.
std::optional<FileError> NonAsciiOutsideComments(std::string_view text, std::string_view file) {
  // Most files are ASCII throughout.
  if (std::all_of(text.begin(), text.end(),
                  [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    return std::nullopt;
  }
  enum class In { Value, Comment, String, Literal, MultiString, MultiLiteral } in = In::Value;
  int line = 1;
  int column = 0;
  auto quotes = [&](std::size_t at, char quote) {
    std::size_t n = 0;
    while (at + n < text.size() && text[at + n] == quote) ++n;
    return n;
  };
  for (std::size_t at = 0; at < text.size();) {
    const char c = text[at];
    ++column;
    if (c == '\n') {
      ++line;
      column = 0;
      if (in == In::Comment || in == In::String || in == In::Literal) in = In::Value;
      ++at;
      continue;
    }
    if (static_cast<unsigned char>(c) >= 0x80) {
      char32_t point = 0;
      const std::size_t length = DecodeUtf8(text.substr(at), point);
      if (length == 0) return std::nullopt;
      if (in != In::Comment) {
        return FileError{std::string(file), line, column,
                         "unexpected character " + Quoted(text.substr(at, length)) + " (" +
                             CodePointName(point) +
                             "): outside comments a settings file holds only ASCII"};
      }
      at += length;
      continue;
    }
    std::size_t step = 1;
    switch (in) {
      case In::Value:
        if (c == '#') {
          in = In::Comment;
        } else if (c == '"' || c == '\'') {
          const bool multi = quotes(at, c) >= 3;
          in = c == '"' ? (multi ? In::MultiString : In::String)
                        : (multi ? In::MultiLiteral : In::Literal);
          if (multi) step = 3;
        }
        break;
      case In::String:
      case In::MultiString:
        // An escaped character is skipped, unless it is one the checks above must see.
        if (c == '\\' && at + 1 < text.size() && text[at + 1] != '\n' &&
            static_cast<unsigned char>(text[at + 1]) < 0x80) {
          step = 2;
        }
        if (c == '"' && in == In::String) in = In::Value;
        // A closing delimiter may follow one or two quotes of the string's own.
        if (c == '"' && in == In::MultiString && quotes(at, '"') >= 3) {
          step = std::min<std::size_t>(quotes(at, '"'), 5);
          in = In::Value;
        }
        break;
      case In::Literal:
        if (c == '\'') in = In::Value;
        break;
      case In::MultiLiteral:
        if (c == '\'' && quotes(at, '\'') >= 3) {
          step = std::min<std::size_t>(quotes(at, '\''), 5);
          in = In::Value;
        }
        break;
      case In::Comment:
        break;
    }
    column += static_cast<int>(step) - 1;
    at += step;
  }
  return std::nullopt;
}

void ReadKeys(const toml::table& keys, Settings& settings, Errors& errors) {
  for (const auto& [key, node] : keys) {
    const std::string name(key.str());
    const std::optional<int> index = KeyIndex(name);
    if (!index) {
      errors.Add(key.source(), "unknown key " + Quoted(name) + " in [keys], which holds M1 to M8" +
                                   DidYouMean(name, KeyNames()));
      continue;
    }
    const auto* function = node.as_string();
    if (function == nullptr) {
      errors.Add(node.source(), name + " must be a function name in quotes, like " +
                                    std::string(name).append(" = \"a A\""));
      continue;
    }
    const std::optional<std::uint8_t> code = FunctionCode(function->get());
    if (!code) {
      errors.Add(node.source(), "unknown function " + Quoted(function->get()) + " for " + name +
                                    DidYouMeanFunction(function->get()));
      continue;
    }
    settings.keys[static_cast<std::size_t>(*index)] = *code;
  }
}

std::optional<std::vector<MacroStep>> ReadSteps(std::string_view macro, const toml::array& steps,
                                                Errors& errors) {
  std::vector<MacroStep> read;
  bool ok = true;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const toml::node& node = steps[i];
    auto step = [&] { return std::string(macro) + " step " + std::to_string(i + 1); };
    // The steps beyond are still read, for their own errors.
    if (i == static_cast<std::size_t>(StepsPerProg)) {
      errors.Add(node.source(),
                 std::string(macro) + " has more than " + std::to_string(StepsPerProg) + " steps");
      ok = false;
    }
    const auto* text = node.as_string();
    if (text == nullptr) {
      errors.Add(node.source(), step() + " must be a step in quotes, like \"None 0.1s A\"");
      ok = false;
      continue;
    }
    const ParsedStep parsed = ParseStep(text->get());
    if (parsed.error) {
      errors.AddInString(node.source(), parsed.error->offset,
                         step() + ": " + parsed.error->message);
      ok = false;
      continue;
    }
    read.push_back(parsed.step);
  }
  if (!ok) return std::nullopt;
  return read;
}

void ReadMacros(const toml::table& macros, Settings& settings, Errors& errors) {
  for (const auto& [key, node] : macros) {
    const std::string name(key.str());
    const std::optional<int> index = MacroIndex(name);
    if (!index) {
      errors.Add(key.source(), "unknown macro " + Quoted(name) +
                                   " in [macros], which holds Prog1 to Prog8" +
                                   DidYouMean(name, MacroNames()));
      continue;
    }
    const auto* steps = node.as_array();
    if (steps == nullptr) {
      errors.Add(node.source(), name + " must be a list of steps, like " +
                                    std::string(name).append(" = [\"None 0.1s A\"]"));
      continue;
    }
    settings.macros[static_cast<std::size_t>(*index)] = ReadSteps(name, *steps, errors);
  }
}

// A place in the text, 1-based, columns counting characters as the parser's do.
struct Position {
  int line = 1;
  int column = 0;
  friend bool operator<(const Position& a, const Position& b) {
    return std::pair(a.line, a.column) < std::pair(b.line, b.column);
  }
};

// The place of the last character of `text`.
Position EndOf(std::string_view text) {
  Position end;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (at > 0 && text[at - 1] == '\n') end = {end.line + 1, 0};
    if (!IsContinuationByte(text[at])) ++end.column;
  }
  return end;
}

// The lines of `text` before line `line`.
std::string_view LinesBefore(std::string_view text, int line) {
  std::size_t at = 0;
  for (int n = 1; n < line && at != std::string_view::npos; ++n) {
    at = text.find('\n', at);
    if (at != std::string_view::npos) ++at;
  }
  return text.substr(0, std::min(at, text.size()));
}

// The table of the lines before a stop, so that their errors are reported too; the cut may leave
// a list of steps open, which is then closed.
std::optional<toml::table> ParseLinesBefore(std::string_view text, int line,
                                            std::string_view fileName) {
  const std::string before(LinesBefore(text, line));
  for (const std::string_view close : {"", "\n]\n"}) {
    try {
      return toml::parse(before + std::string(close), fileName);
    } catch (const toml::parse_error&) {
    }
  }
  return std::nullopt;
}

void ReadRoot(const toml::table& root, Settings& settings, Errors& errors) {
  for (const auto& [key, node] : root) {
    const std::string name(key.str());
    if (name == kKeysTable && node.is_table()) {
      ReadKeys(*node.as_table(), settings, errors);
    } else if (name == kMacrosTable && node.is_table()) {
      ReadMacros(*node.as_table(), settings, errors);
    } else if (name == kKeysTable || name == kMacrosTable) {
      errors.Add(node.source(), Quoted(name) + " must be a table, like [" + name + "]");
    } else if (KeyIndex(name) || MacroIndex(name)) {
      const std::string_view table = KeyIndex(name) ? kKeysTable : kMacrosTable;
      errors.Add(key.source(), name + " belongs in [" + std::string(table) + "]: write [" +
                                   std::string(table) + "] on a line before it");
    } else {
      errors.Add(key.source(), "unknown table " + Quoted(name) +
                                   ": a settings file holds [keys] and [macros]" +
                                   DidYouMean(name, kTables));
    }
  }
}

}  // namespace

std::string FileError::Text() const {
  const std::string name = text::Shown(file);
  if (line == 0) return name + ": " + message;
  return name + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " + message;
}

std::string ExportSettings(const ImageBytes& image) {
  std::string text(kHeader);
  text += "\n[keys]\n";
  const ButtonBytes keys = ReadButtonBytes(image);
  for (int n = 0; n < kButtonCount; ++n) {
    const std::uint8_t code = keys[static_cast<std::size_t>(n)];
    if (const std::optional<std::string_view> name = FunctionName(code)) {
      text += KeyName(n) + " = " + Quoted(*name) + "\n";
    } else {
      text += "# " + KeyName(n) + ": byte " + HexByte(code) +
              " names no function; import leaves it as it is\n";
    }
  }
  text += "\n[macros]\n";
  for (int p = 0; p < kProgCount; ++p) {
    int used = StepsPerProg;
    while (used > 0 && IsZeroStep(GetStep(image, p, used - 1))) --used;
    text += MacroName(p) + " = [";
    if (used > 0) text += "\n";
    for (int s = 0; s < used; ++s) text += "  " + Quoted(FormatStep(GetStep(image, p, s))) + ",\n";
    text += "]\n";
  }
  return text;
}

ParsedSettings ParseSettings(std::string_view text, std::string_view fileName) {
  ParsedSettings parsed;
  // Editors on Windows begin a file with it; it is no part of the text.
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  // Reading stops at the first character beyond ASCII outside a comment, or at the first error
  // of the TOML syntax, whichever comes first; the names and steps before it are still checked.
  std::optional<FileError> stop = NonAsciiOutsideComments(text, fileName);
  const std::string_view readable = stop ? LinesBefore(text, stop->line) : text;
  std::optional<toml::table> root;
  try {
    root = toml::parse(readable, fileName);
  } catch (const toml::parse_error& e) {
    // The parser places an error at the end of the text past its last character. Where the
    // lines before a stop leave a string or an array open, that end is no error of the file.
    const Position at{static_cast<int>(e.source().begin.line),
                      static_cast<int>(e.source().begin.column)};
    const Position end = EndOf(readable);
    if (!stop || !(end < at)) {
      const Position shown = std::min(at, end);
      stop =
          FileError{std::string(fileName), shown.line, shown.column, std::string(e.description())};
    }
    root = ParseLinesBefore(text, stop->line, fileName);
  }
  Errors errors(text, fileName);
  if (root) ReadRoot(*root, parsed.settings, errors);
  parsed.errors = std::move(errors).Sorted();
  if (stop) parsed.errors.push_back(std::move(*stop));
  return parsed;
}

ImageBytes ApplySettings(const ImageBytes& image, const Settings& settings) {
  ImageBytes result = image;
  ButtonBytes keys = ReadButtonBytes(result);
  for (std::size_t n = 0; n < keys.size(); ++n) {
    if (settings.keys[n]) keys[n] = *settings.keys[n];
  }
  WriteButtonBytes(result, keys);
  for (int p = 0; p < kProgCount; ++p) {
    const auto& steps = settings.macros[static_cast<std::size_t>(p)];
    if (!steps) continue;
    for (int s = 0; s < StepsPerProg; ++s) {
      const auto listed = static_cast<std::size_t>(s);
      PutStep(result, p, s, listed < steps->size() ? (*steps)[listed] : MacroStep{});
    }
  }
  return result;
}

}  // namespace vorlane::settings
