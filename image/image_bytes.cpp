#include "image/image_bytes.h"

#include <stdexcept>

namespace vorlane {

void RequireImage(const ImageBytes& image) {
  if (!HoldsImage(image)) throw std::logic_error("no device image is loaded");
}

}  // namespace vorlane
