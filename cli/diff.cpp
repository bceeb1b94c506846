// vorlanectl diff IMAGE_A IMAGE_B
#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/io.h"
#include "settings/report.h"

namespace vorlane::cli {

CLI::App* SetupDiff(CLI::App& app, DiffOptions& options) {
  CLI::App* command = app.add_subcommand("diff", "Show what differs between two images");
  command->add_option("IMAGE_A", options.imageA, "the first device image (.bin)")
      ->required()
      ->type_name("");
  command->add_option("IMAGE_B", options.imageB, "the second device image (.bin)")
      ->required()
      ->type_name("");
  command->footer(
      "One line for each key and each step that differs, then how many other bytes differ.\n"
      "Nothing when the images are equal.");
  return command;
}

int RunDiff(const DiffOptions& options, Streams& streams) {
  const std::optional<ImageBytes> a = LoadImage(options.imageA, streams.err);
  if (!a) return kExitRefused;
  const std::optional<ImageBytes> b = LoadImage(options.imageB, streams.err);
  if (!b) return kExitRefused;
  streams.out << settings::DiffText(settings::DiffImages(*a, *b));
  return Finish(streams, kExitOk);
}

}  // namespace vorlane::cli
