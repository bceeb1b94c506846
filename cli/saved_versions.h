// The history of an image as the history and restore commands read it.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "history/store.h"
#include "image/image_bytes.h"

namespace vorlane::cli {

struct SavedVersions {
  std::vector<history::Entry> entries;  // newest first
  ImageBytes now;                       // the image as it is; empty when it cannot be read
};

// The entries of `image`, a warning line for each file skipped; none, after a message, when the
// image has no history.
std::optional<SavedVersions> ReadSavedVersions(const std::string& image, std::ostream& err);

// Entry `number` (1 = newest) of `saved`, or none after a message.
const history::Entry* SavedVersion(const SavedVersions& saved, const std::string& image, int number,
                                   std::ostream& err);

}  // namespace vorlane::cli
