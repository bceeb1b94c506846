// The one way our programs replace an image: under the writers' lock, only if the file is still
// what the writer read, and with the bytes it held kept in the image's history first. Each
// program words the outcome its own way.
#pragma once

#include <functional>
#include <string>

#include "files/file_lock.h"
#include "files/file_result.h"
#include "image/image_bytes.h"

namespace vorlane {

// Who wrote and what the write did, in words: ("vorlanectl", "set M1=\"a A\"").
struct ImageChange {
  std::string program;
  std::string words;
};

// Where a write keeps the bytes it replaces. The history itself is a capability of its own
// (history/); the writer only needs this much of it.
class WriteHistory {
 public:
  virtual ~WriteHistory() = default;
  // Keeps `before`, the bytes the image at `path` held, as an entry of that image. Returns an
  // empty string, or the one-line warning to give the user when the entry could not be kept.
  virtual std::string Keep(const std::string& path, const ImageBytes& before,
                           const ImageChange& change) = 0;
  // Takes back the entry Keep just made for `path`: the write it was kept for failed.
  virtual void Withdraw(const std::string& path) { (void)path; }
};

// A history that keeps nothing: for tools and tests that write scratch images.
WriteHistory& NoHistory();

struct CommitOutcome {
  enum class Status {
    Written,
    Changed,  // another program changed or replaced the file since it was read; nothing written
    Removed,  // another program removed it since; nothing written
    Failed,   // the write failed, or another writer held the file too long; nothing written
  };
  Status status = Status::Written;
  FileResult file;             // names the file; the reason for Failed
  FileStamp written;           // the file as written, for Written
  std::string historyWarning;  // set when the write happened but its history entry was not kept

  bool ok() const { return status == Status::Written; }
};

// Writes `after` as the whole image at `path`:
// - under the writers' lock, taken here unless `held` already holds it;
// - only when the file still holds what `read` recorded, looked at right before the file
//   changes (a stamp that is not `known` writes over whatever the file holds: the user said
//   Overwrite);
// - keeping the bytes it replaces in `history` just before, unless they equal `after`. A history
//   that cannot be kept does not stop the write; the outcome carries its warning.
// `file` carries the writer's result: Changed, Removed or a failure's facts, worded by the caller.
CommitOutcome CommitIfUnchanged(const std::string& path, const FileStamp& read,
                                const ImageBytes& after, const ImageChange& change,
                                WriteHistory& history, const FileLock* held = nullptr);

// For tests: runs right before the look at the disk, so that a test can change the file there as
// another program might.
void SetBeforeCommitCheckForTesting(std::function<void()> hook);

}  // namespace vorlane
