// The command line of vorlanectl: the list of commands, the parse, and the exit status.
#include <CLI/CLI.hpp>

#include <array>
#include <new>
#include <string_view>

#include "cli/commands.h"
#include "cli/io.h"
#include "text/quote.h"
#include "text/suggest.h"

namespace vorlane::cli {

// Each defined in the file of its name.
extern const Command kShow, kExport, kImport, kSet, kType, kDiff, kCard, kHistory, kRestore;

namespace {

constexpr std::array kCommands{&kShow, &kExport, &kImport,  &kSet,    &kType,
                               &kDiff, &kCard,   &kHistory, &kRestore};

// Help and --version go to the output with status 0; anything else is a usage error.
int ParseFailure(CLI::App& app, const CLI::ParseError& e, Streams& streams) {
  std::string help = std::string(kProgram);
  for (const CLI::App* command : app.get_subcommands({})) {
    if (command->parsed()) help += " " + command->get_name();
  }
  // No command took the first word: CLI11 calls that a missing command, and names no other (or
  // shows the program's help, for a misspelt command's --help).
  const std::vector<std::string> unmatched = app.remaining();
  if (help == kProgram && !unmatched.empty() && !unmatched.front().starts_with('-')) {
    std::vector<std::string_view> names;
    names.reserve(kCommands.size());
    for (const Command* command : kCommands) names.push_back(command->name);
    const std::string& word = unmatched.front();
    Complain(streams.err, "unknown command " + text::Quoted(word) + text::DidYouMean(word, names));
    streams.err << "Run '" << kProgram << " --help' for the commands.\n";
    return kExitUsage;
  }
  // A file whose name starts with '-' went to the options, and an argument is missing for it.
  const bool missing = dynamic_cast<const CLI::RequiredError*>(&e) != nullptr;
  for (const CLI::App* command : missing ? app.get_subcommands({}) : std::vector<CLI::App*>{}) {
    for (const std::string& word : command->remaining()) {
      if (!word.starts_with('-') || word == "-" || word == "--") continue;
      Complain(streams.err, text::Quoted(word) + " was taken for an option; for a file of that " +
                                "name write ./" + word + ", or put -- before it");
      streams.err << "Run '" << help << " --help' for more information.\n";
      return kExitUsage;
    }
  }
  if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
    app.exit(e, streams.out, streams.err);
    return Finish(streams, kExitOk);
  }
  Complain(streams.err, e.what());
  streams.err << "Run '" << help << " --help' for more information.\n";
  return kExitUsage;
}

}  // namespace

void AddOutputOption(CLI::App& command, std::string& output) {
  command
      .add_option("-o", output,
                  "write to FILE instead of the standard output; a failed write leaves FILE "
                  "as it was")
      ->type_name("FILE");
}

void AddLayoutOptions(CLI::App& command, std::optional<std::string>& layout, std::string& variant,
                      const std::string& layoutHelp) {
  CLI::Option* layoutOption =
      command.add_option("--layout", layout, layoutHelp)->type_name("LAYOUT");
  command.add_option("--variant", variant, "the layout's variant, like nodeadkeys")
      ->type_name("VARIANT")
      ->needs(layoutOption);
}

std::span<const Command* const> Commands() { return kCommands; }

std::unique_ptr<CLI::App> MakeCommandLine(std::vector<Command::Run>& runs) {
  auto app = std::make_unique<CLI::App>(
      "The settings of a Vorlane device image as text, for scripts and version control.",
      std::string(kProgram));
  app->set_version_flag("--version", std::string(kProgram) + " " + VORLANE_VERSION);
  app->require_subcommand(1);
  app->footer(
      "Run 'vorlanectl COMMAND --help' for a command's arguments.\n\n"
      "Exit status: 0 success; 1 a refused input (an unreadable or too short image, an error\n"
      "in a settings file or an argument's value, a key rule broken) or a failed write;\n"
      "2 a usage error.");
  runs.clear();
  for (const Command* command : kCommands) {
    runs.push_back(command->declare(
        *app->add_subcommand(std::string(command->name), std::string(command->summary))));
  }
  return app;
}

int RunVorlanectl(const std::vector<std::string>& arguments, Streams& streams) {
  std::vector<Command::Run> runs;
  const std::unique_ptr<CLI::App> app = MakeCommandLine(runs);
  std::vector<const char*> argv{kProgram.data()};
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  try {
    app->parse(static_cast<int>(argv.size()), argv.data());
  } catch (const CLI::ParseError& e) {
    return ParseFailure(*app, e, streams);
  }
  const std::vector<CLI::App*> commands = app->get_subcommands({});
  for (std::size_t i = 0; i < commands.size(); ++i) {
    if (!commands[i]->parsed()) continue;
    try {
      return runs[i](streams);
    } catch (const std::bad_alloc&) {
      Complain(streams.err, "out of memory");
      return kExitRefused;
    }
  }
  return kExitUsage;
}

}  // namespace vorlane::cli
