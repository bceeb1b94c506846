// Reading and writing the device image file whole.
#pragma once

#include <cstdint>
#include <string>

#include "image/module1.h"

namespace vorlane {

struct FileResult {
  enum class Kind {
    Ok,
    TooShort,    // readable, but shorter than an image can be
    ReadFailed,  // missing, a folder, no permission, an I/O error
    WriteFailed,
  };
  Kind kind = Kind::Ok;
  std::string path;
  std::string reason;         // the system's words for what went wrong
  std::uintmax_t length = 0;  // bytes in the file, for TooShort

  bool ok() const { return kind == Kind::Ok; }
  // The text the user is shown; empty when ok().
  std::string Message() const;
};

// Replaces state.ConfigImage by the whole file. A file that cannot be read, or that is too short
// to be an image, leaves ConfigImage exactly as it was.
FileResult ReadImageFile(Module1& state, const std::string& path);

// Writes the whole ConfigImage to `path` so that a failure at any point leaves the old file
// intact: a temporary file in the same folder is written, flushed and renamed over the original.
// Only when the folder takes no new file is the image written in place.
FileResult WriteImageFile(const Module1& state, const std::string& path);

}  // namespace vorlane
