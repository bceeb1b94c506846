// What every vorlanectl command shares: its streams and its exit status.
#pragma once

#include <iosfwd>
#include <string_view>

namespace vorlane::cli {

inline constexpr std::string_view kProgram = "vorlanectl";

// The exit status of a command.
enum Exit : int {
  kExitOk = 0,
  kExitRefused =
      1,  // a refused input (image, settings file, argument value, key rule), or a failed write
  kExitUsage = 2,  // unknown command or option, missing or extra argument, malformed KEY=FUNCTION
};

// Data goes to `out`, messages to `err`; "-" as a file reads `in`. Tests pass string streams.
struct Streams {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
};

}  // namespace vorlane::cli
