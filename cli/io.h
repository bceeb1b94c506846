// Reading and writing for the commands, each reporting its failure on the error stream.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "cli/command.h"
#include "image/module1.h"

namespace vorlane::cli {

// "vorlanectl: " and the message, on a line of its own.
void Complain(std::ostream& err, std::string_view message);

// The image at `path`, or none after the editor's message.
std::optional<ImageBytes> LoadImage(const std::string& path, std::ostream& err);

struct TextInput {
  std::string text;
  std::string name;  // the path, or "<stdin>"
};

// The whole of the file at `path`, or of the descriptor `in` for "-"; none after a message.
// Refuses more than kMaxTextInput bytes, so that a device or an endless pipe given by mistake
// cannot exhaust memory.
inline constexpr std::size_t kMaxTextInput = 1 << 20;
std::optional<TextInput> ReadTextInput(const std::string& path, int in, std::ostream& err);

// Writes `text` to `path` so that a failure leaves no half-written file: a temporary file beside
// it is written, flushed and renamed over it. Something that is no regular file (a terminal, a
// pipe, /dev/null) is written directly. False after a message.
bool WriteTextFile(const std::string& path, std::string_view text, std::ostream& err);

// Writes `after` over the image file at `path` that held `before`, after the editor's key rules;
// nothing when the two are equal. The exit status.
int CommitImage(const std::string& path, const ImageBytes& before, const ImageBytes& after,
                std::ostream& err);

// `code`, unless the data could not all be written to `out`.
int Finish(Streams& streams, int code);

}  // namespace vorlane::cli
