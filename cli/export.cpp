// vorlanectl export IMAGE [-o FILE]
#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/io.h"
#include "settings/settings_file.h"

namespace vorlane::cli {

namespace {

struct Options {
  std::string image;
  std::string output;  // empty or "-": standard output
};

void Setup(CLI::App& command, Options& options) {
  command.add_option("IMAGE", options.image, "the device image (.bin)")->required()->type_name("");
  AddOutputOption(command, options.output);
  command.footer(
      "The file holds the functions of keys M1..M8 and the steps of macros Prog1..Prog8;\n"
      "docs/settings-format.md describes it. 'vorlanectl import' applies it to an image.");
}

int Run(const Options& options, Streams& streams) {
  const std::optional<ImageBytes> image = LoadImage(options.image, streams.err);
  if (!image) return kExitRefused;
  const std::string text = settings::ExportSettings(*image);
  return PrintOrWrite(options.output, options.image, text, streams);
}

}  // namespace

extern const Command kExport =
    MakeCommand<Options, Setup, Run>("export", "Write the settings file (TOML) of an image");

}  // namespace vorlane::cli
