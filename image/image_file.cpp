#include "image/image_file.h"

#include <utility>

#include "files/whole_file.h"

namespace vorlane {

FileResult ReadImageFile(const std::string& path, ImageBytes& image, FileStamp* stamp) {
  FileStamp read;
  FileResult result = ReadWholeFile(path, read, kMaxImageSize);
  if (result.kind == FileResult::Kind::TooLarge) {
    result.reason = "is larger than " + std::to_string(kMaxImageSize >> 20) +
                    " MiB, too large to be a device image.";
  }
  if (!result.ok()) return result;
  if (!HoldsImage(read.bytes)) {
    result = FileResult::Failure(
        FileResult::Kind::TooShort, path,
        "is not a device image: it is " + std::to_string(read.bytes.size()) +
            " bytes long, and an image holds at least " + std::to_string(kMinImageSize) + ".");
    result.length = read.bytes.size();
    return result;
  }
  if (stamp != nullptr) {
    image = read.bytes;
    *stamp = std::move(read);
  } else {
    image = std::move(read.bytes);
  }
  return result;
}

FileResult WriteImageFile(const std::string& path, const ImageBytes& image, FileStamp* written,
                          std::function<FileResult()> check) {
  if (!HoldsImage(image)) {
    return FileResult::Failure(FileResult::Kind::WriteFailed, path, "no device image is loaded");
  }
  ReplaceOptions options;
  options.written = written;
  options.check = std::move(check);
  return ReplaceFile(path, image, options);
}

}  // namespace vorlane
