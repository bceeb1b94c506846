// Reading a file whole, and replacing it whole. Every program of the house writes its files
// through ReplaceFile, so one set of rules holds for all of them:
// - A path that names an open descriptor (/dev/stdout, /dev/fd/N, /proc/self/fd/N, or a link to
//   one) is written through that descriptor, as a shell redirect would, when the caller writes a
//   stream (Descriptors::WriteThrough). A file that is read and changed (Descriptors::Replace) is
//   replaced whole under the file's own name instead, as any path is; a descriptor that names no
//   file (a pipe, a terminal) is refused.
// - Symbolic links are followed, a dangling one too: its target is created.
// - Something that is no regular file (a FIFO, a terminal, /dev/null) is opened and written,
//   never replaced.
// - A file without write permission is refused, even for root: read-only means "do not change".
// - With SameBytes::Keep, a file that already holds exactly the bytes is left alone (same inode,
//   same time); the editor's saves always write, as a user who presses Save expects.
// - Otherwise a temporary file is made in the same folder (unnamed where the file system allows),
//   written, flushed, given the file's mode, owner, access ACL (or none) and other extended
//   attributes, and renamed over the file, then the folder is flushed: a crash or a failure at
//   any point leaves the old file or the new one, never a mix, and no temporary file.
// - The file is rewritten in place instead, room claimed first without changing its size, when a
//   rename would lose something: the file has more than one name (hard links), or its owner or
//   group cannot be given to a new file (a file another user owns and lets us write), or the
//   folder takes no new file. A failure before the first byte leaves the file as it was; one
//   after it is a WriteTorn: the file may hold the new bytes, or part of them.
// - `check`, when given, runs once everything is ready, right before the rename (or the first
//   byte in place): a failure it returns is returned as it is, and nothing is written.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "files/file_result.h"

namespace vorlane {

// Reads the regular file at `path` whole into `read.bytes` and stamps it; a failure leaves
// `read` as it was. A FIFO cannot hang the reader: anything but a regular file is refused. A file
// of more than `maxBytes` is refused (TooLarge) before a byte of it is read.
FileResult ReadWholeFile(const std::string& path, FileStamp& read,
                         std::uintmax_t maxBytes = UINTMAX_MAX);

// Reads descriptor `fd` to its end into `out`, giving up past `maxBytes` (EFBIG). 0 or the error.
int ReadToEnd(int fd, std::string& out, std::size_t maxBytes);

enum class SameBytes { Rewrite, Keep };
enum class Descriptors { Replace, WriteThrough };
struct ReplaceOptions {
  FileStamp* written = nullptr;  // when given, set to the file as written (a regular file only)
  SameBytes same = SameBytes::Rewrite;
  Descriptors descriptors = Descriptors::Replace;
  std::function<FileResult()> check;
};

// Replaces the file at `path` by `bytes` under the rules above.
FileResult ReplaceFile(const std::string& path, std::span<const std::uint8_t> bytes,
                       const ReplaceOptions& options = {});

// Whether the file at `path` is still what `stamp` saw: Ok (a file touched or replaced but
// holding the same bytes too), Changed, Removed, or ReadFailed when it cannot be read to tell.
FileResult CheckUnchanged(const std::string& path, const FileStamp& stamp);

// How the file at `path` stands against what was last read or written of it (CheckUnchanged,
// with a file that cannot be read counted as Changed).
enum class DiskState { Same, Changed, Removed };
DiskState CompareWithDisk(const std::string& path, const FileStamp& stamp);

// The descriptor a path such as /dev/stdout, /dev/fd/3 or /proc/self/fd/3 names, if it is one,
// through any symbolic links to it.
std::optional<int> NamedDescriptor(const std::string& path);

// Makes SIGINT, SIGTERM and SIGHUP during a save remove its temporary file before the program
// ends as the signal would end it, and lets a file-size limit fail a write (EFBIG) rather than
// end the program. For a program's main, once.
void CleanUpSavesOnSignals();

}  // namespace vorlane
