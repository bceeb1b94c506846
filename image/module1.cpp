#include "image/module1.h"

#include <stdexcept>

namespace vorlane {

bool HasChosenFile(const Module1& state) { return state.FileName.size() > 1; }

void RequireImage(const ImageBytes& image) {
  if (!HoldsImage(image)) throw std::logic_error("no device image is loaded");
}

}  // namespace vorlane
