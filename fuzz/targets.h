// The fuzz targets side by side, for what treats them alike: the seed maker and the regression
// test. Each target's kept inputs live in fuzz/<name>_regressions/.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "fuzz/fuzz_entry.h"
#include "fuzz/image_harness.h"

namespace vorlane::fuzz {

struct FuzzTarget {
  const char* name;                          // "image", "settings"
  InputCheck check;                          // the invariants one input must keep
  std::vector<NamedInput> (*seeds)();        // inputs that start the fuzzer off
  std::vector<std::string> (*dictionary)();  // words for libFuzzer's -dict, or null
};

std::span<const FuzzTarget> FuzzTargets();

}  // namespace vorlane::fuzz
