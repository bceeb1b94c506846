// What every edit of an image must keep, checked the same way by the fuzz harnesses and the
// random session: no two keys share a function, the file holds the image, the mirrors follow it,
// and no byte changed that no command owns. Each check returns "" when it holds, else what broke.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "image/button_rules.h"
#include "image/layout.h"
#include "image/module1.h"
#include "image/testing/test_images.h"
#include "vocabulary/function_catalogue.h"

namespace vorlane::testing {

// Where two images first part.
inline std::string Describe(const ImageBytes& a, const ImageBytes& b) {
  if (a.size() != b.size()) {
    return "lengths " + std::to_string(a.size()) + " and " + std::to_string(b.size());
  }
  const auto diff = std::mismatch(a.begin(), a.end(), b.begin());
  return "first difference at offset " + std::to_string(diff.first - a.begin());
}

// No two lists hold the same function; each holds a catalogue position or nothing.
inline std::string SharedFunction(const std::array<int, kButtonCount>& positions) {
  for (int n = 1; n <= kButtonCount; ++n) {
    const int p = positions[static_cast<std::size_t>(n - 1)];
    if (p == kNoSelection) continue;
    if (p < 0 || p >= kCatalogueSize)
      return "list " + std::to_string(n) + " holds position " + std::to_string(p);
    for (int k = n + 1; k <= kButtonCount; ++k) {
      if (positions[static_cast<std::size_t>(k - 1)] == p) {
        return "lists " + std::to_string(n) + " and " + std::to_string(k) + " both hold position " +
               std::to_string(p);
      }
    }
  }
  return {};
}

// The file holds exactly `image`.
inline std::string FileIsNot(const std::filesystem::path& file, const ImageBytes& image) {
  const ImageBytes onDisk = ReadFileBytes(file);
  if (onDisk == image) return {};
  return file.filename().string() + " is not the image: " + Describe(onDisk, image);
}

// ProgSteps mirror the macro area of `image`.
inline std::string MirrorsDiffer(const ImageBytes& image,
                                 const std::array<ProgBlock, kProgCount>& mirrors) {
  for (int p = 0; p < kProgCount; ++p) {
    const auto first = image.begin() + static_cast<std::ptrdiff_t>(StepOffset(p, 0));
    if (!std::equal(first, first + static_cast<std::ptrdiff_t>(ProgAreaSize),
                    mirrors[static_cast<std::size_t>(p)].begin())) {
      return "ProgSteps[" + std::to_string(p) + "] differs from the image";
    }
  }
  return {};
}

// The bytes of an image that the commands run since a load may have written.
class OwnedBytes {
 public:
  explicit OwnedBytes(std::size_t size) : owned_(size, false) {}
  OwnedBytes& Buttons() {
    for (std::size_t offset : ButtonOffsets) owned_.at(offset) = true;
    return *this;
  }
  OwnedBytes& Step(int prog, int step) {
    std::fill_n(owned_.begin() + static_cast<std::ptrdiff_t>(StepOffset(prog, step)), MacroStepSize,
                true);
    return *this;
  }
  OwnedBytes& MacroArea() {
    std::fill_n(owned_.begin() + static_cast<std::ptrdiff_t>(MacroAreaStart), kMacroAreaSize, true);
    return *this;
  }
  bool operator[](std::size_t offset) const { return owned_[offset]; }

 private:
  std::vector<bool> owned_;
};

// `after` has the length of `before` and differs from it only in owned bytes.
inline std::string ForeignByteChanged(const ImageBytes& before, const ImageBytes& after,
                                      const OwnedBytes& owned) {
  if (after.size() != before.size()) return "the image changed length";
  for (std::size_t i = 0; i < before.size(); ++i) {
    if (after[i] != before[i] && !owned[i])
      return "byte " + std::to_string(i) + " changed though no command writes it";
  }
  return {};
}

}  // namespace vorlane::testing
