#include "cli/io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <span>
#include <utility>

#include "files/fd.h"
#include "files/whole_file.h"
#include "history/store.h"
#include "image/button_rules.h"
#include "image/commit.h"
#include "image/image_file.h"
#include "text/quote.h"

namespace vorlane::cli {

namespace {

constexpr std::string_view kStdinName = "<stdin>";
constexpr std::size_t kReadChunk = 8192;

std::string TooLarge(std::string_view name) {
  return text::Shown(name) + " is larger than " + std::to_string(kMaxTextInput / (1 << 20)) +
         " MiB, too large for a settings file or a text";
}

std::function<void()>& BeforeCommit() {
  static std::function<void()> hook;
  return hook;
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
  ImageBytes image;
  const FileResult read = ReadImageFile(path, image);
  if (!read.ok()) {
    Complain(err, read.Message());
    return std::nullopt;
  }
  return image;
}

std::optional<ImageForChange> LoadImageForChange(const std::string& path, std::ostream& err) {
  ImageForChange image;
  image.path = path;
  FileResult result;
  image.lock = FileLock::Take(path, result);
  if (result.ok()) result = ReadImageFile(path, image.bytes, &image.read);
  if (!result.ok()) {
    Complain(err, result.Message());
    return std::nullopt;
  }
  return image;
}

bool IsTheImage(const std::string& other, const std::string& image, std::ostream& err) {
  struct stat a {};
  struct stat b {};
  if (other == "-" || ::stat(other.c_str(), &a) != 0 || ::stat(image.c_str(), &b) != 0 ||
      a.st_dev != b.st_dev || a.st_ino != b.st_ino) {
    return false;
  }
  Complain(err,
           text::Shown(other) + " is the image " + text::Shown(image) + " itself; nothing written");
  return true;
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

int WriteOutput(const std::string& path, std::string_view text, Streams& streams) {
  if (const std::optional<int> fd = NamedDescriptor(path); fd == 1 || fd == 2) {
    (*fd == 1 ? streams.out : streams.err) << text;
    return Finish(streams, kExitOk);
  }
  const auto bytes = std::as_bytes(std::span(text.data(), text.size()));
  const FileResult written =
      ReplaceFile(path, {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()},
                  nullptr, SameBytes::Keep);
  if (!written.ok()) {
    Complain(streams.err, "Could not write " + text::Shown(path) + ": " + written.reason);
    return kExitRefused;
  }
  return kExitOk;
}

bool KeysFollowRules(const ImageBytes& before, const ImageBytes& after, std::ostream& err) {
  const std::optional<std::string> refused = KeyRuleViolation(before, after);
  if (refused) Complain(err, *refused);
  return !refused;
}

std::string CommandWords(std::string_view command, const std::vector<std::string>& arguments) {
  std::string words(command);
  for (const std::string& argument : arguments) {
    const bool plain =
        !argument.empty() && argument.find_first_of(" \t\"'\\$`*?") == std::string::npos;
    const std::size_t equals = argument.find('=');
    words += ' ';
    if (plain) {
      words += argument;
    } else if (equals != std::string::npos && equals > 0) {
      words += argument.substr(0, equals + 1) + text::Quoted(argument.substr(equals + 1));
    } else {
      words += text::Quoted(argument);
    }
  }
  return words;
}

int CommitImage(const ImageForChange& image, const ImageBytes& after, const std::string& words,
                std::ostream& err) {
  if (after == image.bytes) return kExitOk;
  if (BeforeCommit()) BeforeCommit()();
  history::Store store;
  const CommitOutcome outcome = CommitIfUnchanged(
      image.path, image.read, after, {std::string(kProgram), words}, store, &image.lock);
  switch (outcome.status) {
    case CommitOutcome::Status::Written:
      if (!outcome.historyWarning.empty()) Complain(err, "warning: " + outcome.historyWarning);
      return kExitOk;
    case CommitOutcome::Status::Changed:
    case CommitOutcome::Status::Removed:
      Complain(err,
               text::Shown(image.path) + " changed while vorlanectl was working; nothing written");
      return kExitRefused;
    case CommitOutcome::Status::Failed:
      break;
  }
  Complain(err, outcome.file.Message());
  return kExitRefused;
}

void SetBeforeCommitForTesting(std::function<void()> hook) { BeforeCommit() = std::move(hook); }

int Finish(Streams& streams, int code) {
  streams.out.flush();
  if (!streams.out) {
    Complain(streams.err, "Could not write the standard output");
    return kExitRefused;
  }
  return code;
}

}  // namespace vorlane::cli
