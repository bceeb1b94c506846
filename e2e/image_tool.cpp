// The end-to-end script's only window into the image layout: it makes a patterned image, patches
// bytes in it, and names the offsets of the button bytes and macro steps, so that the script
// repeats none of them.
//
//   image_tool pattern FILE LENGTH        every byte a function of its offset
//   image_tool put FILE OFFSET BYTE...    overwrite bytes from OFFSET (decimal values)
//   image_tool button-offset N            offset of the byte of button M<N>, N = 1..8
//   image_tool step-offset PROG STEP      offset of byte 0 of step STEP (0..99) of macro PROG
//                                         (0..7)
//   image_tool min-size                   the shortest file that is an image
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "image/layout.h"

namespace {

int Usage() {
  std::cerr << "usage: image_tool pattern FILE LENGTH | put FILE OFFSET BYTE... |"
               " button-offset N | step-offset PROG STEP | min-size\n";
  return 2;
}

// Whole decimal number within [low, high], or -1.
long Number(const std::string& text, long low, long high) {
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || value < low || value > high) return -1;
  return value;
}

// Neighbouring bytes differ, so a byte written one place off shows.
int Pattern(const std::string& file, long length) {
  std::vector<char> bytes(static_cast<std::size_t>(length));
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = static_cast<char>(static_cast<std::uint8_t>(i * 7 + 3));
  }
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return out.good() ? 0 : 1;
}

int Put(const std::string& file, long offset, const std::vector<char>& bytes) {
  std::fstream io(file, std::ios::binary | std::ios::in | std::ios::out);
  io.seekp(offset);
  io.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return io.good() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return Usage();
  const std::string& command = args[0];
  constexpr long kMaxLength = 1L << 30;

  if (command == "pattern" && args.size() == 3) {
    const long length = Number(args[2], 0, kMaxLength);
    return length < 0 ? Usage() : Pattern(args[1], length);
  }
  if (command == "put" && args.size() >= 4) {
    const long offset = Number(args[2], 0, kMaxLength);
    if (offset < 0) return Usage();
    std::vector<char> bytes;
    for (std::size_t k = 3; k < args.size(); ++k) {
      const long b = Number(args[k], 0, 255);
      if (b < 0) return Usage();
      bytes.push_back(static_cast<char>(static_cast<std::uint8_t>(b)));
    }
    return Put(args[1], offset, bytes);
  }
  if (command == "button-offset" && args.size() == 2) {
    const long n = Number(args[1], 1, vorlane::kButtonCount);
    if (n < 0) return Usage();
    std::cout << vorlane::ButtonOffsets.at(static_cast<std::size_t>(n - 1)) << '\n';
    return 0;
  }
  if (command == "step-offset" && args.size() == 3) {
    const long prog = Number(args[1], 0, vorlane::kProgCount - 1);
    const long step = Number(args[2], 0, vorlane::StepsPerProg - 1);
    if (prog < 0 || step < 0) return Usage();
    std::cout << vorlane::StepOffset(static_cast<int>(prog), static_cast<int>(step)) << '\n';
    return 0;
  }
  if (command == "min-size" && args.size() == 1) {
    std::cout << vorlane::kMinImageSize << '\n';
    return 0;
  }
  return Usage();
}
