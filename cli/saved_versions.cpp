#include "cli/saved_versions.h"

#include "cli/io.h"
#include "image/image_file.h"
#include "text/quote.h"

namespace vorlane::cli {

std::optional<SavedVersions> ReadSavedVersions(const std::string& image, std::ostream& err) {
  const history::Store store;
  std::vector<std::string> warnings;
  SavedVersions saved{store.List(image, warnings), {}};
  for (const std::string& warning : warnings) Complain(err, "warning: " + warning);
  if (saved.entries.empty()) {
    Complain(err,
             "no history of " + text::Shown(image) + " (kept in " + store.FolderOf(image) + ")");
    return std::nullopt;
  }
  if (!ReadImageFile(image, saved.now).ok()) saved.now.clear();
  return saved;
}

const history::Entry* SavedVersion(const SavedVersions& saved, const std::string& image, int number,
                                   std::ostream& err) {
  if (number < 1 || static_cast<std::size_t>(number) > saved.entries.size()) {
    Complain(err, "no version " + std::to_string(number) + " of " + text::Shown(image) +
                      ": 'vorlanectl history' lists versions 1 to " +
                      std::to_string(saved.entries.size()));
    return nullptr;
  }
  return &saved.entries[static_cast<std::size_t>(number) - 1];
}

}  // namespace vorlane::cli
