// Writes a fuzz target's seed inputs into a folder and, for a target that has one, its
// dictionary into a file:
//   vorlane_fuzz_seeds TARGET FOLDER [DICTIONARY]
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "fuzz/targets.h"

namespace {

// A libFuzzer dictionary entry: the word in double quotes, '"' and '\' escaped, other bytes
// outside printable ASCII as \xNN.
std::string DictionaryEntry(const std::string& word) {
  std::string entry = "\"";
  for (const char c : word) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      entry += '\\';
      entry += c;
    } else if (u < 0x20 || u >= 0x7F) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", u);
      entry += hex;
    } else {
      entry += c;
    }
  }
  return entry + "\"";
}

int Usage(const char* program) {
  std::fprintf(stderr, "usage: %s TARGET FOLDER [DICTIONARY]; targets:", program);
  for (const auto& target : vorlane::fuzz::FuzzTargets()) std::fprintf(stderr, " %s", target.name);
  std::fprintf(stderr, "\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) return Usage(argv[0]);
  const std::string name = argv[1];
  const vorlane::fuzz::FuzzTarget* target = nullptr;
  for (const auto& t : vorlane::fuzz::FuzzTargets()) {
    if (name == t.name) target = &t;
  }
  if (target == nullptr || (argc == 4) != (target->dictionary != nullptr)) return Usage(argv[0]);

  const std::filesystem::path folder = argv[2];
  std::filesystem::create_directories(folder);
  for (const auto& seed : target->seeds()) {
    std::ofstream out(folder / ("seed-" + seed.name), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(seed.bytes.data()),
              static_cast<std::streamsize>(seed.bytes.size()));
    if (!out) {
      std::fprintf(stderr, "cannot write seed %s\n", seed.name.c_str());
      return 1;
    }
  }
  if (argc == 3) return 0;
  std::ofstream dictionary(argv[3], std::ios::trunc);
  for (const std::string& word : target->dictionary()) dictionary << DictionaryEntry(word) << '\n';
  return dictionary ? 0 : 1;
}
