// The commands as a user runs them: in-process through the whole command line with string
// streams, and the built program for the exit status of a usage error and for a pipe.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <sstream>

#include "cli/commands.h"
#include "image/button_rules.h"
#include "image/macro_slots.h"
#include "settings/report.h"
#include "settings/settings_file.h"
#include "settings/testing/sample_images.h"

namespace vorlane::cli {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileBytes;
using testing::ScratchDir;
using testing::WriteFileBytes;

struct Outcome {
  int code = -1;
  std::string out;
  std::string err;
};

Outcome Command(const std::vector<std::string>& arguments, const std::string& input = "") {
  std::istringstream in(input);
  std::ostringstream out;
  std::ostringstream err;
  Streams streams{in, out, err};
  Outcome outcome;
  outcome.code = RunVorlanectl(arguments, streams);
  outcome.out = out.str();
  outcome.err = err.str();
  return outcome;
}

// The file's bytes and its inode: a crash-safe write replaces the inode even when it writes the
// same bytes, so an unchanged identity means nothing was written.
struct Identity {
  ImageBytes bytes;
  ino_t inode = 0;
  friend bool operator==(const Identity&, const Identity&) = default;
};

Identity IdentityOf(const fs::path& path) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  return {ReadFileBytes(path), st.st_ino};
}

class Vorlanectl : public ::testing::Test {
 protected:
  void SetUp() override { WriteFileBytes(image_, sample_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::string Write(const std::string& name, const std::string& text) const {
    std::ofstream(dir_ / name, std::ios::binary) << text;
    return Path(name);
  }

  ScratchDir dir_;
  const ImageBytes sample_ = testing::SampleImage();
  const std::string image_ = Path("device.bin");
};

TEST_F(Vorlanectl, ReadingCommandsPrintDataOnStdoutAndWriteNothing) {
  const Identity before = IdentityOf(image_);
  const std::string exported = settings::ExportSettings(sample_);
  const struct {
    std::vector<std::string> arguments;
    std::string out;
  } cases[] = {
      {{"show", image_}, settings::ShowText(sample_)},
      {{"show", image_, "--json"}, settings::ShowJson(sample_)},
      {{"export", image_}, exported},
      {{"export", image_, "-o", "-"}, exported},
      {{"import", image_, Write("same.toml", exported), "--dry-run"}, ""},
      {{"diff", image_, image_}, ""},
  };
  for (const auto& c : cases) {
    const Outcome o = Command(c.arguments);
    EXPECT_EQ(o.code, kExitOk) << c.arguments.front() << ": " << o.err;
    EXPECT_EQ(o.out, c.out) << c.arguments.front();
    EXPECT_EQ(o.err, "") << c.arguments.front();
  }
  EXPECT_EQ(IdentityOf(image_), before);
}

TEST_F(Vorlanectl, ExportToAFileReplacesItWholeOrNotAtAll) {
  const std::string file = Write("settings.toml", "old");
  EXPECT_EQ(Command({"export", image_, "-o", file}).code, kExitOk);
  EXPECT_EQ(testing::ReadTextFile(file), settings::ExportSettings(sample_));
  EXPECT_EQ(Command({"export", image_, "-o", "/dev/null"}).code, kExitOk);

  const Outcome missing = Command({"export", image_, "-o", Path("no/such/folder.toml")});
  EXPECT_EQ(missing.code, kExitRefused);
  EXPECT_EQ(missing.err, "vorlanectl: Could not write " + Path("no/such/folder.toml") +
                             ": No such file or directory\n");
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(dir_.path())) {
    left.push_back(entry.path().filename().string());
  }
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"device.bin", "settings.toml"}));
}

TEST_F(Vorlanectl, ImportWritesAllOrNothing) {
  ImageBytes changed = sample_;
  WriteButtonBytes(changed, {5, 217, 237, 62, 238, 40, 52, 49});
  PutStep(changed, 0, 1, {2, 1, 0, 0, 0, 0, 0, 11});
  // The sample's M5 names no function, and a change of keys must leave none without one.
  const std::string change =
      "[keys]\nM1 = 'b B'\nM5 = 'Vol Up'\n[macros]\nProg1 = ['None 0s', 'LShi 0.1s H']\n";
  const struct {
    const char* what;
    std::vector<std::string> arguments;  // after "import IMAGE"
    std::string input;
    int code;
    std::string out, err;
    bool written;
  } cases[] = {
      {"a change", {Write("a.toml", change)}, "", kExitOk, "", "", true},
      {"from standard input", {"-"}, change, kExitOk, "", "", true},
      {"a dry run",
       {Write("b.toml", change), "--dry-run"},
       "",
       kExitOk,
       "M1: \"a A\" -> \"b B\"\nM5: 0x00 -> \"Vol Up\"\n"
       "Prog1 step 2: \"None 0s\" -> \"LShi 0.1s H\"\n",
       "",
       false},
      {"an error in the file",
       {"-"},
       change + "Prog2 = ['None 0s Entr']\n",
       kExitRefused,
       "",
       "<stdin>:6:19: Prog2 step 1: unknown key \"Entr\"; did you mean \"Ent\"?\n",
       false},
      {"a clash",
       {"-"},
       "[keys]\nM4 = 'Mute'\n",
       kExitRefused,
       "",
       "vorlanectl: M4 key can't set like M3 key.\n",
       false},
      {"a clash, dry run",
       {"-", "--dry-run"},
       "[keys]\nM4 = 'Mute'\n",
       kExitRefused,
       "",
       "vorlanectl: M4 key can't set like M3 key.\n",
       false},
      {"a key left without a function",
       {"-"},
       "[keys]\nM1 = 'Stop'\n",
       kExitRefused,
       "",
       "vorlanectl: M1~M8 can't set nothing! (M5 has no function)\n",
       false},
      {"nothing to change", {"-"}, "[keys]\nM2 = 'Prog3'\n", kExitOk, "", "", false},
      {"no such file",
       {Path("none.toml")},
       "",
       kExitRefused,
       "",
       "vorlanectl: Could not open " + Path("none.toml") + ": No such file or directory\n",
       false},
  };
  for (const auto& c : cases) {
    WriteFileBytes(image_, sample_);
    const Identity before = IdentityOf(image_);
    std::vector<std::string> arguments{"import", image_};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    const Outcome o = Command(arguments, c.input);
    EXPECT_EQ(o.code, c.code) << c.what;
    EXPECT_EQ(o.out, c.out) << c.what;
    EXPECT_EQ(o.err, c.err) << c.what;
    if (c.written) {
      EXPECT_EQ(ReadFileBytes(image_), changed) << c.what;
    } else {
      EXPECT_EQ(IdentityOf(image_), before) << c.what;
    }
  }
}

TEST_F(Vorlanectl, ImagesThatCannotBeReadOrWrittenAreRefusedWithTheEditorsMessage) {
  const std::string shortImage = Path("short.bin");
  WriteFileBytes(shortImage, ImageBytes(100));
  const std::string missing = Path("missing.bin");
  const std::string settings = Write("s.toml", "[keys]\nM1 = 'b B'\n");
  const struct {
    std::vector<std::string> arguments;
    std::string err;
  } cases[] = {
      {{"show", shortImage},
       "vorlanectl: " + shortImage +
           " is not a device image: it is 100 bytes long, and an image holds at least 27804.\n"},
      {{"export", missing},
       "vorlanectl: Could not open " + missing + ": No such file or directory\n"},
      {{"diff", image_, dir_.path().string()},
       "vorlanectl: Could not open " + dir_.path().string() + ": Is a directory\n"},
      {{"import", shortImage, settings},
       "vorlanectl: " + shortImage +
           " is not a device image: it is 100 bytes long, and an image holds at least 27804.\n"},
  };
  for (const auto& c : cases) {
    const Outcome o = Command(c.arguments);
    EXPECT_EQ(o.code, kExitRefused) << c.err;
    EXPECT_EQ(o.err, c.err);
    EXPECT_EQ(o.out, "");
  }

  ::chmod(image_.c_str(), 0444);
  const Outcome readOnly = Command({"set", image_, "M1=b B", "M5=Vol Up"});
  EXPECT_EQ(readOnly.code, kExitRefused);
  EXPECT_EQ(readOnly.err, "vorlanectl: Could not save " + image_ + ": Permission denied\n");
  EXPECT_EQ(ReadFileBytes(image_), sample_);
}

TEST_F(Vorlanectl, SetAndTypeChangeOnlyWhatTheyName) {
  Outcome o =
      Command({"set", image_, "M1=Prog3", "M2=a A", "M5=Vol Up"});  // a swap and a gap filled
  EXPECT_EQ(o.code, kExitOk) << o.err;
  EXPECT_EQ(settings::DiffText(settings::DiffImages(sample_, ReadFileBytes(image_))),
            "M1: \"a A\" -> \"Prog3\"\nM2: \"Prog3\" -> \"a A\"\nM5: 0x00 -> \"Vol Up\"\n");

  const struct {
    std::string text, input;
    std::vector<std::string> layout;
    std::string diff;
  } typed[] = {
      {"-",
       "Ok\n",
       {},
       "Prog3 step 3: \"None 0s\" -> \"LShi 0s O\"\n"
       "Prog3 step 4: \"None 0.1s Ent\" -> \"None 0s K\"\n"
       "Prog3 step 5: \"FD-Stop 0s\" -> \"None 0s Ent\"\n"},
      {"z\xC3\xAA",
       "",
       {"--layout", "de"},  // a dead key and E for the second
       "Prog3 step 3: \"None 0s\" -> \"None 0s Y\"\n"
       "Prog3 step 4: \"None 0.1s Ent\" -> \"None 0s `\"\n"
       "Prog3 step 5: \"FD-Stop 0s\" -> \"None 0s E\"\n"},
      {"|", "", {"--layout", "gb"}, "Prog3 step 3: \"None 0s\" -> \"RAlt 0s `\"\n"},
  };
  for (const auto& t : typed) {
    WriteFileBytes(image_, sample_);
    std::vector<std::string> arguments{"type",    image_, "Prog3",   t.text,
                                       "--start", "3",    "--delay", "0"};
    arguments.insert(arguments.end(), t.layout.begin(), t.layout.end());
    o = Command(arguments, t.input);
    EXPECT_EQ(o.code, kExitOk) << o.err;
    EXPECT_EQ(settings::DiffText(settings::DiffImages(sample_, ReadFileBytes(image_))), t.diff);
  }

  WriteFileBytes(image_, sample_);
  const struct {
    std::vector<std::string> arguments;
    int code;
    std::string err;
  } refusals[] = {
      {{"set", image_, "M1=Mute"}, kExitRefused, "vorlanectl: M1 key can't set like M3 key.\n"},
      {{"set", image_, "M1=mute"},
       kExitRefused,
       "vorlanectl: unknown function \"mute\" for M1; did you mean \"Mute\"?\n"},
      {{"set", image_, "M1"},
       kExitUsage,
       "vorlanectl: \"M1\" is not KEY=FUNCTION, like M1=\"a A\"\n"},
      {{"type", image_, "Prog1", "caf\xC3\xA9"},
       kExitRefused,
       "vorlanectl: character 4 of the text, \"\xC3\xA9\" (U+00E9), has no key on a US "
       "keyboard\n"},
      {{"type", image_, "Prog1", "ab", "--start", "100"},
       kExitRefused,
       "vorlanectl: the text takes 2 steps, and Prog1 has 1 from step 100 on\n"},
      {{"type", image_, "Prog1", "a", "--delay", "x"},
       kExitRefused,
       "vorlanectl: --delay must be seconds in tenths from 0 to 25.5, like 0.1, not \"x\"\n"},
      {{"type", image_, "Prog1", "a\xC3\xB1\xE2\x9C\x93\xC5\x82", "--layout", "fr"},
       kExitRefused,
       "vorlanectl: 2 characters of the text have no key on the layout \"fr\":\n"
       "  character 2, \"\xC3\xB1\" (U+00F1)\n  character 3, \"\xE2\x9C\x93\" (U+2713)\n"},
      {{"type", image_, "Prog1", "a", "--layout", "dee"},
       kExitRefused,
       "vorlanectl: unknown layout \"dee\"; did you mean \"ee\" or \"de\"?\n"},
      {{"type", image_, "Prog1", "a", "--layout", "level3"},  // a part of layouts, not one
       kExitRefused,
       "vorlanectl: unknown layout \"level3\"\n"},
      {{"type", image_, "Prog1", "a", "--layout", "de", "--variant", "nodeadkey"},
       kExitRefused,
       "vorlanectl: the layout \"de\" has no variant \"nodeadkey\"; did you mean "
       "\"nodeadkeys\"?\n"},
  };
  for (const auto& r : refusals) {
    const Outcome refused = Command(r.arguments);
    EXPECT_EQ(refused.code, r.code) << r.err;
    EXPECT_EQ(refused.err, r.err);
  }
  EXPECT_EQ(ReadFileBytes(image_), sample_);
}

TEST_F(Vorlanectl, DiffNamesKeysStepsAndOtherBytes) {
  ImageBytes other = sample_;
  other[ButtonOffsets[2]] = 238;
  PutStep(other, 7, 9, {0, 0, 0, 0, 0, 0, 0, 45});
  other[5] ^= 0xFF;
  other.push_back(1);
  const std::string otherPath = Path("other.bin");
  WriteFileBytes(otherPath, other);
  const Outcome o = Command({"diff", image_, otherPath});
  EXPECT_EQ(o.code, kExitOk);
  EXPECT_EQ(o.out,
            "M3: \"Mute\" -> \"Vol Up\"\n"
            "Prog8 step 10: \"None 0s\" -> \"None 0s -\"\n"
            "2 other bytes differ (the images are 27804 and 27805 bytes long)\n");
}

TEST(VorlanectlUsage, HelpVersionAndUsageErrors) {
  const struct {
    std::vector<std::string> arguments;
    int code;
    const char* start;  // of stdout for status 0, of stderr otherwise
  } cases[] = {
      {{"--help"}, kExitOk, "The settings of a Vorlane device image as text"},
      {{"--version"}, kExitOk, "vorlanectl 1.0"},
      {{"type", "--help"}, kExitOk, "Type text into a macro"},
      {{}, kExitUsage, "vorlanectl: A subcommand is required\nRun 'vorlanectl --help'"},
      {{"shwo", "a.bin"},
       kExitUsage,
       "vorlanectl: unknown command \"shwo\"; did you mean \"show\"?"},
      {{"show"}, kExitUsage, "vorlanectl: IMAGE is required\nRun 'vorlanectl show --help'"},
      {{"show", "a.bin", "b.bin"},
       kExitUsage,
       "vorlanectl: The following argument was not expected: b.bin"},
      {{"export", "a.bin", "--json"},
       kExitUsage,
       "vorlanectl: The following argument was not expected: --json"},
      {{"set", "a.bin"}, kExitUsage, "vorlanectl: KEY=FUNCTION is required"},
      {{"type", "a.bin", "Prog1"}, kExitUsage, "vorlanectl: TEXT is required"},
      {{"type", "a.bin", "Prog1", "x", "--variant", "nodeadkeys"},
       kExitUsage,
       "vorlanectl: --variant requires --layout"},
  };
  for (const auto& c : cases) {
    const Outcome o = Command(c.arguments);
    EXPECT_EQ(o.code, c.code) << c.start;
    const std::string& text = c.code == kExitOk ? o.out : o.err;
    EXPECT_EQ(text.substr(0, std::string(c.start).size()), c.start) << text;
  }
}

// The built program, through the shell: exit statuses and a pipe from one command to another.
class VorlanectlProgram : public Vorlanectl {
 protected:
  int Shell(const std::string& command) {
    const std::string line = "cd '" + dir_.path().string() + "' && " + command + " >out 2>err";
    const int status = std::system(line.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string Text(const std::string& name) const { return testing::ReadTextFile(Path(name)); }
};

TEST_F(VorlanectlProgram, ExitStatusesAndAPipe) {
  const std::string program = VORLANECTL;
  EXPECT_EQ(Shell(program + " --help"), kExitOk);
  EXPECT_NE(Text("out").find("Exit status"), std::string::npos);
  EXPECT_EQ(Shell(program + " import device.bin"), kExitUsage);
  EXPECT_EQ(Text("err").substr(0, 38), "vorlanectl: SETTINGS is required\nRun '");
  EXPECT_EQ(Shell(program + " show missing.bin"), kExitRefused);

  const ImageBytes other = testing::RandomSettingsImage(11);
  WriteFileBytes(Path("other.bin"), other);
  EXPECT_EQ(Shell(program + " export device.bin | " + program + " import other.bin -"), kExitOk)
      << Text("err");
  EXPECT_EQ(Shell(program + " diff device.bin other.bin"), kExitOk);
  // Only the bytes outside the settings differ now; M5 names no function, so the other keeps its.
  const std::string diff = Text("out");
  EXPECT_EQ(diff.find("Prog"), std::string::npos) << diff;
  EXPECT_EQ(diff.find("M1"), std::string::npos) << diff;
  EXPECT_NE(diff.find("other bytes differ"), std::string::npos) << diff;
}

}  // namespace
}  // namespace vorlane::cli
