// The one-line text of a macro step, as the step list shows it.
#pragma once

#include <string>
#include <string_view>

#include "image/image_bytes.h"

namespace vorlane {

// Modifier name, "-", the delay in seconds in its shortest decimal form, "s-", then the six key
// names joined by "-": 01 05 00 00 00 00 00 04 reads "LCtr-0.5s-0x0-0x0-0x0-0x0-0x0-A".
// `decimalSeparator` comes from the user's number settings.
std::string StepText(const MacroStep& step, std::string_view decimalSeparator = ".");

}  // namespace vorlane
