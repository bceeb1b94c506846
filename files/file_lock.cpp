#include "files/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <thread>

namespace vorlane {

FileLock FileLock::Take(const std::string& path, std::chrono::milliseconds wait) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + wait;
  for (;;) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat locked {};
    if (!fd.valid() || ::fstat(fd.get(), &locked) != 0 || !S_ISREG(locked.st_mode)) {
      return FileLock(Fd(), FileResult::Success(path));
    }
    std::chrono::milliseconds pause{2};
    while (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
      if (errno == EINTR) continue;
      if (errno != EWOULDBLOCK) return FileLock(Fd(), FileResult::Success(path));  // no locks here
      if (Clock::now() >= deadline) {
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(wait).count();
        return FileLock(Fd(), FileResult::Failure(FileResult::Kind::WriteFailed, path,
                                                  "another writer holds it (waited " +
                                                      std::to_string(seconds) + " seconds)"));
      }
      std::this_thread::sleep_for(pause);
      pause = std::min(pause * 2, std::chrono::milliseconds{50});
    }
    struct stat now {};
    if (::stat(path.c_str(), &now) != 0 ||
        (now.st_dev == locked.st_dev && now.st_ino == locked.st_ino)) {
      return FileLock(std::move(fd), FileResult::Success(path));
    }
    // The holder before us replaced the file: its successor is the one to lock.
  }
}

}  // namespace vorlane
