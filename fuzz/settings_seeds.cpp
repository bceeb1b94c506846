// Writes the settings fuzzer's seed inputs into a folder and its dictionary into a file:
//   vorlane_settings_fuzz_seeds FOLDER DICTIONARY
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "fuzz/settings_harness.h"

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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s FOLDER DICTIONARY\n", argv[0]);
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);
  for (const auto& seed : vorlane::fuzz::SettingsSeedInputs()) {
    std::ofstream out(folder / ("seed-" + seed.name), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(seed.bytes.data()),
              static_cast<std::streamsize>(seed.bytes.size()));
    if (!out) {
      std::fprintf(stderr, "cannot write seed %s\n", seed.name.c_str());
      return 1;
    }
  }
  std::ofstream dictionary(argv[2], std::ios::trunc);
  for (const std::string& word : vorlane::fuzz::SettingsDictionary()) {
    dictionary << DictionaryEntry(word) << '\n';
  }
  return dictionary ? 0 : 1;
}
