#include "image/image_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace vorlane {

namespace fs = std::filesystem;

namespace {

// Closes a descriptor on every path out of a function.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Closes now so that a failing close (a late write error on some file systems) is seen.
  int Close() {
    const int rc = ::close(fd_);
    fd_ = -1;
    return rc;
  }

 private:
  int fd_;
};

FileResult Failure(FileResult::Kind kind, const std::string& path, int error) {
  FileResult r;
  r.kind = kind;
  r.path = path;
  r.reason = std::strerror(error);
  return r;
}

FileResult Success(const std::string& path) {
  FileResult r;
  r.path = path;
  return r;
}

bool WriteAll(int fd, const ImageBytes& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Follows symbolic links so that a save replaces the file a link points to, not the link.
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

// Reads to the end rather than trusting the size: the file may change while we read it. Returns
// 0 or the error; a file too large for memory is ENOMEM, not an exception the caller never sees
// coming.
int ReadAll(int fd, std::size_t expected, ImageBytes& out) {
  try {
    ImageBytes bytes(expected + 1);
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

FileResult WriteInPlace(const ImageBytes& image, const std::string& shownPath,
                        const fs::path& target) {
  Fd fd(::open(target.c_str(), O_WRONLY | O_CLOEXEC));
  if (!fd.valid()) return Failure(FileResult::Kind::WriteFailed, shownPath, errno);
  // Claim the room first: a disk too full for the image then fails the save before a byte of
  // the file has changed. File systems that cannot reserve space are written regardless.
  if (const int error = ::posix_fallocate(fd.get(), 0, static_cast<off_t>(image.size()));
      error == ENOSPC || error == EFBIG) {
    return Failure(FileResult::Kind::WriteFailed, shownPath, error);
  }
  // The file may have grown since it was read; what lies beyond the image must not survive.
  if (!WriteAll(fd.get(), image) || ::ftruncate(fd.get(), static_cast<off_t>(image.size())) != 0 ||
      ::fsync(fd.get()) != 0 || fd.Close() != 0) {
    return Failure(FileResult::Kind::WriteFailed, shownPath, errno);
  }
  return Success(shownPath);
}

}  // namespace

std::string FileResult::Message() const {
  switch (kind) {
    case Kind::Ok:
      return {};
    case Kind::TooShort:
      return path + " is not a device image: it is " + std::to_string(length) +
             " bytes long, and an image holds at least " + std::to_string(kMinImageSize) + ".";
    case Kind::ReadFailed:
      return "Could not open " + path + ": " + reason;
    case Kind::WriteFailed:
      return "Could not save " + path + ": " + reason;
  }
  return {};
}

FileResult ReadImageFile(Module1& state, const std::string& path) {
  // Non-blocking open so that a FIFO among the user's files cannot hang the program.
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd.valid()) return Failure(FileResult::Kind::ReadFailed, path, errno);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return Failure(FileResult::Kind::ReadFailed, path, errno);
  if (S_ISDIR(st.st_mode)) return Failure(FileResult::Kind::ReadFailed, path, EISDIR);
  if (!S_ISREG(st.st_mode)) {
    FileResult r = Failure(FileResult::Kind::ReadFailed, path, EINVAL);
    r.reason = "not a regular file";
    return r;
  }
  ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);

  ImageBytes bytes;
  if (const int error = ReadAll(fd.get(), static_cast<std::size_t>(st.st_size), bytes);
      error != 0) {
    return Failure(FileResult::Kind::ReadFailed, path, error);
  }

  if (!HoldsImage(bytes)) {
    FileResult r;
    r.kind = FileResult::Kind::TooShort;
    r.path = path;
    r.length = bytes.size();
    return r;
  }
  state.ConfigImage = std::move(bytes);
  return Success(path);
}

FileResult WriteImageFile(const Module1& state, const std::string& path) {
  const ImageBytes& image = state.ConfigImage;
  if (!HoldsImage(image)) {
    FileResult r = Failure(FileResult::Kind::WriteFailed, path, EINVAL);
    r.reason = "no device image is loaded";
    return r;
  }

  const fs::path target = ResolveLinks(path);
  fs::path folder = target.parent_path();
  if (folder.empty()) folder = ".";

  struct stat st {};
  const bool exists = ::stat(target.c_str(), &st) == 0;
  if (exists) {
    if (S_ISDIR(st.st_mode)) return Failure(FileResult::Kind::WriteFailed, path, EISDIR);
    // Permission bits are honoured even for root: a file marked read-only is not to be changed.
    if (::access(target.c_str(), W_OK) != 0)
      return Failure(FileResult::Kind::WriteFailed, path, errno);
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
      return Failure(FileResult::Kind::WriteFailed, path, EACCES);
    }
  }

  // A short fixed name: the file's own name plus a suffix may pass the file system's name limit.
  std::string name = (folder / ".vorlane-save-XXXXXX").string();
  Fd fd(::mkstemp(name.data()));
  if (!fd.valid()) {
    const int error = errno;
    // A folder that takes no new file still lets us overwrite the file itself.
    if (exists && (error == EACCES || error == EPERM || error == EROFS)) {
      return WriteInPlace(image, path, target);
    }
    return Failure(FileResult::Kind::WriteFailed, path, error);
  }

  const mode_t mode = exists ? (st.st_mode & 07777) : (0666 & ~CurrentUmask());
  int error = 0;
  if (!WriteAll(fd.get(), image) || ::fsync(fd.get()) != 0 || ::fchmod(fd.get(), mode) != 0) {
    error = errno;
  }
  if (error == 0 && exists) {
    // Keep the owner when root saves someone else's file; not being able to is no failure.
    [[maybe_unused]] const int ignored = ::fchown(fd.get(), st.st_uid, st.st_gid);
  }
  if (fd.Close() != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(name.c_str(), target.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(name.c_str());
    return Failure(FileResult::Kind::WriteFailed, path, error);
  }

  // Make the rename itself durable.
  Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.valid()) ::fsync(dir.get());
  return Success(path);
}

}  // namespace vorlane
