#include "ui/step_list/step_text.h"

#include "vocabulary/key_tables.h"

namespace vorlane {

namespace {

// Tenths of a second; exact, so 30 reads "3" and 255 reads "25.5".
std::string DelayText(unsigned tenths, std::string_view decimalSeparator) {
  std::string text = std::to_string(tenths / 10);
  if (tenths % 10 != 0) {
    text += decimalSeparator;
    text += std::to_string(tenths % 10);
  }
  return text;
}

}  // namespace

std::string StepText(const MacroStep& step, std::string_view decimalSeparator) {
  std::string text = ModifierName(step[kStepModifierByte]);
  text += '-';
  text += DelayText(step[kStepDelayByte], decimalSeparator);
  text += "s-";
  for (std::size_t b = kStepFirstKeyByte; b <= kStepLastKeyByte; ++b) {
    if (b != kStepFirstKeyByte) text += '-';
    text += KeyCodeName(step[b]);
  }
  return text;
}

}  // namespace vorlane
