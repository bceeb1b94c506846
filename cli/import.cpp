// vorlanectl import IMAGE SETTINGS [--dry-run]
#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/io.h"
#include "settings/report.h"
#include "settings/settings_file.h"

namespace vorlane::cli {

namespace {

struct Options {
  std::string image;
  std::string settings;  // "-": standard input
  bool dryRun = false;
};

void Setup(CLI::App& command, Options& options) {
  command.add_option("IMAGE", options.image, "the device image (.bin) to change")
      ->required()
      ->type_name("");
  command.add_option("SETTINGS", options.settings, "the settings file; - reads standard input")
      ->required()
      ->type_name("");
  command.add_flag("--dry-run", options.dryRun,
                   "write nothing; print each key and step that would change");
  command.footer(
      "Keys and macros the file leaves out stay as they are; a macro it lists gets exactly\n"
      "the steps listed, and zero steps after them. Nothing is written when the file has an\n"
      "error or a key would break the editor's rules.\n"
      "Errors are reported in file order as FILE:LINE:COLUMN: what is wrong; every one is,\n"
      "up to the first that stops the reading (an error in the TOML syntax, or a character\n"
      "beyond ASCII outside a comment), which is reported last. Empty standard input is\n"
      "refused, as what a failed command before the pipe gives; an empty file changes nothing.");
}

int Run(const Options& options, Streams& streams) {
  if (IsTheImage(options.settings, options.image, streams.err)) return kExitRefused;
  // The image is looked at before the settings are read but locked only after: settings typed
  // on standard input must not hold other writers back. A dry run writes nothing, so it takes
  // no lock.
  const std::optional<ImageBytes> looked = LoadImage(options.image, streams.err);
  if (!looked) return kExitRefused;
  const std::optional<TextInput> input = ReadTextInput(options.settings, streams.in, streams.err);
  if (!input) return kExitRefused;
  if (options.settings == "-" && input->text.empty()) {
    Complain(streams.err, "nothing read from standard input");
    return kExitRefused;
  }
  const settings::ParsedSettings parsed = settings::ParseSettings(input->text, input->name);
  for (const settings::FileError& error : parsed.errors) streams.err << error.Text() << '\n';
  if (!parsed.ok()) return kExitRefused;
  std::optional<ImageForChange> image;
  if (!options.dryRun && !(image = LoadImageForChange(options.image, streams.err))) {
    return kExitRefused;
  }

  const ImageBytes& before = image ? image->bytes : *looked;
  const ImageBytes changed = settings::ApplySettings(before, parsed.settings);
  if (!KeysFollowRules(before, changed, streams.err)) return kExitRefused;
  if (image) {
    return CommitImage(*image, changed, CommandWords("import", {options.settings}), streams.err);
  }
  streams.out << settings::DiffText(settings::DiffImages(before, changed));
  return Finish(streams, kExitOk);
}

}  // namespace

extern const Command kImport =
    MakeCommand<Options, Setup, Run>("import", "Apply a settings file to an image");

}  // namespace vorlane::cli
