#include "card/key_map.h"

#include "image/button_rules.h"
#include "image/macro_slots.h"
#include "settings/names.h"
#include "settings/step_notation.h"
#include "settings/typing.h"

namespace vorlane::card {

namespace {

// The stroke of a step that holds exactly one key, in whichever slot.
std::optional<KeyStroke> SingleKey(const MacroStep& step) {
  std::optional<KeyStroke> stroke;
  for (std::size_t slot = kStepFirstKeyByte; slot <= kStepLastKeyByte; ++slot) {
    if (step[slot] == 0) continue;
    if (stroke) return std::nullopt;
    stroke = KeyStroke{step[kStepModifierByte], step[slot]};
  }
  return stroke;
}

MacroCard ReadMacro(const ImageBytes& image, int prog, const TextReader& reader) {
  MacroCard macro{settings::MacroName(prog), {}, 0, std::nullopt};
  std::vector<KeyStroke> strokes;
  bool keysOnly = true;
  for (int s = 0; s < StepsPerProg; ++s) {
    const MacroStep step = GetStep(image, prog, s);
    macro.tenths += step[kStepDelayByte];
    if (settings::IsZeroStep(step)) continue;
    macro.steps.push_back({s + 1, settings::FormatStep(step)});
    const std::optional<KeyStroke> stroke = SingleKey(step);
    keysOnly = keysOnly && stroke.has_value();
    if (stroke) strokes.push_back(*stroke);
  }
  if (keysOnly && !strokes.empty()) macro.typed = reader(strokes);
  return macro;
}

}  // namespace

TextReader UsTextReader() {
  return [](std::span<const KeyStroke> strokes) -> std::optional<std::string> {
    std::string text;
    for (const KeyStroke& stroke : strokes) {
      const std::optional<char> c = settings::UsCharacter(stroke.modifier, stroke.key);
      if (!c) return std::nullopt;
      text += *c;
    }
    return text;
  };
}

KeyMap ReadKeyMap(const ImageBytes& image, const TextReader& reader) {
  RequireImage(image);
  KeyMap map;
  const ButtonBytes bytes = ReadButtonBytes(image);
  for (int n = 0; n < kButtonCount; ++n) {
    KeyCard& key = map.keys[static_cast<std::size_t>(n)];
    key.name = settings::KeyName(n);
    const std::optional<std::string_view> function =
        settings::FunctionName(bytes[static_cast<std::size_t>(n)]);
    key.function = std::string(function.value_or(kNoFunction));
    if (function) key.macro = settings::MacroIndex(*function);
  }
  for (int p = 0; p < kProgCount; ++p) {
    map.macros[static_cast<std::size_t>(p)] = ReadMacro(image, p, reader);
  }
  return map;
}

std::string Seconds(int tenths) {
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " s";
}

std::string Printable(std::string_view typed, bool breaks) {
  std::string text;
  for (std::size_t i = 0; i < typed.size(); ++i) {
    const char c = typed[i];
    if (c == '\n') {
      text += breaks && i + 1 < typed.size() ? "\u23CE\n" : "\u23CE";
    } else if (c == '\t') {
      text += "\u21E5";
    } else {
      text += c;
    }
  }
  return text;
}

std::string MacroSummary(const MacroCard& macro, bool breaks) {
  if (macro.typed) return "types \"" + Printable(*macro.typed, breaks) + "\"";
  if (macro.steps.empty()) return "no steps";
  const std::size_t count = macro.steps.size();
  return std::to_string(count) + (count == 1 ? " step, " : " steps, ") + Seconds(macro.tenths);
}

}  // namespace vorlane::card
