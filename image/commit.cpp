#include "image/commit.h"

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

CommitOutcome Outcome(CommitOutcome::Status status, FileResult file) {
  CommitOutcome o;
  o.status = status;
  o.file = std::move(file);
  return o;
}

// The bytes the write replaces, once the file is known to be what the writer read; none when
// there is nothing to keep (an Overwrite of a file that cannot be read).
struct DiskCheck {
  CommitOutcome::Status status = CommitOutcome::Status::Written;
  std::optional<ImageBytes> before;
};

DiskCheck CheckDisk(const std::string& path, const FileStamp& read) {
  DiskCheck check;
  if (!read.known) {
    FileStamp now;
    if (ReadWholeFile(path, now).ok()) check.before = std::move(now.bytes);
    return check;
  }
  switch (CompareWithDisk(path, read)) {
    case DiskState::Changed:
      check.status = CommitOutcome::Status::Changed;
      break;
    case DiskState::Removed:
      check.status = CommitOutcome::Status::Removed;
      break;
    case DiskState::Same:
      check.before = read.bytes;
      break;
  }
  return check;
}

}  // namespace

WriteHistory& NoHistory() {
  static Nothing nothing;
  return nothing;
}

CommitOutcome CommitIfUnchanged(const std::string& path, const FileStamp& read,
                                const ImageBytes& after, const ImageChange& change,
                                WriteHistory& history, const FileLock* held) {
  FileLock lock;
  if (held == nullptr) {
    FileResult locking;
    lock = FileLock::Take(path, locking);
    if (!locking.ok()) return Outcome(CommitOutcome::Status::Failed, std::move(locking));
  }
  // Our writers wait for the lock; a program that does not lock is caught here.
  DiskCheck check = CheckDisk(path, read);
  if (check.status != CommitOutcome::Status::Written) {
    return Outcome(check.status, FileResult::Success(path));
  }
  std::string warning;
  if (check.before && *check.before != after) warning = history.Keep(path, *check.before, change);
  CommitOutcome outcome = Outcome(CommitOutcome::Status::Written, {});
  outcome.file = WriteImageFile(path, after, &outcome.written);
  if (!outcome.file.ok()) {
    if (check.before && *check.before != after && warning.empty()) history.Withdraw(path);
    outcome.status = CommitOutcome::Status::Failed;
    return outcome;
  }
  outcome.historyWarning = std::move(warning);
  return outcome;
}

}  // namespace vorlane
