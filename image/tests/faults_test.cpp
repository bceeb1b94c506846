// What the user meets when the file changes under the editor between "Load" and a save, when the
// disk is full, and when the file is huge or has an unusual name. Either the save reports success
// and the file is the new image, or it reports why not and the file and ConfigImage are the old
// image; never a mix.
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "image/button_rules.h"
#include "image/editor_saves.h"
#include "image/image_file.h"
#include "image/macro_slots.h"
#include "image/module1.h"
#include "image/testing/fake_button_lists.h"
#include "image/testing/test_images.h"

namespace vorlane {
namespace {

namespace fs = std::filesystem;
using testing::FakeButtonLists;
using testing::kNobody;
using testing::PatternImage;
using testing::ReadFileBytes;
using testing::RunUnprivileged;
using testing::ScratchDir;
using testing::SetButtonCodes;
using testing::WriteFileBytes;

enum class Command { Save, SaveSet };
constexpr Command kCommands[] = {Command::Save, Command::SaveSet};
const char* Name(Command c) { return c == Command::Save ? "Save" : "Save Set"; }

constexpr int kNewPosition = 129;  // "WWW Favorites": no button of the image holds it
constexpr std::uint8_t kNewCode = 250;
constexpr int kEditedProg = 2;
constexpr int kEditedStep = 41;
constexpr MacroStep kNewStep = {1, 2, 3, 4, 5, 6, 7, 8};

// An image loaded from `file`, with one button changed and one step edited: what a user has just
// before pressing "Save" or "Save Set".
struct Session {
  fs::path file;
  Module1 state;
  FakeButtonLists lists;
  ImageBytes original;

  explicit Session(fs::path where, std::size_t size = kMinImageSize + 17) : file(std::move(where)) {
    original = PatternImage(size, 21);
    SetButtonCodes(original, {4, 5, 6, 7, 8, 9, 10, 11});
    WriteFileBytes(file, original);
    ::chmod(file.c_str(), 0666);  // writable by the unprivileged user the faults run as
    // and theirs, so that a save may replace it (another user's file is written in place).
    if (::geteuid() == 0) [[maybe_unused]]
      const int ignored = ::chown(file.c_str(), kNobody, kNobody);
    Load();
  }
  // For a file that is already there.
  Session(fs::path where, ImageBytes contents)
      : file(std::move(where)), original(std::move(contents)) {
    Load();
  }

  SaveOutcome Run(Command c, SaveMode mode = SaveMode::CheckDisk) {
    return c == Command::Save ? SaveButtons(state, lists, mode) : SaveStep(state, mode);
  }
  // The image a successful `c` writes.
  ImageBytes Saved(Command c) const {
    ImageBytes image = original;
    if (c == Command::Save) {
      image[ButtonOffsets[0]] = kNewCode;
    } else {
      PutStep(image, kEditedProg, kEditedStep, kNewStep);
    }
    return image;
  }

 private:
  void Load() {
    state.FileName = file.string();
    const FileResult read = LoadImageFile(state, state.FileName);
    ASSERT_TRUE(read.ok()) << read.reason;
    ASSERT_EQ(state.ConfigImage, original);
    MapImageToButtons(lists, state.ConfigImage);
    RefreshProgSteps(state);
    lists.SetSelection(1, kNewPosition);
    state.ProgIndex = kEditedProg;
    state.ItemNum = kEditedStep;
    LoadStep(state);
    state.StepBuffer = kNewStep;
  }
};

// Compares whole files without printing megabytes of bytes.
::testing::AssertionResult SameBytes(const ImageBytes& actual, const ImageBytes& expected) {
  if (actual.size() != expected.size()) {
    return ::testing::AssertionFailure()
           << actual.size() << " bytes where " << expected.size() << " were expected";
  }
  const auto diff = std::mismatch(actual.begin(), actual.end(), expected.begin());
  if (diff.first == actual.end()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "first difference at offset " << (diff.first - actual.begin());
}

// Names in `folder` other than `keep`: a save, failed or not, must leave no temporary file.
std::vector<std::string> Leftovers(const fs::path& folder, const std::vector<std::string>& keep) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (std::find(keep.begin(), keep.end(), name) == keep.end()) names.push_back(name);
  }
  return names;
}

// Another program saves over the file: a new file renamed into its place.
void ReplaceByRename(const fs::path& file, const ImageBytes& bytes) {
  const fs::path other = file.parent_path() / "other.tmp";
  WriteFileBytes(other, bytes);
  ::chmod(other.c_str(), 0666);
  fs::rename(other, file);
}

// Another program rewrites the file in place, as `cp` does: same file, new length and bytes.
void RewriteInPlace(const fs::path& file, const ImageBytes& bytes) { WriteFileBytes(file, bytes); }

const ImageBytes& ShortFile() {
  static const ImageBytes bytes(1000, 0xEE);
  return bytes;
}
const ImageBytes& LongerFile() {
  static const ImageBytes bytes = PatternImage(kMinImageSize + 4096, 99);
  return bytes;
}

using Status = SaveOutcome::Status;

struct Fault {
  const char* what;
  void (*apply)(const fs::path& file);
  const char* refusal;  // the reason a failed save gives; nullptr when the save must succeed
  // What a save that checks the disk first meets: Saved when the file holds what was loaded
  // (then `refusal` decides), else the change it reports, writing nothing.
  Status checked = Status::Saved;
};

const Fault kFaults[] = {
    {"file deleted", [](const fs::path& f) { fs::remove(f); }, nullptr, Status::RemovedOnDisk},
    {"file replaced by a shorter one", [](const fs::path& f) { ReplaceByRename(f, ShortFile()); },
     nullptr, Status::ChangedOnDisk},
    {"file replaced by a longer one", [](const fs::path& f) { ReplaceByRename(f, LongerFile()); },
     nullptr, Status::ChangedOnDisk},
    {"file rewritten shorter in place", [](const fs::path& f) { RewriteInPlace(f, ShortFile()); },
     nullptr, Status::ChangedOnDisk},
    {"file rewritten longer in place", [](const fs::path& f) { RewriteInPlace(f, LongerFile()); },
     nullptr, Status::ChangedOnDisk},
    {"file rewritten in place within the same clock tick: same length and time",
     [](const fs::path& f) {
       struct stat before {};
       ::stat(f.c_str(), &before);
       ImageBytes bytes = ReadFileBytes(f);
       bytes[0] ^= 0xFF;
       RewriteInPlace(f, bytes);
       const struct timespec times[2] = {before.st_atim, before.st_mtim};
       ::utimensat(AT_FDCWD, f.c_str(), times, 0);
     },
     nullptr, Status::ChangedOnDisk},
    {"file touched, its bytes the same",
     [](const fs::path& f) { RewriteInPlace(f, ReadFileBytes(f)); }, nullptr},
    {"file replaced by one with the same bytes",
     [](const fs::path& f) { ReplaceByRename(f, ReadFileBytes(f)); }, nullptr},
    {"file made read-only", [](const fs::path& f) { ::chmod(f.c_str(), 0444); },
     "Permission denied"},
    {"folder made read-only, file writable",
     [](const fs::path& f) { ::chmod(f.parent_path().c_str(), 0555); }, nullptr},
    {"folder made read-only, file read-only",
     [](const fs::path& f) {
       ::chmod(f.c_str(), 0444);
       ::chmod(f.parent_path().c_str(), 0555);
     },
     "Permission denied"},
    {"folder made read-only, file rewritten shorter in place",
     [](const fs::path& f) {
       RewriteInPlace(f, ShortFile());
       ::chmod(f.parent_path().c_str(), 0555);
     },
     nullptr, Status::ChangedOnDisk},
    {"folder made read-only, file rewritten longer in place",
     [](const fs::path& f) {
       RewriteInPlace(f, LongerFile());
       ::chmod(f.parent_path().c_str(), 0555);
     },
     nullptr, Status::ChangedOnDisk},
    {"folder removed", [](const fs::path& f) { fs::remove_all(f.parent_path()); },
     "No such file or directory", Status::RemovedOnDisk},
    {"another name for the file (a hard link)",
     [](const fs::path& f) { fs::create_hard_link(f, f.parent_path() / "second.bin"); }, nullptr},
};

// Runs the save as an unprivileged user, since permission bits do not stop root, and checks what
// it reports and what it leaves in ConfigImage; 0 when all is as `fault` expects. A save that
// checks the disk and meets a change writes nothing and names the file; then the user's
// "Overwrite" saves as the fault allows, and the editor's own write never counts as a change.
int SaveUnprivileged(Session& s, Command c, const Fault& fault) {
  return RunUnprivileged([&] {
    SaveMode mode = SaveMode::CheckDisk;
    if (fault.checked != Status::Saved) {
      const SaveOutcome checked = s.Run(c, mode);
      if (checked.status != fault.checked || checked.file.path != s.state.FileName ||
          s.state.ConfigImage != s.original) {
        return 3;
      }
      mode = SaveMode::Overwrite;
    }
    const SaveOutcome outcome = s.Run(c, mode);
    const bool reportOk = fault.refusal == nullptr ? outcome.saved()
                                                   : outcome.status == Status::WriteFailed &&
                                                         outcome.file.path == s.state.FileName &&
                                                         outcome.file.reason == fault.refusal;
    if (!reportOk) {
      std::fprintf(stderr, "%s, %s: \"%s\"\n", fault.what, Name(c), outcome.file.reason.c_str());
      return 1;
    }
    if (fault.refusal == nullptr && !s.Run(c).saved()) return 4;
    return s.state.ConfigImage == (fault.refusal == nullptr ? s.Saved(c) : s.original) ? 0 : 2;
  });
}

TEST(Faults, BetweenLoadAndSaveTheFileEndsAsTheOldImageOrTheNewOneNeverAMix) {
  for (const Fault& fault : kFaults) {
    for (Command c : kCommands) {
      ScratchDir dir;
      const fs::path folder = dir / "device";
      fs::create_directory(folder);
      ::chmod(folder.c_str(), 0777);
      Session s(folder / "image.bin");
      fault.apply(s.file);
      const bool present = fs::exists(s.file);
      const ImageBytes before = present ? ReadFileBytes(s.file) : ImageBytes{};

      EXPECT_EQ(SaveUnprivileged(s, c, fault), 0) << fault.what << ", " << Name(c);
      ::chmod(folder.c_str(), 0777);
      if (fault.refusal == nullptr) {
        EXPECT_TRUE(SameBytes(ReadFileBytes(s.file), s.Saved(c))) << fault.what << ", " << Name(c);
      } else if (present) {
        EXPECT_TRUE(SameBytes(ReadFileBytes(s.file), before)) << fault.what << ", " << Name(c);
      } else {
        EXPECT_FALSE(fs::exists(s.file)) << fault.what << ", " << Name(c);
      }
      if (fs::exists(folder / "second.bin")) {
        EXPECT_TRUE(SameBytes(ReadFileBytes(folder / "second.bin"), ReadFileBytes(s.file)))
            << fault.what << ", " << Name(c);
      }
      EXPECT_EQ(Leftovers(folder, {"image.bin", "second.bin"}), std::vector<std::string>{})
          << fault.what << ", " << Name(c);
    }
  }
}

// Mounts a tmpfs of `size` bytes at `at` for as long as the object lives.
class SmallDisk {
 public:
  SmallDisk(const fs::path& at, std::size_t size) : at_(at) {
    const std::string options = "size=" + std::to_string(size) + ",mode=0777";
    mounted_ = ::mount("tmpfs", at.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
    error_ = mounted_ ? 0 : errno;
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;
  ~SmallDisk() {
    if (mounted_) ::umount2(at_.c_str(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }
  std::string error() const { return std::strerror(error_); }

  // Fills the disk with `filler`, then frees `spare` bytes of it: less room than an image needs,
  // so a save gets part of the way before the disk is full.
  void FillLeaving(const fs::path& filler, off_t spare) const {
    const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    ASSERT_GE(fd, 0) << std::strerror(errno);
    const std::vector<char> block(4096, 'F');
    off_t filled = 0;
    ssize_t n = 0;
    while ((n = ::write(fd, block.data(), block.size())) > 0) filled += n;
    const int error = n < 0 ? errno : 0;
    const int truncated = ::ftruncate(fd, filled > spare ? filled - spare : 0);
    ::close(fd);
    ASSERT_EQ(error, ENOSPC) << std::strerror(error);
    ASSERT_EQ(truncated, 0);
  }
  std::uintmax_t Free() const {
    struct statvfs st {};
    return ::statvfs(at_.c_str(), &st) == 0 ? std::uintmax_t{st.f_bavail} * st.f_frsize : 0;
  }

 private:
  fs::path at_;
  bool mounted_ = false;
  int error_ = 0;
};

TEST(Faults, AFullDiskFailsTheSaveAndKeepsTheOldImageOnDiskAndInMemory) {
  if (::geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs to fill needs root";
  constexpr std::size_t kDiskSize = 64 * 1024;
  constexpr off_t kSpare = 8 * 1024;  // room for part of an image, not all of it
  ScratchDir dir;
  const fs::path mountPoint = dir / "disk";
  fs::create_directory(mountPoint);
  const SmallDisk disk(mountPoint, kDiskSize);
  if (!disk.mounted()) GTEST_SKIP() << "could not mount a tmpfs: " << disk.error();

  struct Case {
    Fault fault;
    bool readOnlyFolder;  // the save must then write over the file itself
  } cases[] = {
      {{"disk full", nullptr, "No space left on device"}, false},
      {{"disk full, folder read-only, file rewritten shorter in place",
        [](const fs::path& f) { RewriteInPlace(f, ShortFile()); }, "No space left on device",
        Status::ChangedOnDisk},
       true},
      {{"disk full, file with a second name rewritten shorter in place",
        [](const fs::path& f) {
          RewriteInPlace(f, ShortFile());
          fs::create_hard_link(f, f.parent_path() / "second.bin");
        },
        "No space left on device", Status::ChangedOnDisk},
       false},
  };
  for (const Case& k : cases) {
    for (Command c : kCommands) {
      ::chmod(mountPoint.c_str(), 0777);
      for (const auto& entry : fs::directory_iterator(mountPoint)) fs::remove_all(entry.path());
      Session s(mountPoint / "image.bin");
      if (k.fault.apply != nullptr) k.fault.apply(s.file);
      const ImageBytes before = ReadFileBytes(s.file);
      ASSERT_NO_FATAL_FAILURE(disk.FillLeaving(mountPoint / "filler", kSpare));
      ASSERT_LT(disk.Free(), s.original.size()) << "the disk is not full enough to test";
      if (k.readOnlyFolder) ::chmod(mountPoint.c_str(), 0555);

      EXPECT_EQ(SaveUnprivileged(s, c, k.fault), 0) << k.fault.what << ", " << Name(c);
      ::chmod(mountPoint.c_str(), 0777);
      EXPECT_TRUE(SameBytes(ReadFileBytes(s.file), before)) << k.fault.what << ", " << Name(c);
      EXPECT_EQ(Leftovers(mountPoint, {"image.bin", "filler", "second.bin"}),
                std::vector<std::string>{})
          << k.fault.what << ", " << Name(c);

      // Once there is room again the same save goes through.
      fs::remove(mountPoint / "filler");
      EXPECT_TRUE(s.Run(c, SaveMode::Overwrite).saved()) << k.fault.what << ", " << Name(c);
      EXPECT_TRUE(SameBytes(ReadFileBytes(s.file), s.Saved(c))) << k.fault.what << ", " << Name(c);
    }
  }
}

TEST(Faults, PathsWithSpacesAndNonAsciiCharactersLoadAndSave) {
  // The second name fills the 255 bytes a file name may have, as 80 CJK characters already do.
  std::string longName;
  for (int i = 0; i < 80; ++i) longName += "設";
  longName += " 定.bin";
  ASSERT_LE(longName.size(), std::size_t{NAME_MAX});

  for (const std::string& name : {std::string("my image ü.bin"), longName}) {
    for (Command c : kCommands) {
      ScratchDir dir;
      const fs::path folder = dir / "設定 檔";
      fs::create_directory(folder);
      Session s(folder / name);
      const SaveOutcome outcome = s.Run(c);
      EXPECT_TRUE(outcome.saved())
          << name.size() << "-byte name, " << Name(c) << ": " << outcome.file.reason;
      EXPECT_TRUE(SameBytes(ReadFileBytes(s.file), s.Saved(c)))
          << name.size() << "-byte name, " << Name(c);
      EXPECT_EQ(Leftovers(folder, {name}), std::vector<std::string>{});
    }
  }
}

// Fast whole-file read for large files.
ImageBytes ReadLarge(const fs::path& path) {
  ImageBytes bytes(fs::file_size(path));
  std::ifstream in(path, std::ios::binary);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

// A file of the largest size an image may have loads and saves whole; a byte more, or far more
// than memory holds, is refused before it is read.
TEST(Faults, TheLargestImageLoadsAndSavesWholeALargerFileIsRefused) {
  constexpr off_t kLargest = static_cast<off_t>(kMaxImageSize);
  ScratchDir dir;
  const fs::path file = dir / "huge.bin";
  ImageBytes head = PatternImage(kMinImageSize, 31);
  SetButtonCodes(head, {4, 5, 6, 7, 8, 9, 10, 11});
  const MacroStep tail = {0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7};
  {
    // Sparse: only the image at the start and a marker at the very end take disk space.
    WriteFileBytes(file, head);
    const int fd = ::open(file.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, kLargest), 0);
    ASSERT_EQ(::pwrite(fd, tail.data(), tail.size(), kLargest - static_cast<off_t>(tail.size())),
              static_cast<ssize_t>(tail.size()));
    ::close(fd);
  }
  ImageBytes original(static_cast<std::size_t>(kLargest), 0);
  std::copy(head.begin(), head.end(), original.begin());
  std::copy(tail.begin(), tail.end(), original.end() - static_cast<std::ptrdiff_t>(tail.size()));

  Session s(file, std::move(original));
  const SaveOutcome outcome = s.Run(Command::SaveSet);
  ASSERT_TRUE(outcome.saved()) << outcome.file.reason;
  EXPECT_TRUE(SameBytes(ReadLarge(file), s.Saved(Command::SaveSet)));

  for (const off_t size : {kLargest + 1, off_t{8} << 40}) {
    if (::truncate(file.c_str(), size) != 0) continue;  // no room for an 8 TiB sparse file
    ImageBytes image = PatternImage(kMinImageSize, 2);
    const FileResult read = ReadImageFile(file.string(), image);
    EXPECT_EQ(read.kind, FileResult::Kind::TooLarge) << size;
    EXPECT_EQ(read.reason, "is larger than 16 MiB, too large to be a device image.");
    EXPECT_EQ(image, PatternImage(kMinImageSize, 2));
  }
}

}  // namespace
}  // namespace vorlane
