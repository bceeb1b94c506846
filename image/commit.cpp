#include "image/commit.h"

#include <functional>
#include <optional>
#include <utility>

#include "files/whole_file.h"
#include "image/image_file.h"

namespace vorlane {

namespace {

class Nothing final : public WriteHistory {
 public:
  std::string Keep(const std::string&, const ImageBytes&, const ImageChange&) override {
    return {};
  }
};

std::function<void()>& BeforeCheck() {
  static std::function<void()> hook;
  return hook;
}

CommitOutcome::Status StatusOf(FileResult::Kind kind) {
  switch (kind) {
    case FileResult::Kind::Ok:
      return CommitOutcome::Status::Written;
    case FileResult::Kind::Changed:
      return CommitOutcome::Status::Changed;
    case FileResult::Kind::Removed:
      return CommitOutcome::Status::Removed;
    default:
      return CommitOutcome::Status::Failed;
  }
}

// The bytes the write replaces, once the file is known to be what the writer read; none when
// there is nothing to keep (an Overwrite of a file that cannot be read).
FileResult CheckDisk(const std::string& path, const FileStamp& read,
                     std::optional<ImageBytes>& before) {
  if (!read.known) {
    FileStamp now;
    if (ReadWholeFile(path, now, kMaxImageSize).ok()) before = std::move(now.bytes);
    return FileResult::Success(path);
  }
  FileResult same = CheckUnchanged(path, read);
  if (same.ok()) before = read.bytes;
  return same;
}

}  // namespace

WriteHistory& NoHistory() {
  static Nothing nothing;
  return nothing;
}

void SetBeforeCommitCheckForTesting(std::function<void()> hook) { BeforeCheck() = std::move(hook); }

CommitOutcome CommitIfUnchanged(const std::string& path, const FileStamp& read,
                                const ImageBytes& after, const ImageChange& change,
                                WriteHistory& history, const FileLock* held) {
  CommitOutcome outcome;
  FileLock lock;
  if (held == nullptr) {
    lock = FileLock::Take(path);
    if (!lock.result().ok()) {
      outcome.status = CommitOutcome::Status::Failed;
      outcome.file = lock.result();
      return outcome;
    }
  }
  // Our writers wait for the lock; a program that does not lock is caught by the check, made once
  // the new file is ready, right before it takes the old one's place. Only then is the history
  // entry kept, so that a write refused there keeps none.
  bool kept = false;
  outcome.file = WriteImageFile(path, after, &outcome.written, [&] {
    if (BeforeCheck()) BeforeCheck()();
    std::optional<ImageBytes> before;
    FileResult same = CheckDisk(path, read, before);
    if (same.ok() && before && *before != after) {
      outcome.historyWarning = history.Keep(path, *before, change);
      kept = outcome.historyWarning.empty();
    }
    return same;
  });
  outcome.status = StatusOf(outcome.file.kind);
  if (!outcome.ok()) {
    if (kept) history.Withdraw(path);
    outcome.historyWarning.clear();
  }
  return outcome;
}

}  // namespace vorlane
