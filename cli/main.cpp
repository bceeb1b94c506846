// vorlanectl: the settings of a device image as text, for scripts. See `vorlanectl --help`.
#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  vorlane::cli::Streams streams{std::cin, std::cout, std::cerr};
  return vorlane::cli::RunVorlanectl(arguments, streams);
}
