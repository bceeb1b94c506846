#include "text/quote.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <utility>

#include "text/hex.h"
#include "text/utf8.h"

namespace vorlane::text {

namespace {

// Code points shown escaped: controls, spaces other than U+0020, invisible marks (zero widths,
// soft hyphen, word joiner, byte-order mark) and the bidirectional marks, embeddings, overrides
// and isolates, which reorder the text around them.
constexpr auto kEscaped = std::to_array<std::pair<char32_t, char32_t>>({
    {0x0000, 0x001F},
    {0x007F, 0x00A0},
    {0x00AD, 0x00AD},
    {0x034F, 0x034F},
    {0x061C, 0x061C},
    {0x115F, 0x1160},
    {0x1680, 0x1680},
    {0x180E, 0x180E},
    {0x2000, 0x200F},
    {0x2028, 0x202F},
    {0x205F, 0x206F},
    {0x3000, 0x3000},
    {0x3164, 0x3164},
    {0xFE00, 0xFE0F},
    {0xFEFF, 0xFEFF},
    {0xFFA0, 0xFFA0},
    {0xFFF0, 0xFFFB},
});

bool Escaped(char32_t point) {
  return std::any_of(kEscaped.begin(), kEscaped.end(), [point](const auto& range) {
    return point >= range.first && point <= range.second;
  });
}

// Calls `escape` for each character that must be escaped, `plain` for each run that need not.
template <typename Plain, typename Escape>
void Scan(std::string_view text, Plain plain, Escape escape) {
  std::size_t run = 0;
  for (std::size_t at = 0; at < text.size();) {
    // Printable ASCII but the quote and the backslash is never escaped: most text, and no
    // decoding needed.
    if (const auto byte = static_cast<unsigned char>(text[at]);
        byte >= 0x20 && byte < 0x7F && byte != '"' && byte != '\\') {
      ++at;
      continue;
    }
    char32_t point = 0;
    std::size_t length = DecodeUtf8(text.substr(at), point);
    const bool valid = length != 0;
    if (!valid) length = 1;
    if (!valid || point == '"' || point == '\\' || Escaped(point)) {
      plain(text.substr(run, at - run));
      escape(text.substr(at, length), valid ? point : char32_t{0}, valid);
      run = at + length;
    }
    at += length;
  }
  plain(text.substr(run));
}

}  // namespace

std::string Quoted(std::string_view text) {
  std::string quoted;
  quoted.reserve(text.size() + 2);
  quoted += '"';
  Scan(
      text, [&](std::string_view run) { quoted += run; },
      [&](std::string_view bytes, char32_t point, bool valid) {
        constexpr std::size_t kEscapeDigits = 4;
        if (!valid) {
          quoted += "\\x" + HexDigits(static_cast<unsigned char>(bytes[0]), 2);
        } else if (point == '"' || point == '\\') {
          quoted += '\\';
          quoted += static_cast<char>(point);
        } else if (point == '\n') {
          quoted += "\\n";
        } else if (point == '\t') {
          quoted += "\\t";
        } else {
          quoted += "\\u" + HexDigits(point, kEscapeDigits);
        }
      });
  return quoted + "\"";
}

std::string Shown(std::string_view text) {
  bool plain = true;
  Scan(
      text, [](std::string_view) {},
      [&](std::string_view, char32_t point, bool valid) {
        if (!valid || point != '\\') plain = false;
      });
  return plain ? std::string(text) : Quoted(text);
}

}  // namespace vorlane::text
