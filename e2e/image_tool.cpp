// The end-to-end test's only window into the image layout and the tables: it makes a patterned
// image, writes functions and steps into it by their names, compares images, and answers what the
// script needs from the tables, so that the script and the screen reader repeat none of them.
//
//   image_tool pattern FILE LENGTH        every byte a function of its offset
//   image_tool put FILE OFFSET BYTE...    overwrite bytes from OFFSET (decimal values)
//   image_tool set-key FILE N FUNCTION    give button M<N> (1..8) the function named FUNCTION
//   image_tool set-step FILE PROG STEP MODIFIER DELAY KEY KEY KEY KEY KEY KEY
//                                         write step STEP (0..99) of macro PROG (0..7) from the
//                                         names the editor's lists and key-caps show
//   image_tool copy-steps FROM PROG STEP TO PROG STEP COUNT
//                                         copy COUNT steps of file FROM into file TO
//   image_tool compare FILE EXPECTED      exit 1, listing the first differences, unless the two
//                                         files are equal
//   image_tool button-offset N            offset of the byte of button M<N>, N = 1..8
//   image_tool step-offset PROG STEP      offset of byte 0 of step STEP of macro PROG
//   image_tool min-size                   the shortest file that is an image
//   image_tool position FUNCTION          the function's row in the button lists, from 0
//   image_tool catalogue-size             how many rows the button lists have
//   image_tool key-caps                   the key-caps' captions, one a line, in control order
//   image_tool key-code CAPTION           the code the key-cap CAPTION puts into a step
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "image/layout.h"
#include "vocabulary/function_catalogue.h"
#include "vocabulary/key_tables.h"

using namespace vorlane;  // a small tool over the image layout and the tables

namespace {

int Usage() {
  std::cerr << "usage: image_tool pattern FILE LENGTH | put FILE OFFSET BYTE... |"
               " set-key FILE N FUNCTION | set-step FILE PROG STEP MODIFIER DELAY KEY*6 |"
               " copy-steps FROM PROG STEP TO PROG STEP COUNT |"
               " compare FILE EXPECTED | button-offset N | step-offset PROG STEP | min-size |"
               " position FUNCTION | catalogue-size | key-caps\n";
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

// The code of the entry whose text is `name`, or -1.
template <class Table, class Text>
int CodeOf(const Table& table, Text text, const std::string& name) {
  for (const auto& entry : table) {
    if (text(entry) == name) return entry.code;
  }
  return -1;
}

std::optional<int> Position(const std::string& function) {
  const auto& catalogue = FunctionCatalogue();
  for (std::size_t p = 0; p < catalogue.size(); ++p) {
    if (catalogue[p].name == function) return static_cast<int>(p);
  }
  return std::nullopt;
}

std::vector<char> ReadAll(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Lists up to 20 differences as "offset expected found" (decimal, offsets from 0).
int Compare(const std::string& file, const std::string& expected) {
  const std::vector<char> found = ReadAll(file);
  const std::vector<char> want = ReadAll(expected);
  if (found == want) return 0;
  std::cout << "Differences (offset from 0, expected, found; decimal):\n";
  if (found.size() != want.size())
    std::cout << "  length " << want.size() << ' ' << found.size() << '\n';
  int listed = 0;
  for (std::size_t i = 0; i < std::min(found.size(), want.size()) && listed < 20; ++i) {
    if (found[i] == want[i]) continue;
    std::cout << "  " << i << ' ' << int{static_cast<std::uint8_t>(want[i])} << ' '
              << int{static_cast<std::uint8_t>(found[i])} << '\n';
    ++listed;
  }
  return 1;
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
  if (command == "set-key" && args.size() == 4) {
    const long n = Number(args[2], 1, kButtonCount);
    const std::optional<int> p = Position(args[3]);
    if (n < 0 || !p) return Usage();
    return Put(args[1], static_cast<long>(ButtonOffsets.at(static_cast<std::size_t>(n - 1))),
               {static_cast<char>(CatalogueCode(*p))});
  }
  if (command == "set-step" && args.size() == 4 + MacroStepSize) {
    const long prog = Number(args[2], 0, kProgCount - 1);
    const long step = Number(args[3], 0, StepsPerProg - 1);
    std::vector<int> codes{CodeOf(
                               ModifierItems(), [](const ListItem& i) { return i.text; }, args[4]),
                           CodeOf(
                               DelayItems(), [](const ListItem& i) { return i.text; }, args[5])};
    for (std::size_t k = 6; k < args.size(); ++k)
      codes.push_back(CodeOf(
          KeyCapTable(), [](const KeyCap& c) { return c.caption; }, args[k]));
    if (prog < 0 || step < 0 || std::find(codes.begin(), codes.end(), -1) != codes.end())
      return Usage();
    const std::vector<char> bytes(codes.begin(), codes.end());
    return Put(args[1],
               static_cast<long>(StepOffset(static_cast<int>(prog), static_cast<int>(step))),
               bytes);
  }
  if (command == "copy-steps" && args.size() == 8) {
    const long from[] = {Number(args[2], 0, kProgCount - 1), Number(args[3], 0, StepsPerProg - 1)};
    const long to[] = {Number(args[5], 0, kProgCount - 1), Number(args[6], 0, StepsPerProg - 1)};
    const long count = Number(args[7], 1, StepsPerProg);
    if (from[0] < 0 || from[1] < 0 || to[0] < 0 || to[1] < 0 || count < 0 ||
        from[1] + count > StepsPerProg || to[1] + count > StepsPerProg)
      return Usage();
    const std::vector<char> source = ReadAll(args[1]);
    const auto first =
        static_cast<long>(StepOffset(static_cast<int>(from[0]), static_cast<int>(from[1])));
    const long length = count * static_cast<long>(MacroStepSize);
    if (static_cast<long>(source.size()) < first + length) return Usage();
    return Put(args[4],
               static_cast<long>(StepOffset(static_cast<int>(to[0]), static_cast<int>(to[1]))),
               {source.begin() + first, source.begin() + first + length});
  }
  if (command == "compare" && args.size() == 3) return Compare(args[1], args[2]);
  if (command == "position" && args.size() == 2) {
    const std::optional<int> p = Position(args[1]);
    if (!p) return Usage();
    std::cout << *p << '\n';
    return 0;
  }
  if (command == "catalogue-size" && args.size() == 1) {
    std::cout << kCatalogueSize << '\n';
    return 0;
  }
  if (command == "key-caps" && args.size() == 1) {
    for (const KeyCap& cap : KeyCapTable()) std::cout << cap.caption << '\n';
    return 0;
  }
  if (command == "key-code" && args.size() == 2) {
    const int code = CodeOf(
        KeyCapTable(), [](const KeyCap& c) { return c.caption; }, args[1]);
    if (code < 0) return Usage();
    std::cout << code << '\n';
    return 0;
  }
  if (command == "button-offset" && args.size() == 2) {
    const long n = Number(args[1], 1, kButtonCount);
    if (n < 0) return Usage();
    std::cout << ButtonOffsets.at(static_cast<std::size_t>(n - 1)) << '\n';
    return 0;
  }
  if (command == "step-offset" && args.size() == 3) {
    const long prog = Number(args[1], 0, kProgCount - 1);
    const long step = Number(args[2], 0, StepsPerProg - 1);
    if (prog < 0 || step < 0) return Usage();
    std::cout << StepOffset(static_cast<int>(prog), static_cast<int>(step)) << '\n';
    return 0;
  }
  if (command == "min-size" && args.size() == 1) {
    std::cout << kMinImageSize << '\n';
    return 0;
  }
  return Usage();
}
