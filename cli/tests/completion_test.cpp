// The bash completion and the manual page against the command line itself: each names every
// command and option registered, and the completion reads words as bash-completion does.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "cli/commands.h"
#include "settings/testing/sample_images.h"

namespace vorlane::cli {
namespace {

constexpr const char* kBashCompletion = "/usr/share/bash-completion/bash_completion";

using Names = std::set<std::string>;

// The option names of one part of the command line: "-o", "--json", "-h", "--help"...
Names OptionNames(const CLI::App& app) {
  Names names;
  for (const CLI::Option* option : app.get_options()) {
    for (const std::string& name : option->get_snames()) names.insert("-" + name);
    for (const std::string& name : option->get_lnames()) names.insert("--" + name);
  }
  return names;
}

// Each command with its options, and the program's own options under "".
std::map<std::string, Names> Registered() {
  std::vector<Command::Run> runs;
  const std::unique_ptr<CLI::App> app = MakeCommandLine(runs);
  std::map<std::string, Names> registered{{"", OptionNames(*app)}};
  for (const CLI::App* command : app->get_subcommands({})) {
    registered[command->get_name()] = OptionNames(*command);
  }
  return registered;
}

// What the completion offers for `line`, typed in `folder`; `words` is how bash splits it. Run
// outside an interactive shell, so without readline's removal of quotes from file names.
Names Complete(const std::string& line, const std::string& words, const std::string& folder) {
  ::setenv("COMPLETION_LINE", line.c_str(), 1);
  ::setenv("COMPLETION_WORDS", words.c_str(), 1);
  const std::string script = std::string("source ") + kBashCompletion + " && source " +
                             VORLANECTL_COMPLETION + " && cd '" + folder +
                             "' && COMP_LINE=$COMPLETION_LINE COMP_POINT=${#COMPLETION_LINE}"
                             " && eval \"COMP_WORDS=($COMPLETION_WORDS)\""
                             " && COMP_CWORD=$((${#COMP_WORDS[@]} - 1))"
                             " && _vorlanectl vorlanectl; printf '%s\\n' \"${COMPREPLY[@]}\"";
  FILE* pipe =
      ::popen(("bash --norc --noprofile -c '" +
               std::string(std::regex_replace(script, std::regex("'"), "'\\''")) + "' 2>/dev/null")
                  .c_str(),
              "r");
  Names offered;
  char buffer[4096];
  std::string out;
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
  ::pclose(pipe);
  std::istringstream lines(out);
  for (std::string word; std::getline(lines, word);) {
    if (!word.empty()) offered.insert(word);
  }
  return offered;
}

class Completion : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(kBashCompletion)) GTEST_SKIP() << "bash-completion is missing";
    std::ofstream(dir_.path() / "a.bin");
    std::ofstream(dir_.path() / "my file.toml");
  }
  Names Offered(const std::string& line, const std::string& words) const {
    return Complete(line, words, dir_.path().string());
  }
  testing::ScratchDir dir_;
};

TEST_F(Completion, OffersEveryRegisteredCommandAndOption) {
  Names commands;
  for (const auto& [name, options] : Registered()) {
    if (name.empty()) {
      EXPECT_EQ(Offered("vorlanectl -", "vorlanectl -"), options);
      continue;
    }
    commands.insert(name);
    EXPECT_EQ(Offered("vorlanectl " + name + " -", "vorlanectl " + name + " -"), options) << name;
  }
  EXPECT_EQ(Offered("vorlanectl ", "vorlanectl ''"), commands);
}

TEST_F(Completion, ReadsTheWordsAsTyped) {
  const Names files{"a.bin", "my file.toml"};
  const Names progs{"Prog1", "Prog2", "Prog3", "Prog4", "Prog5", "Prog6", "Prog7", "Prog8"};
  const struct {
    std::string line;
    std::string words;  // as bash splits the line
    Names offered;
  } cases[] = {
      {"vorlanectl ex", "vorlanectl ex", {"export"}},
      {"vorlanectl show ", "vorlanectl show ''", files},
      {"vorlanectl export a.bin -o m", "vorlanectl export a.bin -o m", {"my file.toml"}},
      {"vorlanectl type --delay=0.2 ", "vorlanectl type --delay = 0.2 ''", files},
      {"vorlanectl type a.bin --delay=0.2 P", "vorlanectl type a.bin --delay = 0.2 P", progs},
      {"vorlanectl type a.bin --delay=", "vorlanectl type a.bin --delay = ''", {}},
      {"vorlanectl set a.bin M1", "vorlanectl set a.bin M1", {"M1="}},
      {"vorlanectl set a.bin M1=", "vorlanectl set a.bin M1 =", {}},
      {"vorlanectl restore ", "vorlanectl restore ''", files},
      {"vorlanectl restore a.bin ", "vorlanectl restore a.bin ''", {}},  // a number
  };
  for (const auto& c : cases) EXPECT_EQ(Offered(c.line, c.words), c.offered) << c.line;
}

// The manual page's synopsis names each command with every option it takes.
TEST(ManPage, NamesEveryRegisteredCommandAndOption) {
  const std::string page = testing::ReadTextFile(VORLANECTL_MAN_PAGE);
  auto roff = [](const std::string& name) {
    return std::regex_replace(name, std::regex("-"), "\\-");
  };
  for (const auto& [name, options] : Registered()) {
    const std::string start = ".B vorlanectl" + (name.empty() ? "" : " " + name) + "\n";
    const std::size_t at = page.find(start);
    ASSERT_NE(at, std::string::npos) << start;
    const std::string synopsis = page.substr(at, page.find(".br\n", at) - at);
    for (const std::string& option : options) {
      if (option == "-h" || option == "--help") continue;  // every command's, said once
      EXPECT_NE(synopsis.find(roff(option)), std::string::npos) << name << " " << option;
    }
  }
  EXPECT_NE(page.find(".BR \\-h \", \" \\-\\-help"), std::string::npos);
}

}  // namespace
}  // namespace vorlane::cli
