// vorlanectl restore IMAGE N [--dry-run]
#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/io.h"
#include "cli/saved_versions.h"
#include "settings/report.h"
#include "text/quote.h"

namespace vorlane::cli {

namespace {

struct Options {
  std::string image;
  int number = 0;
  bool dryRun = false;
};

void Setup(CLI::App& command, Options& options) {
  command.add_option("IMAGE", options.image, "the device image (.bin) to change")
      ->required()
      ->type_name("");
  command.add_option("N", options.number, "the version's number in 'vorlanectl history IMAGE'")
      ->required()
      ->type_name("");
  command.add_flag("--dry-run", options.dryRun,
                   "write nothing; print each key and step that would change");
  command.footer(
      "Writes the version back whole, as any write: the bytes it replaces become version 1,\n"
      "so 'vorlanectl restore IMAGE 1' undoes a restore.");
}

int Run(const Options& options, Streams& streams) {
  const std::optional<SavedVersions> saved = ReadSavedVersions(options.image, streams.err);
  if (!saved) return kExitRefused;
  const history::Entry* entry = SavedVersion(*saved, options.image, options.number, streams.err);
  if (entry == nullptr) return kExitRefused;
  if (options.dryRun) {
    const std::optional<ImageBytes> now = LoadImage(options.image, streams.err);
    if (!now) return kExitRefused;
    streams.out << settings::DiffText(settings::DiffImages(*now, entry->bytes));
    return Finish(streams, kExitOk);
  }
  const std::optional<ImageForChange> image = LoadImageForChange(options.image, streams.err);
  if (!image) return kExitRefused;
  return CommitImage(*image, entry->bytes,
                     CommandWords("restore", {std::to_string(options.number)}), streams.err);
}

}  // namespace

extern const Command kRestore =
    MakeCommand<Options, Setup, Run>("restore", "Write a kept version back");

}  // namespace vorlane::cli
