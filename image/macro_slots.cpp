#include "image/macro_slots.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace vorlane {

namespace {

void CheckStepAddress(const ImageBytes& image, int prog, int step) {
  if (prog < 0 || prog >= kProgCount || step < 0 || step >= StepsPerProg) {
    throw std::out_of_range("no macro step " + std::to_string(prog) + "/" + std::to_string(step));
  }
  RequireImage(image);
}

}  // namespace

MacroStep StepOfProg(const ProgBlock& block, int step) {
  if (step < 0 || step >= StepsPerProg) throw std::out_of_range("no macro step");
  MacroStep bytes{};
  std::copy_n(
      block.begin() + static_cast<std::ptrdiff_t>(MacroStepSize * static_cast<std::size_t>(step)),
      MacroStepSize, bytes.begin());
  return bytes;
}

MacroStep GetStep(const ImageBytes& image, int prog, int step) {
  CheckStepAddress(image, prog, step);
  MacroStep bytes{};
  std::copy_n(image.begin() + static_cast<std::ptrdiff_t>(StepOffset(prog, step)), MacroStepSize,
              bytes.begin());
  return bytes;
}

void PutStep(ImageBytes& image, int prog, int step, const MacroStep& bytes) {
  CheckStepAddress(image, prog, step);
  std::copy(bytes.begin(), bytes.end(),
            image.begin() + static_cast<std::ptrdiff_t>(StepOffset(prog, step)));
}

void PushKey(MacroStep& step, std::uint8_t code) {
  for (std::size_t b = kStepFirstKeyByte; b < kStepLastKeyByte; ++b) step[b] = step[b + 1];
  step[kStepLastKeyByte] = code;
}

void ClearStep(MacroStep& step) { step.fill(0); }

}  // namespace vorlane
