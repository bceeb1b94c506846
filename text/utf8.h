// Reading UTF-8 text one character at a time, for messages that name a character.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vorlane::text {

// What editors on Windows put before the text of a file.
inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The length of the UTF-8 sequence at the start of `text` (which must not be empty) and its code
// point; 0 when it is no valid, shortest UTF-8 form of a code point.
std::size_t DecodeUtf8(std::string_view text, char32_t& point);

inline bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// "U+00E9"
std::string CodePointName(char32_t point);

}  // namespace vorlane::text
