#include "settings/settings_file.h"

#include <toml++/toml.h>
#include <algorithm>
#include <exception>
#include <utility>

#include "image/button_rules.h"
#include "image/macro_slots.h"
#include "settings/names.h"
#include "settings/step_notation.h"
#include "settings/suggest.h"

namespace vorlane::settings {

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

  static bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

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
                                    DidYouMean(function->get(), FunctionNames()));
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
    const std::string step = std::string(macro) + " step " + std::to_string(i + 1);
    if (i == static_cast<std::size_t>(StepsPerProg)) {
      errors.Add(node.source(),
                 std::string(macro) + " has more than " + std::to_string(StepsPerProg) + " steps");
      return std::nullopt;
    }
    const auto* text = node.as_string();
    if (text == nullptr) {
      errors.Add(node.source(), step + " must be a step in quotes, like \"None 0.1s A\"");
      ok = false;
      continue;
    }
    const ParsedStep parsed = ParseStep(text->get());
    if (parsed.error) {
      errors.AddInString(node.source(), parsed.error->offset, step + ": " + parsed.error->message);
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

}  // namespace

std::string FileError::Text() const {
  if (line == 0) return file + ": " + message;
  return file + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " + message;
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
      text += "# " + KeyName(n) + ": byte " + KeyByteText(code) +
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
  toml::table root;
  try {
    root = toml::parse(text, fileName);
  } catch (const toml::parse_error& e) {
    parsed.errors.push_back({std::string(fileName), static_cast<int>(e.source().begin.line),
                             static_cast<int>(e.source().begin.column),
                             std::string(e.description())});
    return parsed;
  }
  Errors errors(text, fileName);
  for (const auto& [key, node] : root) {
    const std::string name(key.str());
    if (name == kKeysTable && node.is_table()) {
      ReadKeys(*node.as_table(), parsed.settings, errors);
    } else if (name == kMacrosTable && node.is_table()) {
      ReadMacros(*node.as_table(), parsed.settings, errors);
    } else if (name == kKeysTable || name == kMacrosTable) {
      errors.Add(node.source(), Quoted(name) + " must be a table, like [" + name + "]");
    } else {
      errors.Add(key.source(), "unknown table " + Quoted(name) +
                                   ": a settings file holds [keys] and [macros]" +
                                   DidYouMean(name, kTables));
    }
  }
  parsed.errors = std::move(errors).Sorted();
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
