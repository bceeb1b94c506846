// The editor's rules for the eight keys, applied to a change a command would write.
#pragma once

#include <optional>
#include <string>

#include "image/module1.h"

namespace vorlane::settings {

// For a change of the image from `before` to `after` (same length, at least kMinImageSize): each
// key given a new byte, M1 first, may not hold the function of another key ("M<n> key can't set
// like M<k> key.", k the lowest); and once any key changes, all eight must hold a function ("M1~M8
// can't set nothing!", naming a key that has none). The message to refuse the change with, or none.
std::optional<std::string> KeyRuleViolation(const ImageBytes& before, const ImageBytes& after);

}  // namespace vorlane::settings
