// The command line of vorlanectl: the commands' options, the parse, and the exit status.
#include <CLI/CLI.hpp>

#include <functional>
#include <string_view>

#include "cli/commands.h"
#include "cli/io.h"
#include "settings/suggest.h"

namespace vorlane::cli {

namespace {

struct Command {
  CLI::App* app;
  std::function<int()> run;
};

// Help and --version go to the output with status 0; anything else is a usage error.
int ParseFailure(CLI::App& app, const std::vector<Command>& commands, const CLI::ParseError& e,
                 Streams& streams) {
  if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
    app.exit(e, streams.out, streams.err);
    return Finish(streams, kExitOk);
  }
  std::string help = std::string(kProgram);
  for (const Command& command : commands) {
    if (command.app->parsed()) help += " " + command.app->get_name();
  }
  Complain(streams.err, e.what());
  streams.err << "Run '" << help << " --help' for more information.\n";
  return kExitUsage;
}

}  // namespace

int RunVorlanectl(const std::vector<std::string>& arguments, Streams& streams) {
  CLI::App app("The settings of a Vorlane device image as text, for scripts and version control.",
               std::string(kProgram));
  app.set_version_flag("--version", std::string(kProgram) + " " + VORLANE_VERSION);
  app.require_subcommand(1);
  app.footer(
      "Run 'vorlanectl COMMAND --help' for a command's arguments.\n\n"
      "Exit status: 0 success; 1 a refused input (an unreadable or too short image, an error\n"
      "in a settings file or an argument's value, a key rule broken) or a failed write;\n"
      "2 a usage error.");

  ShowOptions show;
  ExportOptions exportOptions;
  ImportOptions import;
  SetOptions set;
  TypeOptions type;
  DiffOptions diff;
  const std::vector<Command> commands{
      {SetupShow(app, show), [&] { return RunShow(show, streams); }},
      {SetupExport(app, exportOptions), [&] { return RunExport(exportOptions, streams); }},
      {SetupImport(app, import), [&] { return RunImport(import, streams); }},
      {SetupSet(app, set), [&] { return RunSet(set, streams); }},
      {SetupType(app, type), [&] { return RunType(type, streams); }},
      {SetupDiff(app, diff), [&] { return RunDiff(diff, streams); }},
  };

  // CLI11 would call a misspelt command a missing one.
  if (!arguments.empty() && !arguments.front().starts_with('-')) {
    std::vector<std::string_view> names;
    names.reserve(commands.size());
    for (const Command& command : commands) names.emplace_back(command.app->get_name());
    const std::string& name = arguments.front();
    if (std::find(names.begin(), names.end(), name) == names.end()) {
      Complain(streams.err,
               "unknown command " + settings::Quoted(name) + settings::DidYouMean(name, names));
      streams.err << "Run '" << kProgram << " --help' for the commands.\n";
      return kExitUsage;
    }
  }

  std::vector<const char*> argv{kProgram.data()};
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  try {
    app.parse(static_cast<int>(argv.size()), argv.data());
  } catch (const CLI::ParseError& e) {
    return ParseFailure(app, commands, e, streams);
  }
  for (const Command& command : commands) {
    if (command.app->parsed()) return command.run();
  }
  return kExitUsage;
}

}  // namespace vorlane::cli
