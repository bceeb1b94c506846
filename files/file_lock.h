// The advisory lock every writer of ours holds on a file for its read, check and write, so that
// two at once both land, one after the other.
#pragma once

#include <chrono>
#include <string>
#include <utility>

#include "files/fd.h"
#include "files/file_result.h"

namespace vorlane {

// How long a writer waits for another to finish before it gives up.
inline constexpr std::chrono::milliseconds kLockWait{3000};

class FileLock {
 public:
  FileLock() = default;
  // Locks the file `path` names now, waiting at most `wait`; an exclusive flock, released when
  // the object goes. A rename by the holder before us gives the path a new file: then the new
  // file is locked. A missing file, or one we may not open, gets no lock and is no failure
  // (there is nothing to guard yet, and the write reports its own error). Only a lock still
  // held by another after `wait` fails: result() is then a WriteFailed saying so.
  static FileLock Take(const std::string& path, std::chrono::milliseconds wait = kLockWait);
  bool held() const { return fd_.valid(); }
  const FileResult& result() const { return result_; }

 private:
  FileLock(Fd fd, FileResult result) : fd_(std::move(fd)), result_(std::move(result)) {}
  Fd fd_;
  FileResult result_;
};

}  // namespace vorlane
