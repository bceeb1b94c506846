// Reading a file whole, and replacing it whole. Every program of the house writes its files
// through ReplaceFile, so one set of rules holds for all of them:
// - A path that names an open descriptor (/dev/stdout, /dev/fd/N, /proc/self/fd/N) is written
//   through that descriptor, as a shell redirect would.
// - Symbolic links are followed, a dangling one too: its target is created.
// - Something that is no regular file (a FIFO, a terminal, /dev/null) is opened and written,
//   never replaced.
// - A file without write permission is refused, even for root: read-only means "do not change".
// - With SameBytes::Keep, a file that already holds exactly the bytes is left alone (same inode,
//   same time); the editor's saves always write, as a user who presses Save expects.
// - Otherwise a temporary file in the same folder is written, flushed, given the file's mode,
//   owner and extended attributes (ACLs among them), and renamed over the file, so a crash or a
//   failure at any point leaves the old file or the new one, never a mix.
// - The file is rewritten in place instead, room claimed first, when a rename would lose
//   something: the file has more than one name (hard links), or its owner or group cannot be
//   given to a new file (a file another user owns and lets us write), or the folder takes no new
//   file. A crash in the middle of such a write can leave a torn file; a failure to get the room
//   (a full disk) still leaves the file as it was.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "files/file_result.h"

namespace vorlane {

// Reads the regular file at `path` whole into `read.bytes` and stamps it; a failure leaves
// `read` as it was. A FIFO cannot hang the reader: anything but a regular file is refused.
FileResult ReadWholeFile(const std::string& path, FileStamp& read);

// Replaces the file at `path` by `bytes` under the rules above. `written`, when given, is set to
// the file as written (only for a regular file).
enum class SameBytes { Rewrite, Keep };
FileResult ReplaceFile(const std::string& path, std::span<const std::uint8_t> bytes,
                       FileStamp* written = nullptr, SameBytes same = SameBytes::Rewrite);

// How the file at `path` stands against what was last read or written of it. A file touched or
// replaced but holding the same bytes is the Same.
enum class DiskState { Same, Changed, Removed };
DiskState CompareWithDisk(const std::string& path, const FileStamp& stamp);

// The descriptor a path such as /dev/stdout, /dev/fd/3 or /proc/self/fd/3 names, if it is one.
std::optional<int> NamedDescriptor(const std::string& path);

}  // namespace vorlane
