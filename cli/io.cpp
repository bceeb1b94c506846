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

// A text input that could not be read, worded as every file failure is.
std::string Unread(std::string_view name, int error) {
  if (error != EFBIG) {
    return FileFailure(FileResult::Failure(FileResult::Kind::ReadFailed, std::string(name), error));
  }
  return FileFailure(FileResult::Failure(FileResult::Kind::TooLarge, std::string(name),
                                         "is larger than " + std::to_string(kMaxTextInput >> 20) +
                                             " MiB, too large for a settings file or a text"));
}

// All of `fd` up to its end, named `name` in messages; none after a message.
std::optional<TextInput> ReadAll(int fd, std::string name, std::ostream& err) {
  TextInput input{{}, std::move(name)};
  if (const int error = ReadToEnd(fd, input.text, kMaxTextInput); error != 0) {
    Complain(err, Unread(input.name, error));
    return std::nullopt;
  }
  return input;
}

}  // namespace

void Complain(std::ostream& err, std::string_view message) {
  err << kProgram << ": " << message << '\n';
}

std::string FileFailure(const FileResult& result) {
  const std::string path = text::Shown(result.path);
  const std::string because = ": " + result.reason;
  switch (result.kind) {
    case FileResult::Kind::Ok:
      return {};
    case FileResult::Kind::TooShort:
    case FileResult::Kind::TooLarge:
      return path + " " + result.reason;
    case FileResult::Kind::ReadFailed:
      return "Could not read " + path + because;
    case FileResult::Kind::WriteFailed:
      return "Could not write " + path + because;
    case FileResult::Kind::WriteTorn:
      return "Could not finish writing " + path + because +
             "; it may now hold the new content, or part of it";
    case FileResult::Kind::Changed:
      return path + " changed while vorlanectl was working; nothing written";
    case FileResult::Kind::Removed:
      return path + " was removed while vorlanectl was working; nothing written";
  }
  return {};
}

std::optional<ImageBytes> LoadImage(const std::string& path, std::ostream& err) {
  ImageBytes image;
  const FileResult read = ReadImageFile(path, image);
  if (!read.ok()) {
    Complain(err, FileFailure(read));
    return std::nullopt;
  }
  return image;
}

std::optional<ImageForChange> LoadImageForChange(const std::string& path, std::ostream& err) {
  ImageForChange image;
  image.path = path;
  image.lock = FileLock::Take(path);
  FileResult result = image.lock.result();
  if (result.ok()) result = ReadImageFile(path, image.bytes, &image.read);
  if (!result.ok()) {
    Complain(err, FileFailure(result));
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
    Complain(err, Unread(path, errno));
    return std::nullopt;
  }
  if (S_ISDIR(st.st_mode)) {
    Complain(err, Unread(path, EISDIR));
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
  ReplaceOptions options;
  options.same = SameBytes::Keep;
  options.descriptors = Descriptors::WriteThrough;
  const FileResult written = ReplaceFile(
      path, {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, options);
  if (!written.ok()) {
    Complain(streams.err, FileFailure(written));
    return kExitRefused;
  }
  return kExitOk;
}

int PrintOrWrite(const std::string& output, const std::string& image, std::string_view text,
                 Streams& streams) {
  if (output.empty() || output == "-") {
    streams.out << text;
    return Finish(streams, kExitOk);
  }
  if (IsTheImage(output, image, streams.err)) return kExitRefused;
  return WriteOutput(output, text, streams);
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
  history::Store store;
  const CommitOutcome outcome = CommitIfUnchanged(
      image.path, image.read, after, {std::string(kProgram), words}, store, &image.lock);
  if (!outcome.ok()) {
    Complain(err, FileFailure(outcome.file));
    return kExitRefused;
  }
  if (!outcome.historyWarning.empty()) Complain(err, "warning: " + outcome.historyWarning);
  return kExitOk;
}

void SetBeforeCommitForTesting(std::function<void()> hook) {
  SetBeforeCommitCheckForTesting(std::move(hook));
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
