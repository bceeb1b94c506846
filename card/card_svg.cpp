#include "card/card_svg.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <ctime>
#include <vector>

#include "text/utf8.h"

namespace vorlane::card {

namespace {

// Millimetres; a text size of 2.82 is 8 pt, the least that reads well on paper.
constexpr double kMargin = 15;
constexpr double kGap = 4;
constexpr double kBoxHeight = 44;
constexpr double kBoxPadding = 3;
constexpr double kTitleSize = 6;
constexpr double kKeyNameSize = 3.5;
constexpr double kFunctionSize = 5;
constexpr double kTextSize = 3.2;
constexpr double kHeadingSize = 4.2;
constexpr double kLeading = 1.35;  // line height over text size
constexpr double kFooterRoom = 6;
constexpr int kColumns = 4;
constexpr std::size_t kKeptLines = 3;

struct Style {
  bool bold = false;
  bool italic = false;
  bool centred = false;
};

std::string Number(double value) {
  std::array<char, 32> buffer{};
  const double rounded = std::round(value * 100) / 100;
  const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), rounded).ptr;
  return std::string(buffer.data(), end);
}

// The code points of `text`, each as its bytes; a byte that is no UTF-8, and a control
// character, become U+FFFD so that any file name makes well-formed XML.
std::vector<std::string> Characters(std::string_view text) {
  std::vector<std::string> characters;
  for (std::size_t at = 0; at < text.size();) {
    char32_t point = 0;
    const std::size_t length = text::DecodeUtf8(text.substr(at), point);
    const bool control = point < ' ' && point != '\n';
    if (length == 0 || control || point == 0x7F || point == 0xFFFE || point == 0xFFFF) {
      characters.emplace_back("\uFFFD");
      at += std::max<std::size_t>(length, 1);
      continue;
    }
    characters.emplace_back(text.substr(at, length));
    at += length;
  }
  return characters;
}

// A generous guess at a character's advance in DejaVu Sans, in ems: wrapping by it never runs
// a line past its box.
double Advance(std::string_view c) {
  if (c.size() != 1) return 0.75;
  const char a = c[0];
  if (std::string_view(" iljIft.,:;'|!`()[]{}").find(a) != std::string_view::npos) return 0.36;
  if (a == 'm' || a == 'w' || a == 'M' || a == 'W' || a == '@' || a == '%') return 0.95;
  if (a >= 'A' && a <= 'Z') return 0.72;
  return 0.62;
}

double Width(const std::vector<std::string>& characters, double size, bool bold) {
  double ems = 0;
  for (const std::string& c : characters) ems += Advance(c);
  return ems * size * (bold ? 1.1 : 1.0);
}

std::string Join(const std::vector<std::string>& characters, std::size_t from, std::size_t to) {
  std::string joined;
  for (std::size_t i = from; i < to; ++i) joined += characters[i];
  return joined;
}

// Lines of at most `width`, broken after a space where one is near, and after each "\n".
std::vector<std::string> Wrap(std::string_view text, double width, double size, bool bold) {
  const std::vector<std::string> characters = Characters(text);
  std::vector<std::string> lines;
  std::size_t start = 0;
  std::size_t space = 0;  // after the last space of the line, 0 when none
  double used = 0;
  for (std::size_t i = 0; i < characters.size(); ++i) {
    if (characters[i] == "\n") {
      lines.push_back(Join(characters, start, i));
      start = i + 1;
      space = 0;
      used = 0;
      continue;
    }
    const double advance = Width({characters[i]}, size, bold);
    if (used + advance > width && i > start) {
      const std::size_t end = space > start ? space : i;
      lines.push_back(Join(characters, start, end));
      start = end;
      space = 0;
      used = Width({characters.begin() + static_cast<std::ptrdiff_t>(start),
                    characters.begin() + static_cast<std::ptrdiff_t>(i)},
                   size, bold);
    }
    used += advance;
    if (characters[i] == " ") space = i + 1;
  }
  if (start < characters.size() || lines.empty())
    lines.push_back(Join(characters, start, characters.size()));
  return lines;
}

std::string Escaped(std::string_view text) {
  std::string escaped;
  for (const std::string& c : Characters(text)) {
    if (c == "&") {
      escaped += "&amp;";
    } else if (c == "<") {
      escaped += "&lt;";
    } else if (c == ">") {
      escaped += "&gt;";
    } else if (c == "\n") {
      escaped += " ";
    } else {
      escaped += c;
    }
  }
  return escaped;
}

class Drawing {
 public:
  explicit Drawing(PaperSize paper) : paper_(paper) {}

  void Text(double x, double y, double size, std::string_view text, Style style = {}) {
    body_ += "<text x=\"" + Number(x) + "\" y=\"" + Number(y) + "\" font-size=\"" + Number(size) +
             "\"" + (style.bold ? " font-weight=\"bold\"" : "") +
             (style.italic ? " font-style=\"italic\"" : "") +
             (style.centred ? " text-anchor=\"middle\"" : "") + ">" + Escaped(text) + "</text>\n";
  }
  void Box(double x, double y, double width, double height) {
    body_ += "<rect x=\"" + Number(x) + "\" y=\"" + Number(y) + "\" width=\"" + Number(width) +
             "\" height=\"" + Number(height) +
             "\" rx=\"2\" fill=\"none\" stroke=\"black\" stroke-width=\"0.4\"/>\n";
  }
  void Rule(double x, double y, double width) {
    body_ += "<line x1=\"" + Number(x) + "\" y1=\"" + Number(y) + "\" x2=\"" + Number(x + width) +
             "\" y2=\"" + Number(y) + "\" stroke=\"black\" stroke-width=\"0.3\"/>\n";
  }

  // The baseline for the next line of `size`, on the next page when this one is full; `keep` is
  // the room the lines that belong with it take.
  double NextLine(double size, double keep = 0) {
    const double height = size * kLeading;
    if (y_ + std::max(height, keep) > PageBottom()) {
      ++page_;
      y_ = page_ * paper_.height + kMargin;
    }
    y_ += height;
    return y_ - (kLeading - 1) * size;
  }
  void Skip(double height) { y_ += height; }
  double Y() const { return y_; }
  int Page() const { return page_; }
  void SetY(double y) { y_ = y; }

  std::string Document(std::string_view footer) {
    const int pages = page_ + 1;
    const double height = paper_.height * pages;
    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" +
           Number(paper_.width) + "mm\" height=\"" + Number(height) + "mm\" viewBox=\"0 0 " +
           Number(paper_.width) + " " + Number(height) + "\">\n";
    svg += "<rect width=\"" + Number(paper_.width) + "\" height=\"" + Number(height) +
           "\" fill=\"white\"/>\n";
    if (pages > 1) {
      for (int p = 0; p < pages; ++p) {
        Text(paper_.width / 2, (p + 1) * paper_.height - kMargin + kFooterRoom - 2, kTextSize,
             std::string(footer) + ", page " + std::to_string(p + 1) + " of " +
                 std::to_string(pages),
             {.centred = true});
      }
    }
    svg += "<g font-family=\"DejaVu Sans\" fill=\"black\" xml:space=\"preserve\">\n" + body_ +
           "</g>\n</svg>\n";
    return svg;
  }

 private:
  double PageBottom() const { return (page_ + 1) * paper_.height - kMargin - kFooterRoom; }

  PaperSize paper_;
  std::string body_;
  int page_ = 0;
  double y_ = kMargin;
};

void DrawKey(Drawing& d, const KeyMap& map, const KeyCard& key, double x, double y, double w) {
  d.Box(x, y, w, kBoxHeight);
  const double inner = w - 2 * kBoxPadding;
  d.Text(x + kBoxPadding, y + 5.5, kKeyNameSize, key.name);
  const bool none = key.function == kNoFunction;
  const double natural = Width(Characters(key.function), kFunctionSize, !none);
  const double size = std::max(kTextSize, kFunctionSize * std::min(1.0, inner / natural));
  d.Text(x + kBoxPadding, y + 12.5, size, key.function, {.bold = !none, .italic = none});
  if (!key.macro) return;
  std::vector<std::string> lines =
      Wrap(MacroSummary(map.macros[static_cast<std::size_t>(*key.macro)], true), inner, kTextSize,
           false);
  const double line = kTextSize * kLeading;
  const auto fit = static_cast<std::size_t>((kBoxHeight - 18 - 2) / line) + 1;
  if (lines.size() > fit) {
    lines.resize(fit);
    lines.back() += "\u2026";  // the whole text is in the macro's listing below
  }
  for (std::size_t i = 0; i < lines.size(); ++i) {
    d.Text(x + kBoxPadding, y + 18 + static_cast<double>(i) * line, kTextSize, lines[i]);
  }
}

// Who runs the macro: " on M2", " on no key".
std::string RunBy(const KeyMap& map, int prog) {
  for (const KeyCard& key : map.keys) {
    if (key.macro == prog) return " on " + key.name;
  }
  return " on no key";
}

void DrawMacro(Drawing& d, const KeyMap& map, int prog, double width) {
  const MacroCard& macro = map.macros[static_cast<std::size_t>(prog)];
  const std::size_t count = macro.steps.size();
  const std::string heading = macro.name + RunBy(map, prog) + ": " + std::to_string(count) +
                              (count == 1 ? " step, " : " steps, ") + Seconds(macro.tenths) +
                              " in all";
  std::vector<std::string> lines = Wrap(heading, width, kTextSize, true);
  const std::size_t boldLines = lines.size();
  if (macro.typed) {
    for (std::string& l : Wrap(MacroSummary(macro, true), width, kTextSize, false)) {
      lines.push_back(std::move(l));
    }
  }
  const double line = kTextSize * kLeading;
  d.Skip(line / 2);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    // A heading stays with the start of what it heads; a long typed text flows like the steps.
    const std::size_t with = std::min<std::size_t>(lines.size() - i, kKeptLines) + 1;
    const double keep = static_cast<double>(with) * line;
    d.Text(kMargin, d.NextLine(kTextSize, keep), kTextSize, lines[i], {.bold = i < boldLines});
  }
  // Two columns when every step fits in one, else one.
  const double columnWidth = (width - kGap) / 2;
  double widest = 0;
  std::vector<std::string> rows;
  for (const MacroCard::Step& step : macro.steps) {
    rows.push_back(std::to_string(step.number) + ". " + step.text);
    widest = std::max(widest, Width(Characters(rows.back()), kTextSize, false));
  }
  const std::size_t columns = widest <= columnWidth ? 2 : 1;
  for (std::size_t i = 0; i < rows.size(); i += columns) {
    const int page = d.Page();
    double y = d.NextLine(kTextSize);
    if (d.Page() != page) {  // a reader who turns the page sees whose steps go on
      d.Text(kMargin, y, kTextSize, macro.name + ", continued", {.bold = true});
      y = d.NextLine(kTextSize);
    }
    for (std::size_t c = 0; c < columns && i + c < rows.size(); ++c) {
      d.Text(kMargin + static_cast<double>(c) * (columnWidth + kGap), y, kTextSize, rows[i + c]);
    }
  }
}

}  // namespace

std::string Today() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  std::array<char, 16> date{};
  return std::string(date.data(), std::strftime(date.data(), date.size(), "%Y-%m-%d", &local));
}

PaperSize SizeOf(Paper paper) {
  return paper == Paper::kLetter ? PaperSize{215.9, 279.4} : PaperSize{210, 297};
}

std::optional<Paper> PaperNamed(std::string_view name) {
  if (name == "a4") return Paper::kA4;
  if (name == "letter") return Paper::kLetter;
  return std::nullopt;
}

std::string CardSvg(const KeyMap& map, const CardTitle& title, Paper paper) {
  const PaperSize size = SizeOf(paper);
  const double width = size.width - 2 * kMargin;
  Drawing d(size);
  for (const std::string& line : Wrap(title.fileName, width, kTitleSize, true)) {
    d.Text(kMargin, d.NextLine(kTitleSize), kTitleSize, line, {.bold = true});
  }
  d.Text(kMargin, d.NextLine(kKeyNameSize), kKeyNameSize,
         "Keys and macros, " + std::string(title.date));
  d.Skip(kGap);
  const double top = d.Y();
  const double boxWidth = (width - (kColumns - 1) * kGap) / kColumns;
  for (int n = 0; n < kButtonCount; ++n) {
    const double x = kMargin + (n % kColumns) * (boxWidth + kGap);
    const double y = top + (n / kColumns) * (kBoxHeight + kGap);
    DrawKey(d, map, map.keys[static_cast<std::size_t>(n)], x, y, boxWidth);
  }
  d.SetY(top + 2 * kBoxHeight + kGap + 2 * kGap);
  bool any = false;
  for (int p = 0; p < kProgCount; ++p) {
    if (map.macros[static_cast<std::size_t>(p)].steps.empty()) continue;
    if (!any) {
      d.Text(kMargin, d.NextLine(kHeadingSize), kHeadingSize, "Macros", {.bold = true});
      d.Rule(kMargin, d.Y() - 0.5, width);
    }
    any = true;
    DrawMacro(d, map, p, width);
  }
  if (!any) d.Text(kMargin, d.NextLine(kTextSize), kTextSize, "No macro has a step.");
  return d.Document(title.fileName);
}

}  // namespace vorlane::card
