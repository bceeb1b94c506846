// Reading and writing the device image file whole, through the house's one file writer.
#pragma once

#include <string>

#include "files/file_result.h"
#include "image/image_bytes.h"

namespace vorlane {

// Replaces `image` by the whole file at `path`, and `stamp` (when given) by what tells a later
// change of it. A file that cannot be read, or that is too short to be an image (TooShort, with
// its length), leaves both exactly as they were.
FileResult ReadImageFile(const std::string& path, ImageBytes& image, FileStamp* stamp = nullptr);

// Writes the whole `image` to `path` so that a failure leaves the old file intact (the rules of
// ReplaceFile in files/whole_file.h). An image too short to be one is never written. `written`,
// when given, is set to the file as written.
FileResult WriteImageFile(const std::string& path, const ImageBytes& image,
                          FileStamp* written = nullptr);

}  // namespace vorlane
