// Hexadecimal as every text of the programs writes it: upper-case digits, written by hand so that
// no locale or stream state can change them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vorlane::text {

// The upper-case hex digits of `value`, at least `width` of them: HexDigits(0xE9, 4) "00E9".
std::string HexDigits(std::uint32_t value, std::size_t width);

// A byte in the settings file, `show`, `diff` and messages: "0x" and two digits, "0x03", "0xD7".
std::string HexByte(std::uint8_t code);

// "0x" and one or two hex digits in either case: "0x3", "0xd7", "0xD7".
std::optional<std::uint8_t> ParseHexByte(std::string_view text);

}  // namespace vorlane::text
