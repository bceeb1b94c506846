// The editing state the three windows share. One instance is made at start-up and handed to
// every window, so a test can make a fresh one.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "image/layout.h"

namespace vorlane {

using ImageBytes = std::vector<std::uint8_t>;
using MacroStep = std::array<std::uint8_t, MacroStepSize>;
using ProgBlock = std::array<std::uint8_t, ProgAreaSize>;

struct Module1 {
  // The whole image file as last read or successfully written; empty before the first load.
  ImageBytes ConfigImage;
  // The file in force: the path last loaded successfully. Load, Save and Save Set use it.
  std::string FileName;
  std::int16_t ProgIndex = 0;                     // macro shown and edited, 0..7
  std::int16_t ItemNum = 0;                       // step edited, 0..99
  MacroStep StepBuffer{};                         // working copy of that step
  std::array<ProgBlock, kProgCount> ProgSteps{};  // mirrors of the eight macro blocks
};

// A file counts as chosen when its name is longer than one character.
bool HasChosenFile(const Module1& state);

// True when `image` is long enough to be a device image: it holds the whole macro area.
inline bool HoldsImage(const ImageBytes& image) { return image.size() >= kMinImageSize; }

// For operations that address the image by fixed offsets: a shorter image is a programming error
// (every load refuses one), so it throws rather than touch memory outside the image.
void RequireImage(const ImageBytes& image);

}  // namespace vorlane
