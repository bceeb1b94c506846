// The vorlanectl commands. Each has its options, a Setup that declares them on the command line
// and a Run that carries them out and gives the exit status.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/command.h"

namespace CLI {
class App;
}

namespace vorlane::cli {

struct ShowOptions {
  std::string image;
  bool json = false;
};
CLI::App* SetupShow(CLI::App& app, ShowOptions& options);
int RunShow(const ShowOptions& options, Streams& streams);

struct ExportOptions {
  std::string image;
  std::string output;  // empty or "-": standard output
};
CLI::App* SetupExport(CLI::App& app, ExportOptions& options);
int RunExport(const ExportOptions& options, Streams& streams);

struct ImportOptions {
  std::string image;
  std::string settings;  // "-": standard input
  bool dryRun = false;
};
CLI::App* SetupImport(CLI::App& app, ImportOptions& options);
int RunImport(const ImportOptions& options, Streams& streams);

struct SetOptions {
  std::string image;
  std::vector<std::string> assignments;  // KEY=FUNCTION
};
CLI::App* SetupSet(CLI::App& app, SetOptions& options);
int RunSet(const SetOptions& options, Streams& streams);

struct TypeOptions {
  std::string image;
  std::string macro;
  std::string text;  // "-": standard input
  std::string start = "1";
  std::string delay = "0.1";
  std::optional<std::string> layout;  // none: the US table
  std::string variant;
};
CLI::App* SetupType(CLI::App& app, TypeOptions& options);
int RunType(const TypeOptions& options, Streams& streams);

struct DiffOptions {
  std::string imageA;
  std::string imageB;
};
CLI::App* SetupDiff(CLI::App& app, DiffOptions& options);
int RunDiff(const DiffOptions& options, Streams& streams);

// The whole program: parses `arguments` (without the program's name) and runs the command.
int RunVorlanectl(const std::vector<std::string>& arguments, Streams& streams);

}  // namespace vorlane::cli
