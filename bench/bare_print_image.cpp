// The floor for vorlanectl's whole-process figures: a bare C++ program that reads a device image
// whole and prints 1 KB of text made from it, and nothing else.
//   bare_print_image IMAGE
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::ifstream in(argv[1], std::ios::binary | std::ios::ate);
  std::vector<char> bytes(static_cast<std::size_t>(in.tellg()));
  in.seekg(0);
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!in || bytes.empty()) return 1;
  // 16 lines of 64 characters: the hex digits of 31 bytes, a blank and the line's end.
  constexpr int kLines = 16;
  constexpr int kBytesPerLine = 31;
  constexpr std::string_view kDigits = "0123456789ABCDEF";
  std::string text;
  for (int line = 0; line < kLines; ++line) {
    for (int i = 0; i < kBytesPerLine; ++i) {
      const auto b = static_cast<unsigned char>(
          bytes[static_cast<std::size_t>(line * kBytesPerLine + i) % bytes.size()]);
      text += kDigits[b >> 4];
      text += kDigits[b & 0xF];
    }
    text += " \n";
  }
  std::cout << text;
  return std::cout.good() ? 0 : 1;
}
