// vorlanectl show IMAGE [--json]
#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/io.h"
#include "settings/report.h"

namespace vorlane::cli {

CLI::App* SetupShow(CLI::App& app, ShowOptions& options) {
  CLI::App* show =
      app.add_subcommand("show", "Print the keys and every macro step that is not zero");
  show->add_option("IMAGE", options.image, "the device image (.bin)")->required()->type_name("");
  show->add_flag("--json", options.json,
                 "print JSON for programs (its shape: docs/settings-format.md)");
  show->footer(
      "Steps are numbered 1 to 100, as the editor's step list numbers them, and written as in\n"
      "a settings file (docs/settings-format.md).");
  return show;
}

int RunShow(const ShowOptions& options, Streams& streams) {
  const std::optional<ImageBytes> image = LoadImage(options.image, streams.err);
  if (!image) return kExitRefused;
  streams.out << (options.json ? settings::ShowJson(*image) : settings::ShowText(*image));
  return Finish(streams, kExitOk);
}

}  // namespace vorlane::cli
