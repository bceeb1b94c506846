#include "settings/assignments.h"

#include <string_view>

#include "settings/names.h"
#include "text/quote.h"
#include "text/suggest.h"

namespace vorlane::settings {

using text::DidYouMean;
using text::Quoted;

ParsedAssignments ParseAssignments(const std::vector<std::string>& arguments) {
  ParsedAssignments parsed;
  for (const std::string& argument : arguments) {
    const std::size_t equals = argument.find('=');
    if (equals == std::string::npos || equals == 0) {
      parsed.error = Quoted(argument) + " is not KEY=FUNCTION, like M1=\"a A\"";
      parsed.malformed = true;
      return parsed;
    }
    const std::string_view key = std::string_view(argument).substr(0, equals);
    const std::string_view function = std::string_view(argument).substr(equals + 1);
    const std::optional<int> index = KeyIndex(key);
    if (!index) {
      parsed.error =
          "unknown key " + Quoted(key) + ": write M1 to M8" + DidYouMean(key, KeyNames());
      return parsed;
    }
    auto& slot = parsed.settings.keys[static_cast<std::size_t>(*index)];
    if (slot) {
      parsed.error = std::string(key) + " is given twice";
      return parsed;
    }
    const std::optional<std::uint8_t> code = FunctionCode(function);
    if (!code) {
      parsed.error = "unknown function " + Quoted(function) + " for " + std::string(key) +
                     DidYouMeanFunction(function);
      return parsed;
    }
    slot = *code;
  }
  return parsed;
}

}  // namespace vorlane::settings
