// The 130 functions a device button can be given, in the order the button lists show them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vorlane {

inline constexpr int kCatalogueSize = 130;

struct CatalogueEntry {
  std::string_view name;  // item text of the button lists
  std::int16_t code;      // byte stored in the image, 4..250
};

// Catalogue position p is list position p in all eight button lists.
const std::array<CatalogueEntry, kCatalogueSize>& FunctionCatalogue();

// Code at a catalogue position (0..129).
std::int16_t CatalogueCode(int position);

// First position whose code equals `code`; none when no function uses that byte.
std::optional<int> CataloguePosition(int code);

}  // namespace vorlane
