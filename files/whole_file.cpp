#include "files/whole_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>
#include <filesystem>
#include <new>
#include <random>
#include <stdexcept>
#include <utility>
#include <vector>

#include "files/fd.h"

namespace vorlane {

namespace fs = std::filesystem;

namespace {

using Bytes = std::span<const std::uint8_t>;
constexpr char kAccessAcl[] = "system.posix_acl_access";

// The bytes written before a failure (errno set), or all of them.
std::size_t WriteAll(int fd, Bytes bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  return done;
}

// Reads to the end rather than trusting the size: the file may change while we read it. Returns
// 0 or the error; more than `max` bytes is EFBIG, and a file too large for memory ENOMEM, not an
// exception the caller never sees coming.
template <class Buffer>
int ReadInto(int fd, std::size_t expected, std::size_t max, Buffer& out) {
  try {
    Buffer bytes(std::min(expected, max) + 1, {});
    std::size_t used = 0;
    for (;;) {
      if (used == bytes.size()) bytes.resize(bytes.size() * 2);
      const ssize_t n = ::read(fd, bytes.data() + used, bytes.size() - used);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return errno;
      if (n == 0) break;
      used += static_cast<std::size_t>(n);
      if (used > max) return EFBIG;
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

std::int64_t Nanoseconds(const struct timespec& t) {
  return std::int64_t{t.tv_sec} * 1000000000 + t.tv_nsec;
}

void Stamp(const struct stat& st, FileStamp& stamp) {
  stamp.known = true;
  stamp.device = st.st_dev;
  stamp.inode = st.st_ino;
  stamp.size = static_cast<std::uintmax_t>(st.st_size);
  stamp.mtimeNs = Nanoseconds(st.st_mtim);
  struct timespec now {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  stamp.takenNs = Nanoseconds(now);
}

// True when the cheap facts prove the file unchanged. Timestamps move in coarse ticks, so a write
// in the same tick as the one the stamp saw keeps the time: the facts are trusted only when the
// stamp was taken well after the file's last change, and otherwise the bytes decide.
bool SameIdentity(const struct stat& st, const FileStamp& stamp) {
  constexpr std::int64_t kTickMarginNs = 2'000'000'000;
  return st.st_dev == stamp.device && st.st_ino == stamp.inode &&
         static_cast<std::uintmax_t>(st.st_size) == stamp.size &&
         Nanoseconds(st.st_mtim) == stamp.mtimeNs && stamp.takenNs - stamp.mtimeNs > kTickMarginNs;
}

// The descriptor the path itself spells, without following links.
std::optional<int> SpelledDescriptor(const std::string& path) {
  if (path == "/dev/stdin") return 0;
  if (path == "/dev/stdout") return 1;
  if (path == "/dev/stderr") return 2;
  const std::string ownProc = "/proc/" + std::to_string(::getpid()) + "/fd/";
  for (const std::string& prefix : {std::string("/dev/fd/"), std::string("/proc/self/fd/"),
                                    std::string("/proc/thread-self/fd/"), ownProc}) {
    if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0) continue;
    int fd = -1;
    const char* first = path.data() + prefix.size();
    const char* last = path.data() + path.size();
    const auto [end, error] = std::from_chars(first, last, fd);
    if (error == std::errc() && end == last && fd >= 0) return fd;
  }
  return std::nullopt;
}

// Follows symbolic links, dangling ones too, so that a write replaces or creates the file a link
// points to, not the link; stops at a path that names a descriptor, which `fd` is set to.
fs::path ResolveLinks(const fs::path& path, std::optional<int>* fd = nullptr) {
  constexpr int kMaxLinks = 40;  // the kernel's own limit
  fs::path p = path;
  for (int i = 0; i < kMaxLinks; ++i) {
    if (fd != nullptr && (*fd = SpelledDescriptor(p.string()))) break;
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(p, ec))) break;
    const fs::path target = fs::read_symlink(p, ec);
    if (ec) break;
    p = target.is_absolute() ? target : p.parent_path() / target;
  }
  return p;
}

// The path of the regular file open as `fd`, when it still has that name.
std::optional<fs::path> FileOfDescriptor(int fd) {
  std::error_code ec;
  const fs::path named = fs::read_symlink("/proc/self/fd/" + std::to_string(fd), ec);
  struct stat open {};
  struct stat now {};
  if (ec || !named.is_absolute() || ::fstat(fd, &open) != 0 || !S_ISREG(open.st_mode) ||
      ::stat(named.c_str(), &now) != 0 || now.st_dev != open.st_dev || now.st_ino != open.st_ino) {
    return std::nullopt;
  }
  return named;
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
  return fd.valid() && ReadInto(fd.get(), bytes.size(), bytes.size(), now) == 0 &&
         std::equal(now.begin(), now.end(), bytes.begin(), bytes.end());
}

bool Unsupported(int error) { return error == ENODATA || error == ENOTSUP || error == EOPNOTSUPP; }

// Gives the new file `to` the old file's mode and exactly its access ACL (none when it had none,
// whatever the folder's default ACL gave the new file); 0 or the error. Other extended attributes
// are best effort: a file system without them, or one we may not set (trusted.*), is no failure.
int CarryAttributes(const fs::path& from, int to, mode_t mode) {
  if (::fremovexattr(to, kAccessAcl) != 0 && !Unsupported(errno)) return errno;
  if (::fchmod(to, mode) != 0) return errno;
  const ssize_t listSize = ::listxattr(from.c_str(), nullptr, 0);
  if (listSize <= 0) return 0;
  std::vector<char> names(static_cast<std::size_t>(listSize));
  const ssize_t got = ::listxattr(from.c_str(), names.data(), names.size());
  for (std::size_t i = 0; got > 0 && i < static_cast<std::size_t>(got);) {
    const char* name = names.data() + i;
    i += std::strlen(name) + 1;
    const bool acl = std::strcmp(name, kAccessAcl) == 0;
    const ssize_t size = ::getxattr(from.c_str(), name, nullptr, 0);
    std::vector<char> value(static_cast<std::size_t>(std::max<ssize_t>(size, 0)));
    const ssize_t n = size < 0 ? -1 : ::getxattr(from.c_str(), name, value.data(), value.size());
    // After the mode: an access ACL carries the group bits of the mode, and must win.
    if (n >= 0 && ::fsetxattr(to, name, value.data(), static_cast<std::size_t>(n), 0) == 0) {
      continue;
    }
    if (acl && !(n < 0 && errno == ENODATA)) return errno;
  }
  return 0;
}

FileResult WriteFailure(const std::string& path, int error) {
  return FileResult::Failure(FileResult::Kind::WriteFailed, path, error);
}

FileResult Torn(const std::string& path, int error) {
  return FileResult::Failure(FileResult::Kind::WriteTorn, path, error);
}

FileResult WriteToDescriptor(const std::string& path, int fd, Bytes bytes) {
  if (::fcntl(fd, F_GETFD) < 0 || WriteAll(fd, bytes) != bytes.size()) {
    return WriteFailure(path, errno);
  }
  return FileResult::Success(path);
}

void Remember(const struct stat& st, Bytes bytes, const ReplaceOptions& options) {
  if (options.written == nullptr) return;
  Stamp(st, *options.written);
  options.written->bytes.assign(bytes.begin(), bytes.end());
}

FileResult WriteInPlace(const std::string& path, const fs::path& target, Bytes bytes,
                        const ReplaceOptions& options) {
  Fd fd(::open(target.c_str(), O_WRONLY | O_CLOEXEC));
  struct stat old {};
  if (!fd.valid() || ::fstat(fd.get(), &old) != 0) return WriteFailure(path, errno);
  // Claim the room first, without changing the size: a disk too full for the bytes then fails
  // before a byte of the file has changed. File systems that cannot reserve space are written
  // regardless.
  if (::fallocate(fd.get(), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(bytes.size())) != 0 &&
      (errno == ENOSPC || errno == EFBIG)) {
    return WriteFailure(path, errno);
  }
  if (options.check) {
    if (FileResult checked = options.check(); !checked.ok()) return checked;
  }
  if (const std::size_t done = WriteAll(fd.get(), bytes); done != bytes.size()) {
    const int error = errno;
    // What was not reached keeps its old bytes, and the file its old size.
    if (done > static_cast<std::size_t>(old.st_size)) [[maybe_unused]]
      const int ignored = ::ftruncate(fd.get(), old.st_size);
    return done == 0 ? WriteFailure(path, error) : Torn(path, error);
  }
  // The file may be longer than the new bytes; what lies beyond them must not survive.
  struct stat st {};
  if (::ftruncate(fd.get(), static_cast<off_t>(bytes.size())) != 0 || ::fsync(fd.get()) != 0 ||
      ::fstat(fd.get(), &st) != 0 || fd.Close() != 0) {
    return Torn(path, errno);
  }
  Remember(st, bytes, options);
  return FileResult::Success(path);
}

// The name of the save's temporary file while it has one, for a signal handler to remove it.
char gTemporaryName[NAME_MAX + 1];
std::atomic<int> gTemporaryFolder{-1};
static_assert(std::atomic<int>::is_always_lock_free);

// A temporary file in the folder `dir`: unnamed until it is complete where the file system allows
// (a crash or a signal then leaves nothing), else under a fresh hidden name.
class Temporary {
 public:
  explicit Temporary(int dir) : dir_(dir) {}
  Temporary(const Temporary&) = delete;
  Temporary& operator=(const Temporary&) = delete;
  ~Temporary() { Abandon(); }

  // 0 or the error.
  int Open() {
    fd_ = Fd(::openat(dir_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
    if (fd_.valid()) return 0;
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return errno;
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
      Name(random);
      fd_ = Fd(::openat(dir_, gTemporaryName, O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600));
      if (fd_.valid()) return 0;
      gTemporaryFolder = -1;
      if (errno != EEXIST) return errno;
    }
    return EEXIST;
  }
  int fd() const { return fd_.get(); }

  // Gives the complete file the name `name` in the folder: 0 or the error.
  int Commit(const std::string& name) {
    if (gTemporaryFolder < 0) {
      std::random_device random;
      Name(random);
      const std::string self = "/proc/self/fd/" + std::to_string(fd_.get());
      if (::linkat(AT_FDCWD, self.c_str(), dir_, gTemporaryName, AT_SYMLINK_FOLLOW) != 0) {
        gTemporaryFolder = -1;
        return errno;
      }
    }
    if (fd_.Close() != 0 || ::renameat(dir_, gTemporaryName, dir_, name.c_str()) != 0) {
      return errno;
    }
    gTemporaryFolder = -1;
    return 0;
  }

 private:
  void Name(std::random_device& random) {
    std::snprintf(gTemporaryName, sizeof gTemporaryName, ".vorlane-save-%08x", random());
    gTemporaryFolder = dir_;
  }
  void Abandon() {
    if (gTemporaryFolder >= 0) ::unlinkat(dir_, gTemporaryName, 0);
    gTemporaryFolder = -1;
  }
  int dir_;
  Fd fd_;
};

void OnSaveSignal(int signal) {
  const int folder = gTemporaryFolder;
  if (folder >= 0) ::unlinkat(folder, gTemporaryName, 0);
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

// The rename path; in place instead when a new file cannot keep the owner or be made.
FileResult ReplaceByRename(const std::string& path, const fs::path& target, const struct stat* old,
                           Bytes bytes, const ReplaceOptions& options) {
  fs::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dir.valid()) return WriteFailure(path, errno);
  Temporary temporary(dir.get());
  if (const int error = temporary.Open(); error != 0) {
    // A folder that takes no new file still lets us overwrite the file itself.
    if (old != nullptr && (error == EACCES || error == EPERM || error == EROFS)) {
      return WriteInPlace(path, target, bytes, options);
    }
    return WriteFailure(path, error);
  }
  const int fd = temporary.fd();
  struct stat made {};
  if (::fstat(fd, &made) != 0) return WriteFailure(path, errno);
  if (old != nullptr && (made.st_uid != old->st_uid || made.st_gid != old->st_gid) &&
      ::fchown(fd, old->st_uid, old->st_gid) != 0) {
    // Another user's file that lets us write: in place, so the owner stays.
    return WriteInPlace(path, target, bytes, options);
  }
  if (WriteAll(fd, bytes) != bytes.size()) return WriteFailure(path, errno);
  const int carried = old != nullptr ? CarryAttributes(target, fd, old->st_mode & 07777)
                                     : (::fchmod(fd, 0666 & ~CurrentUmask()) == 0 ? 0 : errno);
  if (carried != 0) return WriteFailure(path, carried);
  if (::fsync(fd) != 0 || ::fstat(fd, &made) != 0) return WriteFailure(path, errno);
  if (options.check) {
    if (FileResult checked = options.check(); !checked.ok()) return checked;
  }
  if (const int error = temporary.Commit(target.filename().string()); error != 0) {
    return WriteFailure(path, error);
  }
  ::fsync(dir.get());  // makes the rename itself durable
  Remember(made, bytes, options);
  return FileResult::Success(path);
}

}  // namespace

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

FileResult ReadWholeFile(const std::string& path, FileStamp& read, std::uintmax_t maxBytes) {
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
  const std::size_t max = static_cast<std::size_t>(std::min<std::uintmax_t>(maxBytes, SIZE_MAX));
  std::vector<std::uint8_t> bytes;
  int error = static_cast<std::uintmax_t>(st.st_size) > max ? EFBIG : 0;
  if (error == 0) {
    ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
    error = ReadInto(fd.get(), static_cast<std::size_t>(st.st_size), max, bytes);
  }
  if (error == EFBIG && max != SIZE_MAX) {
    FileResult large = FileResult::Failure(FileResult::Kind::TooLarge, path, error);
    large.length = std::max<std::uintmax_t>(static_cast<std::uintmax_t>(st.st_size), max + 1);
    return large;
  }
  if (error != 0) return failure(error);
  // The stamp is taken after the read, so a change made while we read shows as a change later.
  if (::fstat(fd.get(), &st) != 0) return failure(errno);
  Stamp(st, read);
  read.bytes = std::move(bytes);
  return FileResult::Success(path);
}

int ReadToEnd(int fd, std::string& out, std::size_t maxBytes) {
  return ReadInto(fd, 0, maxBytes, out);
}

std::optional<int> NamedDescriptor(const std::string& path) {
  std::optional<int> fd;
  ResolveLinks(path, &fd);
  return fd;
}

static FileResult Replace(const std::string& path, Bytes bytes, const ReplaceOptions& options) {
  std::optional<int> descriptor;
  fs::path target = ResolveLinks(path, &descriptor);
  if (descriptor && options.descriptors == Descriptors::WriteThrough) {
    return WriteToDescriptor(path, *descriptor, bytes);
  }
  if (descriptor) {
    // Replaced under the file's own name: written at the descriptor's offset, an image would be
    // shifted, and a read-only file opened for writing would escape the check below.
    const std::optional<fs::path> file = FileOfDescriptor(*descriptor);
    if (!file) {
      return FileResult::Failure(FileResult::Kind::WriteFailed, path,
                                 "it names a descriptor that is no file to replace");
    }
    target = *file;
  }
  struct stat st {};
  if (::stat(target.c_str(), &st) != 0) {
    return errno == ENOENT ? ReplaceByRename(path, target, nullptr, bytes, options)
                           : WriteFailure(path, errno);
  }
  if (S_ISDIR(st.st_mode)) return WriteFailure(path, EISDIR);
  if (!S_ISREG(st.st_mode)) {
    Fd fd(::open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC));
    if (!fd.valid() || WriteAll(fd.get(), bytes) != bytes.size() || fd.Close() != 0) {
      return WriteFailure(path, errno);
    }
    return FileResult::Success(path);
  }
  // Permission bits are honoured even for root: a file marked read-only is not to be changed.
  if (::access(target.c_str(), W_OK) != 0) return WriteFailure(path, errno);
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return WriteFailure(path, EACCES);
  if (options.same == SameBytes::Keep && HoldsExactly(target, st, bytes)) {
    Remember(st, bytes, options);
    return FileResult::Success(path);
  }
  // A new file would leave the other names with the old bytes.
  if (st.st_nlink > 1) return WriteInPlace(path, target, bytes, options);
  return ReplaceByRename(path, target, &st, bytes, options);
}

FileResult ReplaceFile(const std::string& path, Bytes bytes, const ReplaceOptions& options) {
  if (!options.check) return Replace(path, bytes, options);
  // A write that fails before the check (a full disk, a folder gone) reports a change made
  // meanwhile first: that is the news the user can act on.
  bool checked = false;
  ReplaceOptions counted = options;
  counted.check = [&] {
    checked = true;
    return options.check();
  };
  FileResult result = Replace(path, bytes, counted);
  if (result.kind == FileResult::Kind::WriteFailed && !checked) {
    FileResult change = options.check();
    if (change.kind == FileResult::Kind::Changed || change.kind == FileResult::Kind::Removed) {
      return change;
    }
  }
  return result;
}

FileResult CheckUnchanged(const std::string& path, const FileStamp& stamp) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) {
      return FileResult::Failure(FileResult::Kind::Removed, path, errno);
    }
    return FileResult::Failure(FileResult::Kind::ReadFailed, path, errno);
  }
  if (!stamp.known || SameIdentity(st, stamp)) return FileResult::Success(path);
  FileStamp now;
  if (FileResult read = ReadWholeFile(path, now, stamp.bytes.size()); !read.ok()) {
    // Longer than it was is a change, not a failure to read.
    if (read.kind != FileResult::Kind::TooLarge) return read;
    now.bytes.clear();
  }
  if (now.bytes == stamp.bytes && now.known) return FileResult::Success(path);
  return FileResult::Failure(FileResult::Kind::Changed, path, "");
}

DiskState CompareWithDisk(const std::string& path, const FileStamp& stamp) {
  switch (CheckUnchanged(path, stamp).kind) {
    case FileResult::Kind::Ok:
      return DiskState::Same;
    case FileResult::Kind::Removed:
      return DiskState::Removed;
    default:
      return DiskState::Changed;
  }
}

void CleanUpSavesOnSignals() {
  ::signal(SIGXFSZ, SIG_IGN);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction now {};
    // A signal the program was started to ignore (nohup) stays ignored.
    if (::sigaction(signal, nullptr, &now) == 0 && now.sa_handler == SIG_DFL) {
      struct sigaction on {};
      on.sa_handler = OnSaveSignal;
      ::sigemptyset(&on.sa_mask);
      ::sigaction(signal, &on, nullptr);
    }
  }
}

}  // namespace vorlane
