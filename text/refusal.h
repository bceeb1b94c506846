// Why something a user asked for was not done, in words for the user: none when it was done.
// A function that can fail and makes something returns it in a struct beside a `Refusal error`;
// one that makes nothing returns the Refusal alone (docs/development.md, "House rules").
#pragma once

#include <optional>
#include <string>

namespace vorlane {

using Refusal = std::optional<std::string>;

}  // namespace vorlane
