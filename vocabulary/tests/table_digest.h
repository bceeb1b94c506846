// A short fingerprint of a table's rows, so that a test can pin a whole published table without
// restating it: the rows are written one per line ("field|field|...") and hashed with 64-bit
// FNV-1a.
#pragma once

#include <cstdint>
#include <string_view>

namespace vorlane::testing {

inline std::uint64_t Fnv1a64(std::string_view text) {
  std::uint64_t hash = 0xcbf29ce484222325u;
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3u;
  }
  return hash;
}

}  // namespace vorlane::testing
