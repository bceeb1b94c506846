// Numbers as people write them: delays in tenths of a second, and step numbers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vorlane::text {

// Tenths of a second, exact and as short as can be: 0 "0", 5 "0.5", 30 "3", 255 "25.5".
std::string TenthsText(unsigned tenths, std::string_view decimalSeparator = ".");

// Tenths of a second from "0.1", "1", "1.0" or "25.5", with or without a trailing "s"; none for
// anything else, or above 25.5 s (what one byte holds).
std::optional<std::uint8_t> ParseSeconds(std::string_view text);

// A whole number from 1 to `max` written in decimal digits, like "7"; none for anything else.
std::optional<int> ParseCount(std::string_view text, int max);

}  // namespace vorlane::text
