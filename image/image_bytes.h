// The image as bytes, and the small helpers every reader of an image needs.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "image/layout.h"

namespace vorlane {

using ImageBytes = std::vector<std::uint8_t>;
using MacroStep = std::array<std::uint8_t, MacroStepSize>;
using ProgBlock = std::array<std::uint8_t, ProgAreaSize>;

// True when `image` is long enough to be a device image: it holds the whole macro area.
inline bool HoldsImage(const ImageBytes& image) { return image.size() >= kMinImageSize; }

// For operations that address the image by fixed offsets: a shorter image is a programming error
// (every load refuses one), so it throws rather than touch memory outside the image.
void RequireImage(const ImageBytes& image);

}  // namespace vorlane
