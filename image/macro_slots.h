// The steps of the image's eight macro blocks, read and written by their place, and the bytes of
// one step.
#pragma once

#include <cstdint>

#include "image/image_bytes.h"

namespace vorlane {

MacroStep GetStep(const ImageBytes& image, int prog, int step);
void PutStep(ImageBytes& image, int prog, int step, const MacroStep& bytes);
MacroStep StepOfProg(const ProgBlock& block, int step);

// Six-key queue: the oldest key (byte 2) drops out, the others move down, `code` goes to byte 7.
void PushKey(MacroStep& step, std::uint8_t code);

// Modifier "None", delay 0, no keys.
void ClearStep(MacroStep& step);

}  // namespace vorlane
