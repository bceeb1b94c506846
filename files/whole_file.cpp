#include "files/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

#include "files/fd.h"

namespace vorlane {

namespace fs = std::filesystem;

namespace {

using Bytes = std::span<const std::uint8_t>;

bool WriteAll(int fd, Bytes bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes = bytes.subspan(static_cast<std::size_t>(n));
  }
  return true;
}

// Reads to the end rather than trusting the size: the file may change while we read it. Returns
// 0 or the error; a file too large for memory is ENOMEM, not an exception the caller never sees
// coming.
int ReadAll(int fd, std::size_t expected, std::vector<std::uint8_t>& out) {
  try {
    std::vector<std::uint8_t> bytes(expected + 1);
    std::size_t used = 0;
    for (;;) {
      if (used == bytes.size()) bytes.resize(bytes.size() * 2);
      const ssize_t n = ::read(fd, bytes.data() + used, bytes.size() - used);
      if (n < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      if (n == 0) break;
      used += static_cast<std::size_t>(n);
    }
    bytes.resize(used);
    out = std::move(bytes);
    return 0;
  } catch (const std::bad_alloc&) {
    return ENOMEM;
  } catch (const std::length_error&) {
    return EFBIG;
  }
}

void Stamp(const struct stat& st, FileStamp& stamp) {
  stamp.known = true;
  stamp.device = st.st_dev;
  stamp.inode = st.st_ino;
  stamp.size = static_cast<std::uintmax_t>(st.st_size);
  stamp.mtimeNs = std::int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
  struct timespec now {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  stamp.takenNs = std::int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

// True when the cheap facts prove the file unchanged. Timestamps move in coarse ticks, so a write
// in the same tick as the one the stamp saw keeps the time: the facts are trusted only when the
// stamp was taken well after the file's last change, and otherwise the bytes decide.
bool SameIdentity(const struct stat& st, const FileStamp& stamp) {
  constexpr std::int64_t kTickMarginNs = 2'000'000'000;
  const std::int64_t mtimeNs = std::int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
  return st.st_dev == stamp.device && st.st_ino == stamp.inode &&
         static_cast<std::uintmax_t>(st.st_size) == stamp.size && mtimeNs == stamp.mtimeNs &&
         stamp.takenNs - stamp.mtimeNs > kTickMarginNs;
}

// Follows symbolic links, dangling ones too, so that a write replaces or creates the file a link
// points to, not the link.
fs::path ResolveLinks(const fs::path& path) {
  constexpr int kMaxLinks = 40;  // the kernel's own limit
  fs::path p = path;
  for (int i = 0; i < kMaxLinks; ++i) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(p, ec))) break;
    const fs::path target = fs::read_symlink(p, ec);
    if (ec) break;
    p = target.is_absolute() ? target : p.parent_path() / target;
  }
  return p;
}

mode_t CurrentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

// True when the regular file `target` already holds exactly `bytes`.
bool HoldsExactly(const fs::path& target, const struct stat& st, Bytes bytes) {
  if (static_cast<std::uintmax_t>(st.st_size) != bytes.size()) return false;
  Fd fd(::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  std::vector<std::uint8_t> now;
  return fd.valid() && ReadAll(fd.get(), bytes.size(), now) == 0 &&
         std::equal(now.begin(), now.end(), bytes.begin(), bytes.end());
}

// Best effort: a file system without extended attributes, or one we may not set (trusted.*), is
// no failure.
void CopyExtendedAttributes(const fs::path& from, int to) {
  const ssize_t listSize = ::listxattr(from.c_str(), nullptr, 0);
  if (listSize <= 0) return;
  std::vector<char> names(static_cast<std::size_t>(listSize));
  const ssize_t got = ::listxattr(from.c_str(), names.data(), names.size());
  if (got <= 0) return;
  for (std::size_t i = 0; i < static_cast<std::size_t>(got);) {
    const char* name = names.data() + i;
    i += std::strlen(name) + 1;
    const ssize_t size = ::getxattr(from.c_str(), name, nullptr, 0);
    if (size < 0) continue;
    std::vector<char> value(static_cast<std::size_t>(size));
    const ssize_t n = ::getxattr(from.c_str(), name, value.data(), value.size());
    if (n >= 0) ::fsetxattr(to, name, value.data(), static_cast<std::size_t>(n), 0);
  }
}

FileResult WriteFailure(const std::string& path, int error) {
  return FileResult::Failure(FileResult::Kind::WriteFailed, path, error);
}

FileResult WriteToDescriptor(const std::string& path, int fd, Bytes bytes) {
  if (::fcntl(fd, F_GETFD) < 0 || !WriteAll(fd, bytes)) return WriteFailure(path, errno);
  return FileResult::Success(path);
}

FileResult WriteInPlace(const std::string& path, const fs::path& target, Bytes bytes,
                        FileStamp* written) {
  Fd fd(::open(target.c_str(), O_WRONLY | O_CLOEXEC));
  if (!fd.valid()) return WriteFailure(path, errno);
  // Claim the room first: a disk too full for the bytes then fails the write before a byte of
  // the file has changed. File systems that cannot reserve space are written regardless.
  if (const int error = ::posix_fallocate(fd.get(), 0, static_cast<off_t>(bytes.size()));
      error == ENOSPC || error == EFBIG) {
    return WriteFailure(path, error);
  }
  // The file may be longer than the new bytes; what lies beyond them must not survive.
  struct stat st {};
  if (!WriteAll(fd.get(), bytes) || ::ftruncate(fd.get(), static_cast<off_t>(bytes.size())) != 0 ||
      ::fsync(fd.get()) != 0 || ::fstat(fd.get(), &st) != 0 || fd.Close() != 0) {
    return WriteFailure(path, errno);
  }
  if (written != nullptr) {
    Stamp(st, *written);
    written->bytes.assign(bytes.begin(), bytes.end());
  }
  return FileResult::Success(path);
}

}  // namespace

std::string FileResult::Message() const {
  switch (kind) {
    case Kind::Ok:
      return {};
    case Kind::TooShort:
      return path + " " + reason;
    case Kind::ReadFailed:
      return "Could not open " + path + ": " + reason;
    case Kind::WriteFailed:
      return "Could not save " + path + ": " + reason;
  }
  return {};
}

FileResult FileResult::Success(const std::string& path) {
  FileResult r;
  r.path = path;
  return r;
}

FileResult FileResult::Failure(Kind kind, const std::string& path, int error) {
  return Failure(kind, path, std::strerror(error));
}

FileResult FileResult::Failure(Kind kind, const std::string& path, std::string reason) {
  FileResult r;
  r.kind = kind;
  r.path = path;
  r.reason = std::move(reason);
  return r;
}

FileResult ReadWholeFile(const std::string& path, FileStamp& read) {
  const auto failure = [&](int error) {
    return FileResult::Failure(FileResult::Kind::ReadFailed, path, error);
  };
  // Non-blocking open so that a FIFO among the user's files cannot hang the program.
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd.valid()) return failure(errno);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return failure(errno);
  if (S_ISDIR(st.st_mode)) return failure(EISDIR);
  if (!S_ISREG(st.st_mode)) {
    return FileResult::Failure(FileResult::Kind::ReadFailed, path, "not a regular file");
  }
  ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);

  std::vector<std::uint8_t> bytes;
  if (const int error = ReadAll(fd.get(), static_cast<std::size_t>(st.st_size), bytes);
      error != 0) {
    return failure(error);
  }
  // The stamp is taken after the read, so a change made while we read shows as a change later.
  if (::fstat(fd.get(), &st) != 0) return failure(errno);
  Stamp(st, read);
  read.bytes = std::move(bytes);
  return FileResult::Success(path);
}

std::optional<int> NamedDescriptor(const std::string& path) {
  if (path == "/dev/stdin") return 0;
  if (path == "/dev/stdout") return 1;
  if (path == "/dev/stderr") return 2;
  const std::string ownProc = "/proc/" + std::to_string(::getpid()) + "/fd/";
  for (const std::string& prefix :
       {std::string("/dev/fd/"), std::string("/proc/self/fd/"), ownProc}) {
    if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0) continue;
    int fd = -1;
    const char* first = path.data() + prefix.size();
    const char* last = path.data() + path.size();
    const auto [end, error] = std::from_chars(first, last, fd);
    if (error == std::errc() && end == last && fd >= 0) return fd;
  }
  return std::nullopt;
}

FileResult ReplaceFile(const std::string& path, Bytes bytes, FileStamp* written, SameBytes same) {
  if (const std::optional<int> fd = NamedDescriptor(path)) {
    return WriteToDescriptor(path, *fd, bytes);
  }
  const fs::path target = ResolveLinks(path);
  fs::path folder = target.parent_path();
  if (folder.empty()) folder = ".";

  struct stat st {};
  const bool exists = ::stat(target.c_str(), &st) == 0;
  if (!exists && errno != ENOENT) return WriteFailure(path, errno);
  if (exists) {
    if (S_ISDIR(st.st_mode)) return WriteFailure(path, EISDIR);
    if (!S_ISREG(st.st_mode)) {
      Fd fd(::open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC));
      if (!fd.valid() || !WriteAll(fd.get(), bytes) || fd.Close() != 0) {
        return WriteFailure(path, errno);
      }
      return FileResult::Success(path);
    }
    // Permission bits are honoured even for root: a file marked read-only is not to be changed.
    if (::access(target.c_str(), W_OK) != 0) return WriteFailure(path, errno);
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return WriteFailure(path, EACCES);
    if (same == SameBytes::Keep && HoldsExactly(target, st, bytes)) {
      if (written != nullptr) {
        Stamp(st, *written);
        written->bytes.assign(bytes.begin(), bytes.end());
      }
      return FileResult::Success(path);
    }
    // A new file would leave the other names with the old bytes.
    if (st.st_nlink > 1) return WriteInPlace(path, target, bytes, written);
  }

  // A short fixed name: the file's own name plus a suffix may pass the file system's name limit.
  std::string name = (folder / ".vorlane-save-XXXXXX").string();
  Fd fd(::mkstemp(name.data()));
  if (!fd.valid()) {
    const int error = errno;
    // A folder that takes no new file still lets us overwrite the file itself.
    if (exists && (error == EACCES || error == EPERM || error == EROFS)) {
      return WriteInPlace(path, target, bytes, written);
    }
    return WriteFailure(path, error);
  }
  const auto abandon = [&](int error) {
    ::unlink(name.c_str());
    return WriteFailure(path, error);
  };

  struct stat made {};
  if (::fstat(fd.get(), &made) != 0) return abandon(errno);
  if (exists && (made.st_uid != st.st_uid || made.st_gid != st.st_gid) &&
      ::fchown(fd.get(), st.st_uid, st.st_gid) != 0) {
    // The new file could not be given the file's owner or group (another user's file that lets
    // us write): write in place, so the owner stays.
    fd.Close();
    ::unlink(name.c_str());
    return WriteInPlace(path, target, bytes, written);
  }
  const mode_t mode = exists ? (st.st_mode & 07777) : (0666 & ~CurrentUmask());
  if (!WriteAll(fd.get(), bytes) || ::fsync(fd.get()) != 0 || ::fchmod(fd.get(), mode) != 0) {
    return abandon(errno);
  }
  // After the mode: an access ACL carries the group bits of the mode, and must win.
  if (exists) CopyExtendedAttributes(target, fd.get());
  if (::fstat(fd.get(), &made) != 0) return abandon(errno);
  if (fd.Close() != 0) return abandon(errno);
  if (::rename(name.c_str(), target.c_str()) != 0) return abandon(errno);

  // Make the rename itself durable.
  Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.valid()) ::fsync(dir.get());
  if (written != nullptr) {
    Stamp(made, *written);
    written->bytes.assign(bytes.begin(), bytes.end());
  }
  return FileResult::Success(path);
}

DiskState CompareWithDisk(const std::string& path, const FileStamp& stamp) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    return errno == ENOENT || errno == ENOTDIR ? DiskState::Removed : DiskState::Changed;
  }
  if (!stamp.known || SameIdentity(st, stamp)) return DiskState::Same;
  FileStamp now;
  if (!ReadWholeFile(path, now).ok()) return DiskState::Changed;
  return now.bytes == stamp.bytes ? DiskState::Same : DiskState::Changed;
}

}  // namespace vorlane
