// The private history of an image: the bytes each of our writes replaced, kept per image under
// $XDG_STATE_HOME/vorlane/history/ (by default ~/.local/state/vorlane/history/). Macros often
// type passwords, so the folders are 0700 and the entries 0600.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/commit.h"

namespace vorlane::history {

// Entries kept per image; older ones are dropped as new ones come.
inline constexpr std::size_t kKeptEntries = 100;

struct Entry {
  std::int64_t timeNs = 0;  // when it was kept, since the epoch
  std::string program;
  std::string words;
  ImageBytes bytes;  // what the image held before that write
};

// $XDG_STATE_HOME/vorlane/history, or ~/.local/state/vorlane/history when that is unset or not
// absolute.
std::string DefaultRoot();

class Store final : public WriteHistory {
 public:
  explicit Store(std::string root = DefaultRoot()) : root_(std::move(root)) {}

  // The folder of the image at `path`: one per real path, so a symlink and its target share one
  // and two files of one name in different folders never mix.
  std::string FolderOf(const std::string& path) const;

  std::string Keep(const std::string& path, const ImageBytes& before,
                   const ImageChange& change) override;
  void Withdraw(const std::string& path) override;

  // The entries of the image at `path`, newest first. A file in its folder that is no whole
  // entry of ours is skipped, with a line in `warnings`.
  std::vector<Entry> List(const std::string& path, std::vector<std::string>& warnings) const;

 private:
  std::string root_;
  std::string lastKept_;  // the entry file Keep made last, for Withdraw
};

}  // namespace vorlane::history
