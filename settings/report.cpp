#include "settings/report.h"

#include <algorithm>
#include <optional>

#include "image/button_rules.h"
#include "image/layout.h"
#include "image/macro_slots.h"
#include "settings/names.h"
#include "settings/step_notation.h"
#include "text/hex.h"
#include "text/quote.h"

namespace vorlane::settings {

using text::HexByte;
using text::Quoted;

namespace {

// A key's function in quotes, or its byte when that names none.
std::string KeyValue(std::uint8_t code) {
  const std::optional<std::string_view> name = FunctionName(code);
  return name ? Quoted(*name) : HexByte(code);
}

bool IsSettingsByte(std::size_t offset) {
  const bool key =
      std::find(ButtonOffsets.begin(), ButtonOffsets.end(), offset) != ButtonOffsets.end();
  return key || (offset >= MacroAreaStart && offset < kMinImageSize);
}

}  // namespace

std::string ShowText(const ImageBytes& image) {
  std::string text;
  const ButtonBytes keys = ReadButtonBytes(image);
  for (int n = 0; n < kButtonCount; ++n) {
    const std::uint8_t code = keys[static_cast<std::size_t>(n)];
    const std::optional<std::string_view> name = FunctionName(code);
    text += KeyName(n) + ": " +
            (name ? std::string(*name) : "no function (byte " + HexByte(code) + ")") + "\n";
  }
  text += "\n";
  for (int p = 0; p < kProgCount; ++p) {
    text += MacroName(p) + ":";
    std::string steps;
    for (int s = 0; s < StepsPerProg; ++s) {
      const MacroStep step = GetStep(image, p, s);
      if (IsZeroStep(step)) continue;
      constexpr std::size_t kNumberWidth = 5;
      std::string number = std::to_string(s + 1);
      number.insert(0, kNumberWidth - number.size(), ' ');
      steps += number + "  " + FormatStep(step) + "\n";
    }
    text += steps.empty() ? " every step zero\n" : "\n" + steps;
  }
  return text;
}

std::string ShowJson(const ImageBytes& image) {
  std::string json = "{\n  \"keys\": {\n";
  const ButtonBytes keys = ReadButtonBytes(image);
  for (int n = 0; n < kButtonCount; ++n) {
    const std::uint8_t code = keys[static_cast<std::size_t>(n)];
    const std::optional<std::string_view> name = FunctionName(code);
    json += "    " + Quoted(KeyName(n)) + ": {\"function\": " + (name ? Quoted(*name) : "null") +
            ", \"code\": " + std::to_string(code) + "}" + (n + 1 < kButtonCount ? "," : "") + "\n";
  }
  json += "  },\n  \"macros\": {\n";
  for (int p = 0; p < kProgCount; ++p) {
    std::vector<std::string> steps;
    for (int s = 0; s < StepsPerProg; ++s) {
      const MacroStep step = GetStep(image, p, s);
      if (IsZeroStep(step)) continue;
      std::string bytes;
      for (const std::uint8_t b : step) bytes += (bytes.empty() ? "" : ", ") + std::to_string(b);
      steps.push_back("      {\"step\": " + std::to_string(s + 1) +
                      ", \"text\": " + Quoted(FormatStep(step)) + ", \"bytes\": [" + bytes + "]}");
    }
    json += "    " + Quoted(MacroName(p)) + ": [";
    for (std::size_t i = 0; i < steps.size(); ++i) {
      json += (i == 0 ? "\n" : ",\n") + steps[i];
    }
    json += steps.empty() ? "]" : "\n    ]";
    json += p + 1 < kProgCount ? ",\n" : "\n";
  }
  json += "  }\n}\n";
  return json;
}

ImageDiff DiffImages(const ImageBytes& a, const ImageBytes& b) {
  ImageDiff diff;
  diff.lengthA = a.size();
  diff.lengthB = b.size();
  const ButtonBytes keysA = ReadButtonBytes(a);
  const ButtonBytes keysB = ReadButtonBytes(b);
  for (std::size_t n = 0; n < keysA.size(); ++n) {
    if (keysA[n] != keysB[n]) {
      diff.changes.push_back(KeyName(static_cast<int>(n)) + ": " + KeyValue(keysA[n]) + " -> " +
                             KeyValue(keysB[n]));
    }
  }
  for (int p = 0; p < kProgCount; ++p) {
    for (int s = 0; s < StepsPerProg; ++s) {
      const MacroStep stepA = GetStep(a, p, s);
      const MacroStep stepB = GetStep(b, p, s);
      if (stepA == stepB) continue;
      diff.changes.push_back(MacroName(p) + " step " + std::to_string(s + 1) + ": " +
                             Quoted(FormatStep(stepA)) + " -> " + Quoted(FormatStep(stepB)));
    }
  }
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    if (a[i] != b[i] && !IsSettingsByte(i)) ++diff.otherBytes;
  }
  diff.otherBytes += std::max(a.size(), b.size()) - common;
  return diff;
}

std::string DiffText(const ImageDiff& diff) {
  std::string text;
  for (const std::string& line : diff.changes) text += line + "\n";
  if (diff.otherBytes > 0) {
    text += std::to_string(diff.otherBytes) +
            (diff.otherBytes == 1 ? " other byte differs" : " other bytes differ");
    if (diff.lengthA != diff.lengthB) {
      text += " (the images are " + std::to_string(diff.lengthA) + " and " +
              std::to_string(diff.lengthB) + " bytes long)";
    }
    text += "\n";
  }
  return text;
}

}  // namespace vorlane::settings
