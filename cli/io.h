// Reading and writing for the commands, each reporting its failure on the error stream.
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command.h"
#include "files/file_lock.h"
#include "files/file_result.h"
#include "image/image_bytes.h"

namespace vorlane::cli {

// "vorlanectl: " and the message, on a line of its own.
void Complain(std::ostream& err, std::string_view message);

// The words of a file's failure, its path quoted; empty for a success.
std::string FileFailure(const FileResult& result);

// The image at `path`, or none after the editor's message.
std::optional<ImageBytes> LoadImage(const std::string& path, std::ostream& err);

// An image read for a change: the writers' lock on it is held from the read until the object
// goes, so two commands at once both land, one after the other.
struct ImageForChange {
  std::string path;
  ImageBytes bytes;
  FileStamp read;  // what was read, to tell a change by a writer that does not lock
  FileLock lock;
};
std::optional<ImageForChange> LoadImageForChange(const std::string& path, std::ostream& err);

// True when `other` names the same file as `image` (through any link), after a message: a command
// that would write or read the image in place of another file does nothing.
bool IsTheImage(const std::string& other, const std::string& image, std::ostream& err);

struct TextInput {
  std::string text;
  std::string name;  // the path, or "<stdin>"
};

// The whole of the file at `path`, or of the descriptor `in` for "-"; none after a message.
// Refuses more than kMaxTextInput bytes, so that a device or an endless pipe given by mistake
// cannot exhaust memory.
inline constexpr std::size_t kMaxTextInput = 1 << 20;
std::optional<TextInput> ReadTextInput(const std::string& path, int in, std::ostream& err);

// Writes `text` to the file `path`, as every file of ours is written (files/whole_file.h); a path
// naming standard output or error writes that stream, as "-" does. The exit status.
int WriteOutput(const std::string& path, std::string_view text, Streams& streams);

// What a command made from `image` goes to: standard output for an empty `output` or "-", else
// WriteOutput, refusing the image itself. The exit status.
int PrintOrWrite(const std::string& output, const std::string& image, std::string_view text,
                 Streams& streams);

// True when the change of the image from `before` to `after` keeps the editor's key rules;
// false after the message.
bool KeysFollowRules(const ImageBytes& before, const ImageBytes& after, std::ostream& err);

// The words a history entry gives a command: its name and arguments as a shell would take them,
// the image left out: `set M1="a A"`.
std::string CommandWords(std::string_view command, const std::vector<std::string>& arguments);

// Writes `after` over the image through CommitIfUnchanged, if it differs from what was read;
// otherwise writes nothing. `words` name the change in the image's history; a history that
// cannot be kept is one warning line, the status unchanged. The exit status.
int CommitImage(const ImageForChange& image, const ImageBytes& after, const std::string& words,
                std::ostream& err);

// For tests: runs when the new file is ready, right before the last look at the file, so a test
// can change the file there as another program might.
void SetBeforeCommitForTesting(std::function<void()> hook);

// `code`, unless the data could not all be written to `out`.
int Finish(Streams& streams, int code);

}  // namespace vorlane::cli
