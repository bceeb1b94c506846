#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "image/editor_saves.h"
#include "image/module1.h"
#include "image/testing/fake_button_lists.h"
#include "image/testing/test_images.h"

namespace vorlane {
namespace {

using testing::FakeButtonLists;
using testing::PatternImage;
using testing::ReadFileBytes;
using testing::ScratchDir;
using testing::SetButtonCodes;
using testing::WriteFileBytes;

struct Loaded {
  ScratchDir dir;
  Module1 state;
  FakeButtonLists lists;
  ImageBytes original;

  Loaded() {
    original = PatternImage(kMinImageSize + 17);
    SetButtonCodes(original, {4, 5, 6, 7, 8, 9, 10, 11});
    WriteFileBytes(dir / "device.bin", original);
    state.FileName = (dir / "device.bin").string();
    EXPECT_TRUE(LoadImageFile(state, state.FileName).ok());
    MapImageToButtons(lists, state.ConfigImage);
    RefreshProgSteps(state);
  }
  ImageBytes OnDisk() const { return ReadFileBytes(dir / "device.bin"); }
};

TEST(SaveButtons, ChecksRunInOrderAndStopAtTheFirstFailure) {
  Loaded f;
  f.lists.SetSelection(2, kNoSelection);
  EXPECT_EQ(SaveButtons(f.state, f.lists).status, SaveOutcome::Status::Incomplete);
  f.state.FileName = "x";  // one character is no chosen file
  EXPECT_EQ(SaveButtons(f.state, f.lists).status, SaveOutcome::Status::NoFile);
  EXPECT_EQ(f.OnDisk(), f.original);
  EXPECT_EQ(f.state.ConfigImage, f.original);
}

TEST(SaveButtons, RightAfterLoadLeavesTheFileByteIdentical) {
  Loaded f;
  const SaveOutcome outcome = SaveButtons(f.state, f.lists);
  EXPECT_TRUE(outcome.saved());
  EXPECT_EQ(f.OnDisk(), f.original);
}

TEST(SaveButtons, WritesTheNewCodesAndTheMacroAreaAsItStands) {
  Loaded f;
  f.lists.SetSelection(1, 129);  // WWW Favorites, 250
  f.state.ItemNum = 99;
  f.state.ProgIndex = 7;
  f.state.StepBuffer = {1, 1, 1, 1, 1, 1, 1, 1};
  ASSERT_TRUE(SaveStep(f.state).saved());
  ASSERT_TRUE(SaveButtons(f.state, f.lists).saved());
  ImageBytes expected = f.original;
  expected[ButtonOffsets[0]] = 250;
  std::fill_n(expected.begin() + static_cast<std::ptrdiff_t>(StepOffset(7, 99)), 8, 1);
  EXPECT_EQ(f.OnDisk(), expected);
  EXPECT_EQ(f.state.ConfigImage, expected);
}

TEST(SaveCommands, AFailedWriteLeavesFileAndImageAsLastWritten) {
  for (bool stepSave : {false, true}) {
    Loaded f;
    ::chmod((f.dir / "device.bin").c_str(), 0444);
    f.lists.SetSelection(1, 129);
    f.state.StepBuffer = {9, 9, 9, 9, 9, 9, 9, 9};
    const SaveOutcome outcome = stepSave ? SaveStep(f.state) : SaveButtons(f.state, f.lists);
    EXPECT_EQ(outcome.status, SaveOutcome::Status::WriteFailed);
    EXPECT_EQ(outcome.file.path, f.state.FileName);
    EXPECT_EQ(outcome.file.reason, "Permission denied");
    EXPECT_EQ(f.state.ConfigImage, f.original) << (stepSave ? "Save Set" : "Save");
    EXPECT_EQ(f.OnDisk(), f.original);
  }
}

TEST(SaveCommands, AnotherWriterHoldingTheFileTooLongFailsTheSave) {
  Loaded f;
  const int holder = ::open((f.dir / "device.bin").c_str(), O_RDONLY);
  ASSERT_EQ(::flock(holder, LOCK_EX), 0);
  f.state.StepBuffer = {9, 9, 9, 9, 9, 9, 9, 9};
  const SaveOutcome outcome = SaveStep(f.state);
  ::close(holder);
  EXPECT_EQ(outcome.status, SaveOutcome::Status::WriteFailed);
  EXPECT_EQ(outcome.file.path, f.state.FileName);
  EXPECT_EQ(outcome.file.reason, "another writer holds it (waited 3 seconds)");
  EXPECT_EQ(f.state.ConfigImage, f.original);
  EXPECT_EQ(f.OnDisk(), f.original);
}

TEST(SaveStep, WithoutAChosenFileNothingIsStored) {
  Module1 state;
  state.ConfigImage = PatternImage();
  const ImageBytes before = state.ConfigImage;
  state.StepBuffer = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(SaveStep(state).status, SaveOutcome::Status::NoFile);
  EXPECT_EQ(state.ConfigImage, before);
}

}  // namespace
}  // namespace vorlane
