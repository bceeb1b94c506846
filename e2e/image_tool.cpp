// The end-to-end test's only window into the image layout and the tables: it makes a patterned
// image, writes functions and steps into it by their names, compares images, and answers what the
// script needs from the tables, so that the script and the screen reader repeat none of them.
// Its commands are the table kCommands below; run without arguments, it lists them.
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

// The code of the entry whose text is `name`, or -1. A byte no entry names is written 0xNN, as the
// editor's status line shows it.
template <class Table, class Text>
int CodeOf(const Table& table, Text text, const std::string& name) {
  for (const auto& entry : table) {
    if (text(entry) == name) return entry.code;
  }
  char* end = nullptr;
  const long code = name.starts_with("0x") ? std::strtol(name.c_str() + 2, &end, 16) : -1;
  return name.size() > 2 && code >= 0 && code <= 255 && *end == '\0' ? static_cast<int>(code) : -1;
}

// The name CodeOf takes back to `code`: the first entry's text, or 0xNN.
template <class Table, class Text>
std::string NameOf(const Table& table, Text text, int code) {
  for (const auto& entry : table) {
    if (entry.code == code && CodeOf(table, text, std::string(text(entry))) == code)
      return std::string(text(entry));
  }
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return std::string("0x") + kDigits[code / 16] + kDigits[code % 16];
}

constexpr auto kItemText = [](const ListItem& i) { return i.text; };
constexpr auto kCaption = [](const KeyCap& c) { return c.caption; };

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

using Args = std::vector<std::string>;  // the command's name first
constexpr long kMaxLength = 1L << 30;
constexpr int kUsage = 2;

int Print(auto value) {
  std::cout << value << '\n';
  return 0;
}

// The offset of the step that args[at] (macro, 0..7) and args[at + 1] (step, 0..99) name, or -1.
int StepOffsetAt(const Args& args, std::size_t at) {
  const long prog = Number(args[at], 0, kProgCount - 1);
  const long step = Number(args[at + 1], 0, StepsPerProg - 1);
  return prog < 0 || step < 0
             ? -1
             : static_cast<int>(StepOffset(static_cast<int>(prog), static_cast<int>(step)));
}

int PutBytes(const Args& args) {
  const long offset = Number(args[2], 0, kMaxLength);
  if (offset < 0) return kUsage;
  std::vector<char> bytes;
  for (std::size_t k = 3; k < args.size(); ++k) {
    const long b = Number(args[k], 0, 255);
    if (b < 0) return kUsage;
    bytes.push_back(static_cast<char>(static_cast<std::uint8_t>(b)));
  }
  return Put(args[1], offset, bytes);
}

int SetKey(const Args& args) {
  const long n = Number(args[2], 1, kButtonCount);
  const std::optional<int> p = Position(args[3]);
  if (n < 0 || !p) return kUsage;
  return Put(args[1], static_cast<long>(ButtonOffsets.at(static_cast<std::size_t>(n - 1))),
             {static_cast<char>(CatalogueCode(*p))});
}

int SetStep(const Args& args) {
  std::vector<int> codes{CodeOf(ModifierItems(), kItemText, args[4]),
                         CodeOf(DelayItems(), kItemText, args[5])};
  for (std::size_t k = 6; k < args.size(); ++k)
    codes.push_back(CodeOf(KeyCapTable(), kCaption, args[k]));
  const int offset = StepOffsetAt(args, 2);
  if (offset < 0 || std::find(codes.begin(), codes.end(), -1) != codes.end()) return kUsage;
  return Put(args[1], offset, std::vector<char>(codes.begin(), codes.end()));
}

// Step args[2], args[3] of file args[1] as set-step takes it: modifier, delay and six keys.
int ShowStep(const Args& args) {
  const int offset = StepOffsetAt(args, 2);
  const std::vector<char> bytes = ReadAll(args[1]);
  if (offset < 0 || bytes.size() < static_cast<std::size_t>(offset) + MacroStepSize) return kUsage;
  auto code = [&](std::size_t k) { return int{static_cast<std::uint8_t>(bytes[offset + k])}; };
  std::cout << NameOf(ModifierItems(), kItemText, code(0)) << ' '
            << NameOf(DelayItems(), kItemText, code(1));
  for (std::size_t k = 2; k < MacroStepSize; ++k)
    std::cout << ' ' << NameOf(KeyCapTable(), kCaption, code(k));
  std::cout << '\n';
  return 0;
}

// COUNT steps of file FROM (args[1]) from macro and step args[2], args[3] into file TO (args[4])
// at macro and step args[5], args[6].
int CopySteps(const Args& args) {
  const int from = StepOffsetAt(args, 2);
  const int to = StepOffsetAt(args, 5);
  const long count = Number(args[7], 1, StepsPerProg);
  const std::vector<char> source = ReadAll(args[1]);
  const long length = count * static_cast<long>(MacroStepSize);
  if (from < 0 || to < 0 || count < 0 || Number(args[3], 0, StepsPerProg - count) < 0 ||
      Number(args[6], 0, StepsPerProg - count) < 0 ||
      static_cast<long>(source.size()) < from + length)
    return kUsage;
  return Put(args[4], to, {source.begin() + from, source.begin() + from + length});
}

// A command: its name, how many arguments follow it (or at least that many), what they are and
// what it does, and its run, which answers kUsage for an argument it cannot take.
struct Command {
  std::string_view name;
  std::size_t count;
  bool orMore;
  std::string_view arguments;
  std::string_view what;
  int (*run)(const Args& args);
};

constexpr Command kCommands[] = {
    {"pattern", 2, false, "FILE LENGTH", "every byte a function of its offset",
     [](const Args& a) {
       const long length = Number(a[2], 0, kMaxLength);
       return length < 0 ? kUsage : Pattern(a[1], length);
     }},
    {"put", 3, true, "FILE OFFSET BYTE...", "overwrite bytes from OFFSET (decimal values)",
     PutBytes},
    {"set-key", 3, false, "FILE N FUNCTION", "give button M<N> (1..8) the function named FUNCTION",
     SetKey},
    {"set-step", 3 + MacroStepSize, false, "FILE PROG STEP MODIFIER DELAY KEY*6",
     "write step STEP (0..99) of macro PROG (0..7) from the names the lists and key-caps show, "
     "or 0xNN for a byte none names",
     SetStep},
    {"step", 3, false, "FILE PROG STEP", "step STEP of macro PROG as set-step takes it", ShowStep},
    {"copy-steps", 7, false, "FROM PROG STEP TO PROG STEP COUNT",
     "copy COUNT steps of file FROM into file TO", CopySteps},
    {"compare", 2, false, "FILE EXPECTED", "exit 1, listing the first differences, unless equal",
     [](const Args& a) { return Compare(a[1], a[2]); }},
    {"button-offset", 1, false, "N", "offset of the byte of button M<N>, N = 1..8",
     [](const Args& a) {
       const long n = Number(a[1], 1, kButtonCount);
       return n < 0 ? kUsage : Print(ButtonOffsets.at(static_cast<std::size_t>(n - 1)));
     }},
    {"step-offset", 2, false, "PROG STEP", "offset of byte 0 of step STEP of macro PROG",
     [](const Args& a) {
       const int offset = StepOffsetAt(a, 1);
       return offset < 0 ? kUsage : Print(offset);
     }},
    {"min-size", 0, false, "", "the shortest file that is an image",
     [](const Args&) { return Print(kMinImageSize); }},
    {"position", 1, false, "FUNCTION", "the function's row in the button lists, from 0",
     [](const Args& a) {
       const std::optional<int> p = Position(a[1]);
       return p ? Print(*p) : kUsage;
     }},
    {"catalogue-size", 0, false, "", "how many rows the button lists have",
     [](const Args&) { return Print(kCatalogueSize); }},
    {"key-caps", 0, false, "", "the key-caps' captions, one a line, in control order",
     [](const Args&) {
       for (const KeyCap& cap : KeyCapTable()) std::cout << cap.caption << '\n';
       return 0;
     }},
    {"key-code", 1, false, "CAPTION", "the code the key-cap CAPTION puts into a step",
     [](const Args& a) {
       const int code = CodeOf(KeyCapTable(), kCaption, a[1]);
       return code < 0 ? kUsage : Print(code);
     }},
};

}  // namespace

int main(int argc, char** argv) {
  const Args args(argv + 1, argv + argc);
  for (const Command& command : kCommands) {
    if (args.empty() || args[0] != command.name) continue;
    const std::size_t given = args.size() - 1;
    if (given == command.count || (command.orMore && given > command.count)) {
      const int status = command.run(args);
      if (status != kUsage) return status;
    }
    break;
  }
  std::cerr << "usage:\n";
  for (const Command& command : kCommands) {
    std::cerr << "  image_tool " << command.name << (command.count > 0 ? " " : "")
              << command.arguments << "\n      " << command.what << '\n';
  }
  return kUsage;
}
