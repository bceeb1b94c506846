// Reading and writing the device image file whole, through the house's one file writer.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "files/file_result.h"
#include "image/image_bytes.h"

namespace vorlane {

// A device image is tens of kilobytes; a file past this bound is no image, and is refused before
// it is read rather than held in memory several times over.
inline constexpr std::size_t kMaxImageSize = std::size_t{16} << 20;

// Replaces `image` by the whole file at `path`, and `stamp` (when given) by what tells a later
// change of it. A file that cannot be read, or that is too short (TooShort, with its length) or
// too large (TooLarge) to be an image, leaves both exactly as they were.
FileResult ReadImageFile(const std::string& path, ImageBytes& image, FileStamp* stamp = nullptr);

// Writes the whole `image` to `path` so that a failure leaves the old file intact (the rules of
// ReplaceFile in files/whole_file.h). An image too short to be one is never written. `written`,
// when given, is set to the file as written. `check`, when given, runs right before the file
// changes (CheckUnchanged, say); a failure it returns writes nothing and is returned.
FileResult WriteImageFile(const std::string& path, const ImageBytes& image,
                          FileStamp* written = nullptr, std::function<FileResult()> check = {});

}  // namespace vorlane
