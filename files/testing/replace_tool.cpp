// ReplaceFile as a program of its own, for the tests that run the writer under strace (to fail
// or slow a system call, or to see the order of the calls) or under a signal or a limit.
//   replace_tool PATH TEXT [--check]
// TEXT "@N" stands for N bytes. --check reads PATH first and checks it right before the file
// changes, saying "check" on the error stream then. Prints the FileResult's kind and reason.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "files/whole_file.h"

int main(int argc, char** argv) {
  using vorlane::FileResult;
  if (argc < 3) return 2;
  vorlane::CleanUpSavesOnSignals();
  const std::string path = argv[1];
  std::string text = argv[2];
  if (text.starts_with('@')) text = std::string(std::strtoul(text.c_str() + 1, nullptr, 10), 'n');
  vorlane::FileStamp read;
  vorlane::ReplaceOptions options;
  if (argc > 3 && std::string(argv[3]) == "--check") {
    if (!vorlane::ReadWholeFile(path, read).ok()) return 3;
    options.check = [&] {
      [[maybe_unused]] const ssize_t n = ::write(2, "check\n", 6);
      return vorlane::CheckUnchanged(path, read);
    };
  }
  const FileResult r = vorlane::ReplaceFile(
      path, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}, options);
  std::printf("%d %s\n", static_cast<int>(r.kind), r.reason.c_str());
  return 0;
}
