#include "image/module1.h"

#include <algorithm>
#include <cstddef>
#include <stdexcept>

#include "image/macro_slots.h"

namespace vorlane {

bool HasChosenFile(const Module1& state) { return state.FileName.size() > 1; }

void RefreshProgSteps(Module1& state) {
  const ImageBytes& image = state.ConfigImage;
  RequireImage(image);
  for (std::size_t p = 0; p < state.ProgSteps.size(); ++p) {
    const auto first =
        image.begin() + static_cast<std::ptrdiff_t>(StepOffset(static_cast<int>(p), 0));
    std::copy_n(first, ProgAreaSize, state.ProgSteps[p].begin());
  }
}

void LoadStep(Module1& state) {
  if (state.ProgIndex < 0 || state.ProgIndex >= kProgCount) throw std::out_of_range("no macro");
  state.StepBuffer =
      StepOfProg(state.ProgSteps[static_cast<std::size_t>(state.ProgIndex)], state.ItemNum);
}

MacroStep StoreStep(Module1& state) {
  MacroStep before = GetStep(state.ConfigImage, state.ProgIndex, state.ItemNum);
  PutStep(state.ConfigImage, state.ProgIndex, state.ItemNum, state.StepBuffer);
  return before;
}

}  // namespace vorlane
