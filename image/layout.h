// Where things live in a device image. Every offset is a 0-based byte index into the file.
#pragma once

#include <array>
#include <cstddef>

namespace vorlane {

inline constexpr int kButtonCount = 8;

// Offset of the function byte of M1..M8, in button order (index 0 is M1).
inline constexpr std::array<std::size_t, kButtonCount> ButtonOffsets = {20873, 20865, 20857, 20809,
                                                                        20874, 20866, 20858, 20810};

inline constexpr int kProgCount = 8;                  // macros Prog1..Prog8
inline constexpr std::size_t MacroAreaStart = 21404;  // byte 0 of step 0 of Prog1
inline constexpr std::size_t ProgAreaSize = 800;      // bytes per macro block
inline constexpr std::size_t MacroStepSize = 8;       // bytes per step
inline constexpr int StepsPerProg = 100;

inline constexpr std::size_t kMacroAreaSize = ProgAreaSize * kProgCount;

// An image must hold the whole macro area; 27804.
inline constexpr std::size_t kMinImageSize = MacroAreaStart + kMacroAreaSize;

// Bytes within a macro step.
inline constexpr std::size_t kStepModifierByte = 0;
inline constexpr std::size_t kStepDelayByte = 1;
inline constexpr std::size_t kStepFirstKeyByte = 2;  // oldest key
inline constexpr std::size_t kStepLastKeyByte = 7;   // most recent key

// Offset of byte 0 of step `step` of macro `prog`.
constexpr std::size_t StepOffset(int prog, int step) {
  return MacroAreaStart + ProgAreaSize * static_cast<std::size_t>(prog) +
         MacroStepSize * static_cast<std::size_t>(step);
}

static_assert(kMinImageSize == 27804);
static_assert(StepOffset(kProgCount - 1, StepsPerProg - 1) + MacroStepSize == kMinImageSize);
static_assert(ProgAreaSize == MacroStepSize * StepsPerProg);

}  // namespace vorlane
