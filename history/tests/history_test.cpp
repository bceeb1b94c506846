#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "history/store.h"
#include "history/summary.h"
#include "history/testing/private_state.h"
#include "image/commit.h"
#include "image/image_file.h"
#include "image/testing/test_images.h"

namespace vorlane::history {
namespace {

namespace fs = std::filesystem;
using vorlane::testing::PatternImage;
using vorlane::testing::ReadFileBytes;
using vorlane::testing::ScratchDir;
using vorlane::testing::WriteFileBytes;

mode_t ModeOf(const fs::path& p) {
  struct stat st {};
  return ::stat(p.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

struct Scratch {
  ScratchDir dir;
  Store store{(dir / "state").string()};
  fs::path Image(const std::string& name, unsigned seed = 1) {
    fs::create_directories((dir / name).parent_path());
    WriteFileBytes(dir / name, PatternImage(kMinImageSize, seed));
    return dir / name;
  }
  std::vector<Entry> List(const fs::path& image, std::vector<std::string>* warnings = nullptr) {
    std::vector<std::string> w;
    auto entries = store.List(image.string(), w);
    if (warnings != nullptr) *warnings = w;
    return entries;
  }
};

TEST(CommitIfUnchanged, WritesOnlyWhatWasReadAndKeepsWhatItReplaced) {
  struct Case {
    const char* what;
    void (*meanwhile)(const fs::path& image, Scratch& s);
    CommitOutcome::Status status;
    bool fileIsNew;
    std::size_t entries;
    bool warned;
  };
  using S = CommitOutcome::Status;
  const Case cases[] = {
      {"unchanged", [](const fs::path&, Scratch&) {}, S::Written, true, 1, false},
      {"changed by another",
       [](const fs::path& f, Scratch&) { WriteFileBytes(f, PatternImage(kMinImageSize, 9)); },
       S::Changed, false, 0, false},
      {"removed by another", [](const fs::path& f, Scratch&) { fs::remove(f); }, S::Removed, false,
       0, false},
      {"write fails (the file made read-only)",
       [](const fs::path& f, Scratch&) { ::chmod(f.c_str(), 0444); }, S::Failed, false, 0, false},
      {"history folder unwritable",
       [](const fs::path&, Scratch& s) {
         WriteFileBytes(s.dir / "state", {1});  // a file where the folder would go
       },
       S::Written, true, 0, true},
  };
  for (const Case& c : cases) {
    Scratch s;
    const fs::path image = s.Image("pad.bin");
    ImageBytes bytes;
    FileStamp read;
    ASSERT_TRUE(ReadImageFile(image.string(), bytes, &read).ok());
    ImageBytes after = bytes;
    after[StepOffset(2, 11)] ^= 0xFF;
    c.meanwhile(image, s);
    const CommitOutcome o =
        CommitIfUnchanged(image.string(), read, after, {"test", c.what}, s.store);
    EXPECT_EQ(o.status, c.status) << c.what;
    EXPECT_EQ(fs::is_regular_file(image) && ReadFileBytes(image) == after, c.fileIsNew) << c.what;
    EXPECT_EQ(s.List(image).size(), c.entries) << c.what;
    EXPECT_EQ(!o.historyWarning.empty(), c.warned) << c.what << ": " << o.historyWarning;
    if (c.entries == 1) {
      EXPECT_EQ(s.List(image)[0].bytes, bytes) << c.what;
    }
  }
}

TEST(CommitIfUnchanged, AFailedWriteLeavesNoEntryAndTheSameBytesNone) {
  Scratch s;
  const fs::path image = s.Image("pad.bin");
  ImageBytes bytes;
  FileStamp read;
  ASSERT_TRUE(ReadImageFile(image.string(), bytes, &read).ok());
  // The same bytes: written (Save always writes), but nothing to keep.
  EXPECT_TRUE(CommitIfUnchanged(image.string(), read, bytes, {"t", "same"}, s.store).ok());
  EXPECT_TRUE(s.List(image).empty());
  // An image too short to be one is never written; its entry is taken back.
  const FileStamp overwrite;
  const CommitOutcome o =
      CommitIfUnchanged(image.string(), overwrite, ImageBytes(10), {"t", "short"}, s.store);
  EXPECT_EQ(o.status, CommitOutcome::Status::Failed);
  EXPECT_EQ(ReadFileBytes(image), bytes);
  EXPECT_TRUE(s.List(image).empty());
}

TEST(Store, KeepsTheNewestHundredPrivatelyPerRealPath) {
  Scratch s;
  const fs::path a = s.Image("one/" + std::string(250, 'p') + ".bin", 1);
  const fs::path b = s.Image("two/pad.bin", 2);
  fs::create_symlink(a, s.dir / "link.bin");
  for (int i = 0; i < 103; ++i) {
    ImageBytes before = PatternImage(kMinImageSize, 1);
    before[0] = static_cast<std::uint8_t>(i);
    ASSERT_EQ(s.store.Keep(i % 2 == 0 ? a.string() : (s.dir / "link.bin").string(), before,
                           {"test", "write " + std::to_string(i)}),
              "");
  }
  ASSERT_EQ(s.store.Keep(b.string(), PatternImage(kMinImageSize, 2), {"test", "other"}), "");
  const std::vector<Entry> entries = s.List(s.dir / "link.bin");
  ASSERT_EQ(entries.size(), kKeptEntries);
  EXPECT_EQ(entries.front().words, "write 102");
  EXPECT_EQ(entries.back().words, "write 3");
  EXPECT_EQ(entries.front().bytes[0], 102);
  ASSERT_EQ(s.List(b).size(), 1U);
  EXPECT_EQ(s.List(b)[0].words, "other");
  const fs::path folder = s.store.FolderOf(a.string());
  EXPECT_NE(folder, s.store.FolderOf(b.string()));
  EXPECT_EQ(ModeOf(folder), 0700U);
  EXPECT_EQ(ModeOf(s.dir / "state"), 0700U);
  for (const auto& file : fs::directory_iterator(folder)) EXPECT_EQ(ModeOf(file), 0600U) << file;
}

TEST(Store, SkipsTornAndForeignFilesWithAWarning) {
  Scratch s;
  const fs::path image = s.Image("pad.bin");
  ASSERT_EQ(s.store.Keep(image.string(), PatternImage(), {"test", "kept"}), "");
  const fs::path folder = s.store.FolderOf(image.string());
  const fs::path kept = fs::directory_iterator(folder)->path();
  ImageBytes torn = ReadFileBytes(kept);
  torn.resize(torn.size() - 100);
  WriteFileBytes(folder / "00000000000000000001.entry", torn);
  WriteFileBytes(folder / "notes.txt", {'h', 'i'});
  std::vector<std::string> warnings;
  const std::vector<Entry> entries = s.List(image, &warnings);
  ASSERT_EQ(entries.size(), 1U);
  EXPECT_EQ(entries[0].words, "kept");
  EXPECT_EQ(warnings.size(), 2U);
}

TEST(ChangedParts, NamesKeysStepsAndOtherBytes) {
  const ImageBytes a = PatternImage();
  ImageBytes b = a;
  EXPECT_EQ(ChangedParts(a, b), "nothing");
  b[ButtonOffsets[0]] ^= 1;
  b[ButtonOffsets[4]] ^= 1;
  for (int step : {11, 12, 13, 19}) b[StepOffset(2, step) + 3] ^= 1;
  b[StepOffset(4, 0)] ^= 1;
  b[5] ^= 1;
  EXPECT_EQ(ChangedParts(a, b), "M1, M5; Prog3 steps 12-14, 20; Prog5 step 1; 1 other byte");
}

}  // namespace
}  // namespace vorlane::history
