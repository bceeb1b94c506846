// What a write changed, in a few words, from the image's tables: "M1, M5; Prog3 steps 12-14".
#pragma once

#include <string>

#include "image/image_bytes.h"

namespace vorlane::history {

// The keys, the steps of each macro and the count of other bytes that differ between `before`
// and `after`, parts separated by "; "; "nothing" when they are equal.
std::string ChangedParts(const ImageBytes& before, const ImageBytes& after);

}  // namespace vorlane::history
