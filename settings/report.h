// The settings of an image as text for people and for programs, and what differs between two
// images. Both images are at least kMinImageSize bytes long.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "image/image_bytes.h"

namespace vorlane::settings {

// The eight keys with their functions, then each macro's non-zero steps, numbered 1 to 100.
std::string ShowText(const ImageBytes& image);

// The same as JSON; docs/settings-format.md gives its shape.
std::string ShowJson(const ImageBytes& image);

struct ImageDiff {
  // One line per key and per step that differs, keys first:
  //   M2: "b B" -> "Prog3"
  //   Prog3 step 5: "None 0s" -> "LShi 0.1s H"
  std::vector<std::string> changes;
  // Bytes outside the keys and the macros that differ, with those one image has beyond the other.
  std::size_t otherBytes = 0;
  std::size_t lengthA = 0;
  std::size_t lengthB = 0;

  bool empty() const { return changes.empty() && otherBytes == 0; }
};

ImageDiff DiffImages(const ImageBytes& a, const ImageBytes& b);

// The change lines, then "N other bytes differ" (with the lengths when they differ) when N > 0;
// nothing at all for two equal images.
std::string DiffText(const ImageDiff& diff);

}  // namespace vorlane::settings
