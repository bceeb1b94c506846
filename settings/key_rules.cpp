#include "settings/key_rules.h"

#include "image/button_rules.h"
#include "settings/names.h"

namespace vorlane::settings {

std::optional<std::string> KeyRuleViolation(const ImageBytes& before, const ImageBytes& after) {
  const ButtonBytes old = ReadButtonBytes(before);
  const ButtonBytes now = ReadButtonBytes(after);
  if (old == now) return std::nullopt;
  for (std::size_t n = 0; n < now.size(); ++n) {
    if (now[n] == old[n] || !FunctionName(now[n])) continue;
    for (std::size_t k = 0; k < now.size(); ++k) {
      if (k != n && now[k] == now[n]) {
        return ClashMessage(static_cast<int>(n + 1), static_cast<int>(k + 1));
      }
    }
  }
  for (std::size_t n = 0; n < now.size(); ++n) {
    if (!FunctionName(now[n])) {
      return std::string(kIncompleteMessage) + " (" + KeyName(static_cast<int>(n)) +
             " has no function)";
    }
  }
  return std::nullopt;
}

}  // namespace vorlane::settings
