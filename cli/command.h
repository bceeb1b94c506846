// What every vorlanectl command shares: its streams, its exit status, and the one value by which
// a command file makes its command known.
#pragma once

#include <functional>
#include <iosfwd>
#include <memory>
#include <string_view>

namespace CLI {
class App;
}

namespace vorlane::cli {

inline constexpr std::string_view kProgram = "vorlanectl";

// The exit statuses of a command: numbers the shell sees, so constants rather than an enum.
inline constexpr int kExitOk = 0;
// A refused input (image, settings file, argument value, key rule), or a failed write.
inline constexpr int kExitRefused = 1;
// An unknown command or option, a missing or extra argument, a malformed KEY=FUNCTION.
inline constexpr int kExitUsage = 2;

// Data goes to `out`, messages to `err`; "-" as a file reads the descriptor `in` (the program's
// standard input; tests pass a descriptor of their own).
struct Streams {
  int in;
  std::ostream& out;
  std::ostream& err;
};

// A command: its name and one-line summary, and what declares its arguments on its own part of
// the command line and gives back the run that reads them once they are parsed.
struct Command {
  using Run = std::function<int(Streams&)>;
  std::string_view name;
  std::string_view summary;
  Run (*declare)(CLI::App& command);
};

// The Command of a command file: `Setup` declares the file's private Options on the command's
// CLI::App, and `Run` carries the command out with them. Each parse gets its own Options.
template <typename Options, void (*Setup)(CLI::App&, Options&),
          int (*Run)(const Options&, Streams&)>
constexpr Command MakeCommand(std::string_view name, std::string_view summary) {
  return {name, summary, [](CLI::App& command) -> Command::Run {
            auto options = std::make_shared<Options>();
            Setup(command, *options);
            return [options](Streams& streams) { return Run(*options, streams); };
          }};
}

}  // namespace vorlane::cli
