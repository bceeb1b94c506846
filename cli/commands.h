// The vorlanectl commands and the whole command line. Each command is one file that defines its
// Command (cli/command.h); adding one means that file, its name in the list of app.cpp and in
// CMake, and its lines in the bash completion and the manual page, which a test checks.
#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cli/command.h"

namespace vorlane::cli {

// -o FILE, as `export` and `card` take it: where their text goes instead of standard output.
void AddOutputOption(CLI::App& command, std::string& output);

// --layout and --variant, as `type` and `card` take them: the computer's keyboard layout (none:
// US) and its variant, which needs a layout.
void AddLayoutOptions(CLI::App& command, std::optional<std::string>& layout, std::string& variant,
                      const std::string& layoutHelp);

// Every command, in the order --help lists them.
std::span<const Command* const> Commands();

// The command line with every command declared; `runs` gets each command's run, in the order of
// Commands().
std::unique_ptr<CLI::App> MakeCommandLine(std::vector<Command::Run>& runs);

// The whole program: parses `arguments` (without the program's name) and runs the command.
int RunVorlanectl(const std::vector<std::string>& arguments, Streams& streams);

}  // namespace vorlane::cli
