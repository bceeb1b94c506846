// The editing state the three windows share. One instance is made at start-up and handed to
// every window, so a test can make a fresh one.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "files/file_result.h"
#include "image/image_bytes.h"

namespace vorlane {

struct Module1 {
  // The whole image file as last read or successfully written; empty before the first load.
  ImageBytes ConfigImage;
  // The file in force: the path last loaded successfully. Load, Save and Save Set use it.
  std::string FileName;
  std::int16_t ProgIndex = 0;                     // macro shown and edited, 0..7
  std::int16_t ItemNum = 0;                       // step edited, 0..99
  MacroStep StepBuffer{};                         // working copy of that step
  std::array<ProgBlock, kProgCount> ProgSteps{};  // mirrors of the eight macro blocks
  // The file as the editor last read or wrote it, so a save can tell a change made elsewhere.
  FileStamp OnDisk;
};

// A file counts as chosen when its name is longer than one character.
bool HasChosenFile(const Module1& state);

// Copies the whole macro area of ConfigImage into ProgSteps.
void RefreshProgSteps(Module1& state);

// StepBuffer = step ItemNum of macro ProgIndex, read from the mirrors.
void LoadStep(Module1& state);

// Writes StepBuffer into ConfigImage at step ItemNum of macro ProgIndex. Returns the 8 bytes it
// replaced so that a failed save can put them back with PutStep.
MacroStep StoreStep(Module1& state);

}  // namespace vorlane
