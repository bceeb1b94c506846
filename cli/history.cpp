// vorlanectl history IMAGE
#include <CLI/CLI.hpp>

#include <ctime>

#include "cli/commands.h"
#include "cli/io.h"
#include "cli/saved_versions.h"
#include "history/summary.h"
#include "text/quote.h"

namespace vorlane::cli {

namespace {

struct Options {
  std::string image;
};

void Setup(CLI::App& command, Options& options) {
  command.add_option("IMAGE", options.image, "the device image (.bin)")->required()->type_name("");
  command.footer(
      "One line for each version kept before a write by vorlane or vorlanectl, newest first:\n"
      "its number for 'vorlanectl restore', the local time of the write, the program and\n"
      "what it did, and in brackets what that write changed.");
}

std::string LocalTime(std::int64_t ns) {
  const std::time_t seconds = static_cast<std::time_t>(ns / 1000000000);
  std::tm local{};
  ::localtime_r(&seconds, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

int Run(const Options& options, Streams& streams) {
  const std::optional<SavedVersions> saved = ReadSavedVersions(options.image, streams.err);
  if (!saved) return kExitRefused;
  for (std::size_t i = 0; i < saved->entries.size(); ++i) {
    const history::Entry& e = saved->entries[i];
    // What the write did: from this version to the next one, or to the file as it is now.
    const ImageBytes* after = i == 0 ? &saved->now : &saved->entries[i - 1].bytes;
    streams.out << i + 1 << "  " << LocalTime(e.timeNs) << "  " << e.program << ' ' << e.words;
    if (!after->empty()) streams.out << "  [" << history::ChangedParts(e.bytes, *after) << ']';
    streams.out << '\n';
  }
  return Finish(streams, kExitOk);
}

}  // namespace

extern const Command kHistory =
    MakeCommand<Options, Setup, Run>("history", "List the versions kept before each write");

}  // namespace vorlane::cli
