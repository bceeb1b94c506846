#include "ui/step_list/step_text.h"

#include "text/numbers.h"
#include "vocabulary/key_tables.h"

namespace vorlane {

std::string StepText(const MacroStep& step, std::string_view decimalSeparator) {
  std::string text = ModifierName(step[kStepModifierByte]);
  text += '-';
  text += text::TenthsText(step[kStepDelayByte], decimalSeparator);
  text += "s-";
  for (std::size_t b = kStepFirstKeyByte; b <= kStepLastKeyByte; ++b) {
    if (b != kStepFirstKeyByte) text += '-';
    text += KeyCodeName(step[b]);
  }
  return text;
}

}  // namespace vorlane
