// The writer as a program, for the tests that run it in a shell (under strace, a signal, a limit):
//   replace_tool PATH TEXT [--check | --changed | --through | --lock]
// TEXT "@N" is N bytes; --check checks PATH as read at start (marked by a getppid() call in a
// trace), --changed's check finds a change. Prints the FileResult's kind and reason on stderr.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "files/file_lock.h"
#include "files/whole_file.h"

int main(int argc, char** argv) {
  using namespace vorlane;
  if (argc < 3) return 2;
  CleanUpSavesOnSignals();
  const std::string path = argv[1];
  const std::string option = argc > 3 ? argv[3] : "";
  std::string text = argv[2];
  if (text.starts_with('@')) text = std::string(std::strtoul(text.c_str() + 1, nullptr, 10), 'n');
  FileStamp read;
  ReplaceOptions options;
  if (option == "--check" && ReadWholeFile(path, read).ok()) {
    options.check = [&] {
      ::getppid();
      return CheckUnchanged(path, read);
    };
  }
  if (option == "--changed")
    options.check = [] { return FileResult::Failure(FileResult::Kind::Changed, "", ""); };
  if (option == "--through") options.descriptors = Descriptors::WriteThrough;
  const FileResult r =
      option == "--lock"
          ? FileLock::Take(path, std::chrono::milliseconds{20}).result()
          : ReplaceFile(path, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()},
                        options);
  std::fprintf(stderr, "%d %s\n", static_cast<int>(r.kind), r.reason.c_str());
  return 0;
}
