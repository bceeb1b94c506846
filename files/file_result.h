// What a file operation reports, and what a writer remembers of a file it read or wrote.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vorlane {

// The facts of a failure, not its wording: each program words them once, in its own voice.
struct FileResult {
  enum class Kind {
    Ok,
    TooShort,     // readable, but shorter than the reader accepts
    TooLarge,     // larger than the reader accepts (`length` bytes); nothing was read
    ReadFailed,   // missing, a folder, no permission, an I/O error
    WriteFailed,  // nothing was changed
    WriteTorn,    // failed after the file's own bytes began to change: it may hold the new ones
    Changed,      // another program changed the file since it was read; nothing written
    Removed,      // another program removed the file since it was read; nothing written
  };
  Kind kind = Kind::Ok;
  std::string path;
  std::string reason;         // the system's words for what went wrong
  std::uintmax_t length = 0;  // bytes in the file, for TooShort and TooLarge

  bool ok() const { return kind == Kind::Ok; }

  static FileResult Success(const std::string& path);
  static FileResult Failure(Kind kind, const std::string& path, int error);
  static FileResult Failure(Kind kind, const std::string& path, std::string reason);
};

// A file as a writer last read or wrote it: what tells a change cheaply (device, inode, size,
// modification time) and what proves one (the bytes). Empty until the file has been read.
struct FileStamp {
  bool known = false;
  dev_t device = 0;
  ino_t inode = 0;
  std::uintmax_t size = 0;
  std::int64_t mtimeNs = 0;
  std::int64_t takenNs = 0;  // when the stamp was taken, to tell a racy time from a safe one
  std::vector<std::uint8_t> bytes;
};

}  // namespace vorlane
