// vorlanectl: the settings of a device image as text, for scripts. See `vorlanectl --help`.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "files/whole_file.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  vorlane::CleanUpSavesOnSignals();
  vorlane::cli::Streams streams{STDIN_FILENO, std::cout, std::cerr};
  return vorlane::cli::RunVorlanectl(arguments, streams);
}
