#include "text/utf8.h"

#include "text/hex.h"

namespace vorlane::text {

std::size_t DecodeUtf8(std::string_view text, char32_t& point) {
  const auto lead = static_cast<unsigned char>(text[0]);
  std::size_t length = 0;
  char32_t minimum = 0;
  if (lead < 0x80) {
    point = lead;
    return 1;
  }
  if ((lead & 0xE0) == 0xC0) {
    length = 2, point = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, point = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, point = lead & 0x07, minimum = 0x10000;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[i]);
    if ((next & 0xC0) != 0x80) return 0;
    point = (point << 6) | (next & 0x3F);
  }
  constexpr char32_t kLastCodePoint = 0x10FFFF;
  constexpr char32_t kFirstSurrogate = 0xD800;
  constexpr char32_t kLastSurrogate = 0xDFFF;
  if (point < minimum || point > kLastCodePoint ||
      (point >= kFirstSurrogate && point <= kLastSurrogate)) {
    return 0;
  }
  return length;
}

std::string CodePointName(char32_t point) {
  constexpr std::size_t kMinDigits = 4;
  return "U+" + HexDigits(point, kMinDigits);
}

}  // namespace vorlane::text
