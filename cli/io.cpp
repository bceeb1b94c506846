#include "cli/io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>

#include "image/image_file.h"
#include "settings/key_rules.h"
#include "text/quote.h"

namespace vorlane::cli {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kStdinName = "<stdin>";
constexpr std::size_t kReadChunk = 8192;

std::string TooLarge(std::string_view name) {
  return text::Shown(name) + " is larger than " + std::to_string(kMaxTextInput / (1 << 20)) +
         " MiB, too large for a settings file or a text";
}

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  int Close() {
    const int rc = ::close(fd_);
    fd_ = -1;
    return rc;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    text.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

std::string Failed(std::string_view what, std::string_view path, int error) {
  return std::string(what) + " " + text::Shown(path) + ": " + std::strerror(error);
}

// All of `fd` up to its end, named `name` in messages; none after a message.
std::optional<TextInput> ReadAll(int fd, std::string name, std::ostream& err) {
  TextInput input{{}, std::move(name)};
  std::string chunk(kReadChunk, '\0');
  for (;;) {
    const ssize_t n = ::read(fd, chunk.data(), chunk.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      Complain(err, Failed("Could not read", input.name, errno));
      return std::nullopt;
    }
    if (n == 0) break;
    input.text.append(chunk.data(), static_cast<std::size_t>(n));
    if (input.text.size() > kMaxTextInput) {
      Complain(err, TooLarge(input.name));
      return std::nullopt;
    }
  }
  return input;
}

}  // namespace

void Complain(std::ostream& err, std::string_view message) {
  err << kProgram << ": " << message << '\n';
}

std::optional<ImageBytes> LoadImage(const std::string& path, std::ostream& err) {
  Module1 state;
  const FileResult read = ReadImageFile(state, path);
  if (!read.ok()) {
    Complain(err, read.Message());
    return std::nullopt;
  }
  return std::move(state.ConfigImage);
}

std::optional<TextInput> ReadTextInput(const std::string& path, int in, std::ostream& err) {
  // The descriptor itself, not std::cin: a stream takes a failed read (a folder or a closed
  // descriptor as standard input) for the end of the input.
  if (path == "-") return ReadAll(in, std::string(kStdinName), err);
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat st {};
  if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0) {
    Complain(err, Failed("Could not open", path, errno));
    return std::nullopt;
  }
  if (S_ISDIR(st.st_mode)) {
    Complain(err, Failed("Could not open", path, EISDIR));
    return std::nullopt;
  }
  return ReadAll(fd.get(), path, err);
}

bool WriteTextFile(const std::string& path, std::string_view text, std::ostream& err) {
  std::error_code ec;
  fs::path target = path;
  // Replace the file a link points to, not the link.
  if (fs::is_symlink(fs::symlink_status(target, ec))) {
    const fs::path resolved = fs::canonical(target, ec);
    if (!ec) target = resolved;
  }
  struct stat st {};
  const bool exists = ::stat(target.c_str(), &st) == 0;
  if (exists && !S_ISREG(st.st_mode)) {
    if (S_ISDIR(st.st_mode)) {
      Complain(err, Failed("Could not write", path, EISDIR));
      return false;
    }
    Fd fd(::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
    if (fd.get() < 0 || !WriteAll(fd.get(), text) || fd.Close() != 0) {
      Complain(err, Failed("Could not write", path, errno));
      return false;
    }
    return true;
  }

  fs::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  std::string temporary = (folder / ".vorlanectl-XXXXXX").string();
  Fd fd(::mkstemp(temporary.data()));
  if (fd.get() < 0) {
    Complain(err, Failed("Could not write", path, errno));
    return false;
  }
  mode_t mode = st.st_mode & 07777;
  if (!exists) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  int error = 0;
  if (!WriteAll(fd.get(), text) || ::fsync(fd.get()) != 0 || ::fchmod(fd.get(), mode) != 0) {
    error = errno;
  }
  if (fd.Close() != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temporary.c_str());
    Complain(err, Failed("Could not write", path, error));
    return false;
  }
  Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
  return true;
}

int CommitImage(const std::string& path, const ImageBytes& before, const ImageBytes& after,
                std::ostream& err) {
  if (after == before) return kExitOk;
  if (const std::optional<std::string> refused = settings::KeyRuleViolation(before, after)) {
    Complain(err, *refused);
    return kExitRefused;
  }
  Module1 state;
  state.ConfigImage = after;
  const FileResult written = WriteImageFile(state, path);
  if (!written.ok()) {
    Complain(err, written.Message());
    return kExitRefused;
  }
  return kExitOk;
}

int Finish(Streams& streams, int code) {
  streams.out.flush();
  if (!streams.out) {
    Complain(streams.err, "Could not write the standard output");
    return kExitRefused;
  }
  return code;
}

}  // namespace vorlane::cli
