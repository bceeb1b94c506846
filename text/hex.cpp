#include "text/hex.h"

namespace vorlane::text {

namespace {

constexpr std::string_view kPrefix = "0x";
constexpr std::string_view kDigits = "0123456789ABCDEF";
constexpr unsigned kBase = 16;

}  // namespace

std::string HexDigits(std::uint32_t value, std::size_t width) {
  std::string digits;
  for (std::uint32_t rest = value; rest != 0 || digits.size() < width; rest /= kBase) {
    digits.insert(digits.begin(), kDigits[rest % kBase]);
  }
  return digits;
}

std::string HexByte(std::uint8_t code) { return std::string(kPrefix) + HexDigits(code, 2); }

std::optional<std::uint8_t> ParseHexByte(std::string_view text) {
  if (text.substr(0, kPrefix.size()) != kPrefix) return std::nullopt;
  const std::string_view digits = text.substr(kPrefix.size());
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
    value = value * kBase + digit;
  }
  return static_cast<std::uint8_t>(value);
}

}  // namespace vorlane::text
