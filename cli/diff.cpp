// vorlanectl diff IMAGE_A IMAGE_B
#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/io.h"
#include "settings/report.h"

namespace vorlane::cli {

namespace {

struct Options {
  std::string imageA;
  std::string imageB;
};

void Setup(CLI::App& command, Options& options) {
  command.add_option("IMAGE_A", options.imageA, "the first device image (.bin)")
      ->required()
      ->type_name("");
  command.add_option("IMAGE_B", options.imageB, "the second device image (.bin)")
      ->required()
      ->type_name("");
  command.footer(
      "One line for each key and each step that differs, then how many other bytes differ.\n"
      "Nothing when the images are equal.");
}

int Run(const Options& options, Streams& streams) {
  const std::optional<ImageBytes> a = LoadImage(options.imageA, streams.err);
  if (!a) return kExitRefused;
  const std::optional<ImageBytes> b = LoadImage(options.imageB, streams.err);
  if (!b) return kExitRefused;
  streams.out << settings::DiffText(settings::DiffImages(*a, *b));
  return Finish(streams, kExitOk);
}

}  // namespace

extern const Command kDiff =
    MakeCommand<Options, Setup, Run>("diff", "Show what differs between two images");

}  // namespace vorlane::cli
