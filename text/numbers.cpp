#include "text/numbers.h"

#include <algorithm>
#include <cstddef>

namespace vorlane::text {

namespace {

constexpr unsigned kTenthsPerSecond = 10;
constexpr unsigned kMaxTenths = 255;

bool AllDigits(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::string TenthsText(unsigned tenths, std::string_view decimalSeparator) {
  std::string text = std::to_string(tenths / kTenthsPerSecond);
  if (tenths % kTenthsPerSecond != 0) {
    text += decimalSeparator;
    text += std::to_string(tenths % kTenthsPerSecond);
  }
  return text;
}

std::optional<std::uint8_t> ParseSeconds(std::string_view text) {
  if (!text.empty() && text.back() == 's') text.remove_suffix(1);
  const std::size_t point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  const std::string_view fraction =
      point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
  constexpr std::size_t kMaxWholeDigits = 3;
  if (whole.empty() || whole.size() > kMaxWholeDigits || !AllDigits(whole)) return std::nullopt;
  if (point != std::string_view::npos && (fraction.size() != 1 || !AllDigits(fraction))) {
    return std::nullopt;
  }
  unsigned tenths = 0;
  for (const char c : whole) tenths = tenths * 10 + static_cast<unsigned>(c - '0');
  tenths *= kTenthsPerSecond;
  if (!fraction.empty()) tenths += static_cast<unsigned>(fraction[0] - '0');
  if (tenths > kMaxTenths) return std::nullopt;
  return static_cast<std::uint8_t>(tenths);
}

std::optional<int> ParseCount(std::string_view text, int max) {
  const std::size_t maxDigits = std::to_string(max).size();
  if (text.empty() || text.size() > maxDigits || !AllDigits(text)) return std::nullopt;
  int value = 0;
  for (const char c : text) value = value * 10 + (c - '0');
  if (value < 1 || value > max) return std::nullopt;
  return value;
}

}  // namespace vorlane::text
