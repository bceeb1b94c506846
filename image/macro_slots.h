// The eight macro blocks of the image and the working copy of the step being edited.
#pragma once

#include <cstdint>

#include "image/module1.h"

namespace vorlane {

// Copies the whole macro area of ConfigImage into ProgSteps.
void RefreshProgSteps(Module1& state);

// StepBuffer = step ItemNum of macro ProgIndex, read from the mirrors.
void LoadStep(Module1& state);

// Writes StepBuffer into ConfigImage at step ItemNum of macro ProgIndex. Returns the 8 bytes it
// replaced so that a failed save can put them back with PutStep.
MacroStep StoreStep(Module1& state);

MacroStep GetStep(const ImageBytes& image, int prog, int step);
void PutStep(ImageBytes& image, int prog, int step, const MacroStep& bytes);
MacroStep StepOfProg(const ProgBlock& block, int step);

// Six-key queue: the oldest key (byte 2) drops out, the others move down, `code` goes to byte 7.
void PushKey(MacroStep& step, std::uint8_t code);

// Modifier "None", delay 0, no keys.
void ClearStep(MacroStep& step);

}  // namespace vorlane
