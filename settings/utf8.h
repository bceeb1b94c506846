// Reading UTF-8 text one character at a time, for messages that name a character.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vorlane::settings {

// The length of the UTF-8 sequence at the start of `text` (which must not be empty) and its code
// point; 0 when it is no valid, shortest UTF-8 form of a code point.
std::size_t DecodeUtf8(std::string_view text, char32_t& point);

// "U+00E9"
std::string CodePointName(char32_t point);

}  // namespace vorlane::settings
