// vorlanectl show IMAGE [--json]
#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/io.h"
#include "settings/report.h"

namespace vorlane::cli {

namespace {

struct Options {
  std::string image;
  bool json = false;
};

void Setup(CLI::App& command, Options& options) {
  command.add_option("IMAGE", options.image, "the device image (.bin)")->required()->type_name("");
  command.add_flag("--json", options.json,
                   "print JSON for programs (its shape: docs/settings-format.md)");
  command.footer(
      "Steps are numbered 1 to 100, as the editor's step list numbers them, and written as in\n"
      "a settings file (docs/settings-format.md).");
}

int Run(const Options& options, Streams& streams) {
  const std::optional<ImageBytes> image = LoadImage(options.image, streams.err);
  if (!image) return kExitRefused;
  streams.out << (options.json ? settings::ShowJson(*image) : settings::ShowText(*image));
  return Finish(streams, kExitOk);
}

}  // namespace

extern const Command kShow = MakeCommand<Options, Setup, Run>(
    "show", "Print the keys and every macro step that is not zero");

}  // namespace vorlane::cli
