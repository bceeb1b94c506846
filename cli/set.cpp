// vorlanectl set IMAGE KEY=FUNCTION...
#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/io.h"
#include "settings/assignments.h"

namespace vorlane::cli {

namespace {

struct Options {
  std::string image;
  std::vector<std::string> assignments;  // KEY=FUNCTION
};

void Setup(CLI::App& command, Options& options) {
  command.add_option("IMAGE", options.image, "the device image (.bin) to change")
      ->required()
      ->type_name("");
  command
      .add_option("KEY=FUNCTION", options.assignments,
                  "a key M1..M8 and a function named as the editor's key lists show it, like "
                  "M1=\"a A\" M5=Prog2 M8=Mute")
      ->required()
      ->type_name("");
  command.footer(
      "The keys change all at once, so two keys can swap functions. As in the editor, no\n"
      "function may be on two keys and every key must have one; otherwise nothing is written.");
}

int Run(const Options& options, Streams& streams) {
  const settings::ParsedAssignments parsed = settings::ParseAssignments(options.assignments);
  if (parsed.error) {
    Complain(streams.err, *parsed.error);
    return parsed.malformed ? kExitUsage : kExitRefused;
  }
  const std::optional<ImageForChange> image = LoadImageForChange(options.image, streams.err);
  if (!image) return kExitRefused;
  const ImageBytes changed = settings::ApplySettings(image->bytes, parsed.settings);
  if (!KeysFollowRules(image->bytes, changed, streams.err)) return kExitRefused;
  return CommitImage(*image, changed, CommandWords("set", options.assignments), streams.err);
}

}  // namespace

extern const Command kSet = MakeCommand<Options, Setup, Run>("set", "Give keys new functions");

}  // namespace vorlane::cli
