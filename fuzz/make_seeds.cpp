// Writes the seed inputs of the fuzzer into the folder given as the only argument.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "fuzz/image_harness.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);
  for (const auto& seed : vorlane::fuzz::SeedInputs()) {
    std::ofstream out(folder / ("seed-" + seed.name), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(seed.bytes.data()),
              static_cast<std::streamsize>(seed.bytes.size()));
    if (!out) {
      std::fprintf(stderr, "cannot write seed %s\n", seed.name.c_str());
      return 1;
    }
  }
  return 0;
}
