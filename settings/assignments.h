// The KEY=FUNCTION arguments of the `set` command.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "settings/settings_file.h"
#include "text/refusal.h"

namespace vorlane::settings {

struct ParsedAssignments {
  Settings settings;  // the keys assigned; no macros
  Refusal error;
  bool malformed = false;  // the error is in the form of an argument (no "="), not in a name
};

// Reads "M1=a A", "M5=Prog2", ...: a key M1..M8, "=", a function name as the key lists show it.
// A key may be given once.
ParsedAssignments ParseAssignments(const std::vector<std::string>& arguments);

}  // namespace vorlane::settings
