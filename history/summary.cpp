#include "history/summary.h"

#include <algorithm>
#include <vector>

#include "image/layout.h"

namespace vorlane::history {

namespace {

bool Differs(const ImageBytes& a, const ImageBytes& b, std::size_t at, std::size_t count) {
  for (std::size_t i = at; i < at + count; ++i) {
    if ((i < a.size()) != (i < b.size()) || (i < a.size() && a[i] != b[i])) return true;
  }
  return false;
}

// "12-14, 20" from the 1-based numbers in ascending order.
std::string Ranges(const std::vector<int>& numbers) {
  std::string text;
  for (std::size_t i = 0; i < numbers.size();) {
    std::size_t j = i;
    while (j + 1 < numbers.size() && numbers[j + 1] == numbers[j] + 1) ++j;
    if (!text.empty()) text += ", ";
    text += std::to_string(numbers[i]);
    if (j > i) text += "-" + std::to_string(numbers[j]);
    i = j + 1;
  }
  return text;
}

void Append(std::string& text, const std::string& part) {
  if (!text.empty()) text += "; ";
  text += part;
}

}  // namespace

std::string ChangedParts(const ImageBytes& before, const ImageBytes& after) {
  std::string text;
  std::string keys;
  for (int k = 0; k < kButtonCount; ++k) {
    if (Differs(before, after, ButtonOffsets[static_cast<std::size_t>(k)], 1)) {
      keys += (keys.empty() ? "M" : ", M") + std::to_string(k + 1);
    }
  }
  if (!keys.empty()) Append(text, keys);
  for (int p = 0; p < kProgCount; ++p) {
    std::vector<int> steps;
    for (int s = 0; s < StepsPerProg; ++s) {
      if (Differs(before, after, StepOffset(p, s), MacroStepSize)) steps.push_back(s + 1);
    }
    if (steps.empty()) continue;
    Append(text, "Prog" + std::to_string(p + 1) + (steps.size() == 1 ? " step " : " steps ") +
                     Ranges(steps));
  }
  std::size_t other = 0;
  const std::size_t length = std::max(before.size(), after.size());
  for (std::size_t i = 0; i < length; ++i) {
    const bool key =
        std::find(ButtonOffsets.begin(), ButtonOffsets.end(), i) != ButtonOffsets.end();
    const bool macro = i >= MacroAreaStart && i < kMinImageSize;
    if (!key && !macro && Differs(before, after, i, 1)) ++other;
  }
  if (other > 0)
    Append(text, std::to_string(other) + (other == 1 ? " other byte" : " other bytes"));
  return text.empty() ? "nothing" : text;
}

}  // namespace vorlane::history
