// The commands as a user runs them: in-process through the whole command line with string
// streams, and the built program for the exit status of a usage error and for a pipe.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <sstream>
#include <tuple>

#include "cli/commands.h"
#include "cli/io.h"
#include "history/testing/private_state.h"
#include "image/button_rules.h"
#include "image/editor_saves.h"
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
  // Standard input is a descriptor, as the program's is.
  const int in = ::memfd_create("stdin", MFD_CLOEXEC);
  EXPECT_EQ(::write(in, input.data(), input.size()), static_cast<ssize_t>(input.size()));
  ::lseek(in, 0, SEEK_SET);
  std::ostringstream out;
  std::ostringstream err;
  Streams streams{in, out, err};
  Outcome outcome;
  outcome.code = RunVorlanectl(arguments, streams);
  ::close(in);
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
  // The error stream, not descriptor 2 behind it: in order with the messages.
  EXPECT_EQ(Command({"export", image_, "-o", "/dev/stderr"}).err,
            settings::ExportSettings(sample_));

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

TEST_F(Vorlanectl, ExportToAnOddTargetDoesWhatARedirectWouldOrRefuses) {
  const std::string exported = settings::ExportSettings(sample_);
  const std::string image(sample_.begin(), sample_.end());
  const std::string itself = " is the image " + image_ + " itself; nothing written\n";
  const struct {
    const char* what;
    std::function<void()> prepare;
    std::string target;
    int code;
    std::string err;      // without "vorlanectl: "; empty when none
    std::string file;     // then holds
    std::string content;  // this
    bool keepsIdentity;   // the file keeps its inode and modification time
  } cases[] = {
      {"a read-only file", [&] { ::chmod(Write("ro.toml", "old").c_str(), 0444); }, Path("ro.toml"),
       kExitRefused, "Could not write " + Path("ro.toml") + ": Permission denied\n",
       Path("ro.toml"), "old", true},
      {"a dangling link", [&] { fs::create_symlink("new.toml", Path("k.toml")); }, Path("k.toml"),
       kExitOk, "", Path("new.toml"), exported, false},
      {"a dangling link into a missing folder",
       [&] { fs::create_symlink("gone/new.toml", Path("k2.toml")); }, Path("k2.toml"), kExitRefused,
       "Could not write " + Path("k2.toml") + ": No such file or directory\n", Path("k2.toml"), "",
       false},
      {"the image", [] {}, image_, kExitRefused, image_ + itself, image_, image, true},
      {"the image through a link", [&] { fs::create_symlink("device.bin", Path("dev.toml")); },
       Path("dev.toml"), kExitRefused, Path("dev.toml") + itself, image_, image, true},
      {"a file that holds the export already", [&] { Write("same.toml", exported); },
       Path("same.toml"), kExitOk, "", Path("same.toml"), exported, true},
  };
  for (const auto& c : cases) {
    c.prepare();
    struct stat before {};
    ::stat(c.file.c_str(), &before);
    const Outcome o = Command({"export", image_, "-o", c.target});
    EXPECT_EQ(o.code, c.code) << c.what;
    EXPECT_EQ(o.err, c.err.empty() ? "" : "vorlanectl: " + c.err) << c.what;
    EXPECT_EQ(testing::ReadTextFile(c.file), c.content) << c.what;
    EXPECT_TRUE(fs::is_symlink(c.target) || c.target == c.file) << c.what;
    struct stat after {};
    ::stat(c.file.c_str(), &after);
    if (c.keepsIdentity) {
      EXPECT_EQ(after.st_ino, before.st_ino) << c.what;
      EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec) << c.what;
    }
  }
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
      {"the image as its own settings",
       {image_},
       "",
       kExitRefused,
       "",
       "vorlanectl: " + image_ + " is the image " + image_ + " itself; nothing written\n",
       false},
      {"an empty file", {Write("empty.toml", "")}, "", kExitOk, "", "", false},
      {"empty standard input",
       {"-"},
       "",
       kExitRefused,
       "",
       "vorlanectl: nothing read from standard input\n",
       false},
      {"no such file",
       {Path("none.toml")},
       "",
       kExitRefused,
       "",
       "vorlanectl: Could not read " + Path("none.toml") + ": No such file or directory\n",
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
       "vorlanectl: Could not read " + missing + ": No such file or directory\n"},
      {{"diff", image_, dir_.path().string()},
       "vorlanectl: Could not read " + dir_.path().string() + ": Is a directory\n"},
      {{"set", Path("a\nb.bin"), "M1=b B"},
       "vorlanectl: Could not read \"" + Path("a\\nb.bin") + "\": No such file or directory\n"},
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
  EXPECT_EQ(readOnly.err, "vorlanectl: Could not write " + image_ + ": Permission denied\n");
  EXPECT_EQ(ReadFileBytes(image_), sample_);
}

TEST_F(Vorlanectl, AWriterThatMeetsAnotherWritesNothing) {
  const ImageBytes other = testing::RandomSettingsImage(5);
  const struct {
    const char* what;
    std::function<void()> meanwhile;  // between the read and the write
    std::string err;
  } cases[] = {
      {"the file is touched, its bytes the same", [&] { WriteFileBytes(image_, sample_); }, ""},
      {"the file changes while the command works", [&] { WriteFileBytes(image_, other); },
       "vorlanectl: " + image_ + " changed while vorlanectl was working; nothing written\n"},
  };
  for (const auto& c : cases) {
    WriteFileBytes(image_, sample_);
    SetBeforeCommitForTesting(c.meanwhile);
    const Outcome o = Command({"set", image_, "M1=b B", "M5=Vol Up"});
    SetBeforeCommitForTesting(nullptr);
    EXPECT_EQ(o.code, c.err.empty() ? kExitOk : kExitRefused) << c.what;
    EXPECT_EQ(o.err, c.err) << c.what;
    if (c.err.empty()) {
      EXPECT_EQ(ReadFileBytes(image_)[ButtonOffsets[0]], 5) << c.what;
    }
  }
  EXPECT_EQ(ReadFileBytes(image_), other);

  // A writer that holds the lock too long: vorlanectl gives up rather than hang a script.
  WriteFileBytes(image_, sample_);
  const int holder = ::open(image_.c_str(), O_RDONLY);
  ASSERT_EQ(::flock(holder, LOCK_EX), 0);
  const Outcome o = Command({"set", image_, "M1=b B", "M5=Vol Up"});
  ::close(holder);
  EXPECT_EQ(o.code, kExitRefused);
  EXPECT_EQ(o.err, "vorlanectl: Could not write " + image_ +
                       ": another writer holds it (waited 3 seconds)\n");
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
      {{"set", image_, "M1=1"},
       kExitRefused,
       "vorlanectl: unknown function \"1\" for M1; did you mean \"1 !\" or \"Numpad 1\"?\n"},
      {{"set", image_, "M1=Esc"},
       kExitRefused,
       "vorlanectl: unknown function \"Esc\" for M1; did you mean \"Escape\"?\n"},
      {{"set", image_, "M1=b\u00A0B\u202E"},
       kExitRefused,
       "vorlanectl: unknown function \"b\\u00A0B\\u202E\" for M1\n"},
      {{"set", image_, "M1=" + std::string(5000, 'x')},  // too long for a suggestion
       kExitRefused,
       "vorlanectl: unknown function \"" + std::string(5000, 'x') + "\" for M1\n"},
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
      {{"type", image_, "Prog1", "a", "--delay=-1"},
       kExitRefused,
       "vorlanectl: --delay must be seconds in tenths from 0 to 25.5, like 0.1, not \"-1\"\n"},
      {{"type", image_, "Prog1", "a", "--start", "0"},
       kExitRefused,
       "vorlanectl: --start must be a step number from 1 to 100, not \"0\"\n"},
      {{"type", image_, "Prog1", "a", "--start=101"},
       kExitRefused,
       "vorlanectl: --start must be a step number from 1 to 100, not \"101\"\n"},
      {{"type", image_, "Prog1", "a\xC3\xB1\xE2\x9C\x93\xC5\x82", "--layout", "fr"},
       kExitRefused,
       "vorlanectl: 2 characters of the text have no key on the layout \"fr\":\n"
       "  character 2, \"\xC3\xB1\" (U+00F1)\n  character 3, \"\xE2\x9C\x93\" (U+2713)\n"},
      {{"type", image_, "Prog1", "a", "--layout", "dee"},
       kExitRefused,
       "vorlanectl: unknown layout \"dee\"; did you mean \"ee\" or \"de\"?\n"},
      {{"type", image_, "Prog1", "a", "--layout", "german"},  // by the registry's description
       kExitRefused,
       "vorlanectl: unknown layout \"german\"; did you mean \"de\" (German)?\n"},
      {{"type", image_, "Prog1", "a", "--layout", "us-intl"},  // layout and variant as one
       kExitRefused,
       "vorlanectl: unknown layout \"us-intl\"; did you mean --layout \"us\" --variant "
       "\"intl\"?\n"},
      {{"type", image_, "Prog1", "a", "--layout", "de(nodeadkey)"},
       kExitRefused,
       "vorlanectl: unknown layout \"de(nodeadkey)\"; did you mean --layout \"de\" --variant "
       "\"nodeadkeys\"?\n"},
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

// The card reads a macro back as the text `type` typed, on the same layout; M2 runs Prog3.
TEST_F(Vorlanectl, CardShowsTheTextThatTypeTypedOnTheLayout) {
  const struct {
    std::vector<std::string> layout;
    std::string text, shows;
  } cases[] = {
      {{}, "Hello, World!\n", "types \"Hello, World!\u23CE\""},
      {{"--layout", "de"}, "Gr\u00FC\u00DFe \u00EA\n", "types \"Gr\u00FC\u00DFe \u00EA\u23CE\""},
      {{"--layout", "fr"}, "D\u00E9j\u00E0 \u00E2?\n", "types \"D\u00E9j\u00E0 \u00E2?\u23CE\""},
      {{"--layout", "de", "--variant", "nodeadkeys"}, "z\t", "types \"z\u21E5\""},
  };
  for (const auto& c : cases) {
    ImageBytes image = sample_;
    for (int s = 0; s < StepsPerProg; ++s) PutStep(image, 2, s, {});
    WriteFileBytes(image_, image);
    std::vector<std::string> type{"type", image_, "Prog3", c.text};
    std::vector<std::string> card{"card", image_};
    type.insert(type.end(), c.layout.begin(), c.layout.end());
    card.insert(card.end(), c.layout.begin(), c.layout.end());
    ASSERT_EQ(Command(type).code, kExitOk) << c.text;
    const Outcome o = Command(card);
    EXPECT_EQ(o.code, kExitOk) << o.err;
    EXPECT_NE(o.out.find(">" + c.shows + "</text>"), std::string::npos) << c.shows << "\n" << o.out;
  }
  const std::string file = Path("card.svg");
  EXPECT_EQ(Command({"card", image_, "-o", file, "--paper", "letter"}).code, kExitOk);
  EXPECT_EQ(testing::ReadTextFile(file), Command({"card", image_, "--paper", "letter"}).out);
  EXPECT_NE(testing::ReadTextFile(file).find("width=\"215.9mm\""), std::string::npos);
}

TEST_F(Vorlanectl, CardRefusesWhatItCannotReadOrWriteAndWritesNothing) {
  const std::string missing = Path("missing.bin");
  const std::string folder = Path("no/such/folder.svg");
  const struct {
    std::vector<std::string> arguments;
    std::string err;
  } cases[] = {
      {{"card", missing}, "Could not read " + missing + ": No such file or directory"},
      {{"card", image_, "--layout", "dee"}, "unknown layout \"dee\"; did you mean"},
      {{"card", image_, "--layout", "de", "--variant", "nodeadkey"},
       "the layout \"de\" has no variant \"nodeadkey\"; did you mean \"nodeadkeys\""},
      {{"card", image_, "--paper", "a5"}, "--paper must be a4 or letter, not \"a5\""},
      {{"card", image_, "-o", folder}, "Could not write " + folder + ": No such file or directory"},
      {{"card", image_, "-o", image_}, " is the image " + image_ + " itself; nothing written"},
  };
  const Identity before = IdentityOf(image_);
  for (const auto& c : cases) {
    const Outcome o = Command(c.arguments);
    EXPECT_EQ(o.code, kExitRefused) << c.err;
    EXPECT_NE(o.err.find(c.err), std::string::npos) << o.err;
    EXPECT_EQ(o.out, "");
  }
  EXPECT_EQ(IdentityOf(image_), before);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator()), 1);
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

TEST_F(Vorlanectl, EveryWriteIsKeptAndRestoredWhole) {
  const std::vector<std::vector<std::string>> sets = {
      {"M1=b B", "M5=Vol Up"}, {"M1=c C"}, {"M1=d D"}};
  std::vector<ImageBytes> before;
  for (const auto& assignments : sets) {
    before.push_back(ReadFileBytes(image_));
    std::vector<std::string> arguments{"set", image_};
    arguments.insert(arguments.end(), assignments.begin(), assignments.end());
    ASSERT_EQ(Command(arguments).code, kExitOk);
  }
  ASSERT_EQ(Command({"set", image_, "M1=d D"}).code, kExitOk);  // no change, no entry
  Outcome o = Command({"history", image_});
  EXPECT_EQ(o.code, kExitOk) << o.err;
  const std::string lines[] = {"vorlanectl set M1=\"d D\"  [M1]\n",
                               "vorlanectl set M1=\"c C\"  [M1]\n",
                               "vorlanectl set M1=\"b B\" M5=\"Vol Up\"  [M1, M5]\n"};
  std::istringstream listed(o.out);
  std::string line;
  for (int n = 1; n <= 3; ++n) {
    ASSERT_TRUE(std::getline(listed, line)) << o.out;
    EXPECT_TRUE(line.starts_with(std::to_string(n) + "  ")) << line;
    EXPECT_TRUE((line + "\n").ends_with(lines[n - 1])) << line;
  }
  EXPECT_FALSE(std::getline(listed, line)) << o.out;

  const Identity now = IdentityOf(image_);
  o = Command({"restore", image_, "2", "--dry-run"});
  EXPECT_EQ(o.code, kExitOk) << o.err;
  EXPECT_EQ(o.out, "M1: \"d D\" -> \"b B\"\n");
  EXPECT_EQ(IdentityOf(image_), now);
  o = Command({"restore", image_, "2"});
  EXPECT_EQ(o.code, kExitOk) << o.err;
  EXPECT_EQ(ReadFileBytes(image_), before[1]);
  o = Command({"history", image_});
  EXPECT_TRUE(o.out.find("1  ") == 0 &&
              o.out.find("vorlanectl restore 2  [M1]\n") != std::string::npos)
      << o.out;

  const struct {
    std::vector<std::string> arguments;
    std::string err;
  } refusals[] = {
      {{"restore", image_, "5"},
       "vorlanectl: no version 5 of " + image_ + ": 'vorlanectl history' lists versions 1 to 4\n"},
      {{"history", Path("never.bin")}, "vorlanectl: no history of " + Path("never.bin")},
  };
  for (const auto& r : refusals) {
    o = Command(r.arguments);
    EXPECT_EQ(o.code, kExitRefused);
    EXPECT_TRUE(o.err.starts_with(r.err)) << o.err;
  }

  // A history that cannot be kept: the write lands all the same, with one warning.
  const fs::path state = dir_ / "read-only-state";
  fs::create_directory(state);
  ::chmod(state.c_str(), 0555);
  ::chmod(image_.c_str(), 0666);
  const int result = testing::RunUnprivileged([&] {
    ::setenv("XDG_STATE_HOME", state.c_str(), 1);
    const Outcome w = Command({"set", image_, "M1=e E"});
    const bool oneWarning =
        w.err.starts_with("vorlanectl: warning: ") && w.err.find('\n') == w.err.size() - 1;
    return w.code == kExitOk && oneWarning ? 0 : 1;
  });
  EXPECT_EQ(result, 0);
  EXPECT_NE(ReadFileBytes(image_), before[1]);
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
      {{"shwo", "--help"}, kExitUsage, "vorlanectl: unknown command \"shwo\""},
      {{"show"}, kExitUsage, "vorlanectl: IMAGE is required\nRun 'vorlanectl show --help'"},
      {{"show", "-x.bin"},
       kExitUsage,
       "vorlanectl: \"-x.bin\" was taken for an option; for a file of that name write ./-x.bin, "
       "or put -- before it"},
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

TEST_F(VorlanectlProgram, AnOutputThatNamesADescriptorIsWrittenThroughIt) {
  const std::string export_ = "'" + std::string(VORLANECTL) + "' export device.bin -o ";
  const std::string exported = settings::ExportSettings(sample_);
  ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0666), 0);
  const struct {
    std::string command;
    std::string file;
    std::string content;
  } cases[] = {
      {"{ echo header; " + export_ + "/dev/stdout; } > a.txt", "a.txt", "header\n" + exported},
      {"echo log > b.txt; " + export_ + "/dev/stdout >> b.txt", "b.txt", "log\n" + exported},
      {"{ echo three >&3; " + export_ + "/dev/fd/3; } 3> c.txt", "c.txt", "three\n" + exported},
      {"{ echo self >&3; " + export_ + "/proc/self/fd/3; } 3>> d.txt", "d.txt",
       "self\n" + exported},
      {"cat fifo > e.txt & " + export_ + "fifo; wait", "e.txt", exported},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Shell("(" + c.command + ")"), kExitOk) << c.command << ": " << Text("err");
    EXPECT_EQ(Text(c.file), c.content) << c.command;
  }
  EXPECT_EQ(fs::status(Path("fifo")).type(), fs::file_type::fifo);
}

// Two writers at once, and three (a third finds the file the first renamed into place, so the
// second must look again at what it locked).
TEST_F(VorlanectlProgram, SetsAtOnceAllLand) {
  ImageBytes base = sample_;
  base[ButtonOffsets[4]] = 238;  // "Vol Up": every key has a function, so one may change
  // Two on a RAM disk when there is one, where the rounds cost the processes and not the disk's
  // flushes; three on the disk, whose slow flush lets the third meet the first one's new file.
  char ram[] = "/dev/shm/vorlane-test-XXXXXX";
  const std::string fast = ::mkdtemp(ram) != nullptr ? std::string(ram) + "/device.bin" : image_;
  const std::string keys[] = {"'M1=b B'", "'M2=c C'", "'M3=d D'"};
  for (const auto& [writers, rounds, image] : {std::tuple{2, 100, fast}, {3, 30, image_}}) {
    const std::string set = "'" + std::string(VORLANECTL) + "' set '" + image + "' ";
    std::string line = "(";
    std::string waits;
    for (int k = 0; k + 1 < writers; ++k) {
      line += set + keys[k] + " & p" + std::to_string(k) + "=$!; ";
      waits += "wait $p" + std::to_string(k) + " && ";
    }
    line += set + keys[writers - 1] + "; s=$?; " + waits + "exit $s)";
    int landed = 0;
    for (int round = 0; round < rounds; ++round) {
      WriteFileBytes(image, base);
      const int code = Shell(line);
      const ImageBytes now = ReadFileBytes(image);
      bool all = code == kExitOk;
      for (int k = 0; k < writers; ++k) all = all && now[ButtonOffsets[k]] == 5 + k;
      landed += all;
    }
    EXPECT_EQ(landed, rounds) << writers << " at once: " << Text("err");
  }
  if (fast != image_) fs::remove_all(ram);
}

// getfacl's text for `path`: the ACL, the owner and the mode.
std::string Acl(const std::string& path) {
  std::string text;
  if (FILE* pipe = ::popen(("getfacl -p '" + path + "' 2>&1").c_str(), "r")) {
    for (int c = 0; (c = std::fgetc(pipe)) != EOF;) text += static_cast<char>(c);
    ::pclose(pipe);
  }
  return text;
}

// Each writer end to end through the one writer (whose rules files/tests/ holds row by row): a
// link to a file with an ACL and a second name is written in place, every name and the ACL kept.
TEST_F(VorlanectlProgram, EachWriterKeepsLinksNamesAndAcl) {
  ImageBytes base = sample_;
  base[ButtonOffsets[4]] = 238;
  WriteFileBytes(image_, base);
  const std::string settingsFile = Write("keys.toml", "[keys]\nM1 = 'b B'\n");
  const MacroStep step = {2, 1, 0, 0, 0, 0, 0, 11};
  ImageBytes keyed = base;
  keyed[ButtonOffsets[0]] = 5;
  ImageBytes stepped = base;
  PutStep(stepped, 0, 0, step);
  const std::string program = "'" + std::string(VORLANECTL) + "' ";
  const std::string exported = settings::ExportSettings(base);
  const auto text = [](const std::string& t) { return ImageBytes(t.begin(), t.end()); };

  const struct {
    const char* name;
    ImageBytes before, after;
    std::function<int(const std::string& path)> run;
  } writers[] = {
      {"the editor's Save Set", base, stepped,
       [&](const std::string& path) {
         Module1 state;
         state.FileName = path;
         if (!LoadImageFile(state, path).ok()) return 2;
         state.StepBuffer = step;
         return SaveStep(state).saved() ? 0 : 1;
       }},
      {"vorlanectl set", base, keyed,
       [&](const std::string& path) { return Shell(program + "set '" + path + "' 'M1=b B'"); }},
      {"vorlanectl import", base, keyed,
       [&](const std::string& path) {
         return Shell(program + "import '" + path + "' '" + settingsFile + "'");
       }},
      {"vorlanectl export -o", text("old\n"), text(exported),
       [&](const std::string& path) {
         return Shell(program + "export '" + image_ + "' -o '" + path + "'");
       }},
  };
  int count = 0;
  for (const auto& w : writers) {
    const fs::path folder = dir_ / ("case" + std::to_string(++count));
    fs::create_directory(folder);
    const std::string file = (folder / "file").string();
    WriteFileBytes(file, w.before);
    ASSERT_EQ(std::system(("cd '" + folder.string() +
                           "' && ln file second && ln -s file link && "
                           "setfacl -m u:nobody:rw,g:nogroup:r file")
                              .c_str()),
              0);
    const std::string acl = Acl(file);
    EXPECT_EQ(w.run((folder / "link").string()), 0) << w.name << ": " << Text("err");
    EXPECT_EQ(ReadFileBytes(file), w.after) << w.name;
    EXPECT_EQ(ReadFileBytes(folder / "second"), w.after) << w.name;  // the same inode
    EXPECT_TRUE(fs::is_symlink(folder / "link")) << w.name;
    EXPECT_EQ(Acl(file), acl) << w.name;  // owner, group, mode and ACL entries
  }
}

TEST_F(VorlanectlProgram, ExitStatusesAndAPipe) {
  const std::string program = VORLANECTL;
  EXPECT_EQ(Shell(program + " --help"), kExitOk);
  EXPECT_NE(Text("out").find("Exit status"), std::string::npos);
  EXPECT_EQ(Shell(program + " import device.bin"), kExitUsage);
  EXPECT_EQ(Text("err").substr(0, 38), "vorlanectl: SETTINGS is required\nRun '");
  EXPECT_EQ(Shell(program + " show missing.bin"), kExitRefused);
  // Standard input that cannot be read, or is empty after a failed command, is no settings file.
  const struct {
    std::string command;
    std::string err;
  } unread[] = {
      {" import device.bin - < .", "vorlanectl: Could not read <stdin>: Is a directory\n"},
      {" import device.bin - <&-", "vorlanectl: Could not read <stdin>: Bad file descriptor\n"},
      {" type device.bin Prog1 - < .", "vorlanectl: Could not read <stdin>: Is a directory\n"},
      {" type device.bin Prog1 - < /dev/null", "vorlanectl: nothing read from standard input\n"},
  };
  for (const auto& u : unread) {
    EXPECT_EQ(Shell(program + u.command), kExitRefused) << u.command;
    EXPECT_EQ(Text("err"), u.err);
  }
  EXPECT_EQ(
      Shell(program + " export missing.bin 2>/dev/null | " + program + " import device.bin -"),
      kExitRefused);
  EXPECT_EQ(Text("err"), "vorlanectl: nothing read from standard input\n");

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
