#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "image/image_file.h"
#include "image/testing/test_images.h"

namespace vorlane {
namespace {

namespace fs = std::filesystem;
using testing::PatternImage;
using testing::ReadFileBytes;
using testing::RunUnprivileged;
using testing::ScratchDir;
using testing::WriteFileBytes;

// Files other than `keep` in `dir`: a failed or finished save must leave no temporary file.
std::vector<std::string> OtherFiles(const fs::path& dir, const std::string& keep) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().filename() != keep) names.push_back(entry.path().filename().string());
  }
  return names;
}

TEST(ReadImageFile, LoadThenWriteIsByteIdenticalForEveryAcceptedLength) {
  for (std::size_t size : {kMinImageSize, kMinImageSize + 1, std::size_t{65536}}) {
    ScratchDir dir;
    const ImageBytes original = PatternImage(size, static_cast<unsigned>(size));
    WriteFileBytes(dir / "a.bin", original);
    ImageBytes image;
    const FileResult read = ReadImageFile((dir / "a.bin").string(), image);
    ASSERT_TRUE(read.ok()) << read.reason;
    EXPECT_EQ(image, original);
    ASSERT_TRUE(WriteImageFile((dir / "a.bin").string(), image).ok());
    EXPECT_EQ(ReadFileBytes(dir / "a.bin"), original) << size;
    EXPECT_TRUE(OtherFiles(dir.path(), "a.bin").empty());
  }
}

TEST(ReadImageFile, ShortFilesAreRefusedAndLeaveTheImageAsItWas) {
  for (std::size_t size : {std::size_t{0}, std::size_t{1}, kMinImageSize - 1}) {
    ScratchDir dir;
    WriteFileBytes(dir / "short.bin", ImageBytes(size, 0xAB));
    ImageBytes image;
    image = PatternImage();
    const ImageBytes before = image;
    const std::string path = (dir / "short.bin").string();
    const FileResult r = ReadImageFile(path, image);
    EXPECT_EQ(r.kind, FileResult::Kind::TooShort) << size;
    EXPECT_EQ(r.length, size);
    EXPECT_EQ(r.reason, "is not a device image: it is " + std::to_string(size) +
                            " bytes long, and an image holds at least 27804.");
    EXPECT_EQ(image, before) << size;
  }
}

TEST(ReadImageFile, UnreadablePathsReportTheSystemsReasonAndChangeNothing) {
  ScratchDir dir;
  fs::create_directory(dir / "folder");
  WriteFileBytes(dir / "secret.bin", PatternImage());
  ::chmod((dir / "secret.bin").c_str(), 0000);
  ::mkfifo((dir / "pipe.bin").c_str(), 0666);

  struct Case {
    std::string name;
    std::string reasonPart;
  } cases[] = {{"missing.bin", "No such file"},
               {"folder", "Is a directory"},
               {"secret.bin", "Permission denied"},
               {"pipe.bin", "not a regular file"}};
  for (const auto& c : cases) {
    const std::string path = (dir / c.name).string();
    const int code = RunUnprivileged([&] {
      ImageBytes image;
      image = PatternImage();
      const ImageBytes before = image;
      const FileResult r = ReadImageFile(path, image);
      if (r.kind != FileResult::Kind::ReadFailed) return 1;
      if (r.path != path) return 2;
      if (r.reason.find(c.reasonPart) == std::string::npos) return 3;
      return image == before ? 0 : 4;
    });
    EXPECT_EQ(code, 0) << c.name;
  }
}

TEST(WriteImageFile, CreatesAMissingFileAndKeepsPermissionBitsOfAnExistingOne) {
  ScratchDir dir;
  ImageBytes image;
  image = PatternImage();
  ASSERT_TRUE(WriteImageFile((dir / "new.bin").string(), image).ok());
  EXPECT_EQ(ReadFileBytes(dir / "new.bin"), image);

  WriteFileBytes(dir / "kept.bin", PatternImage(kMinImageSize, 9));
  ::chmod((dir / "kept.bin").c_str(), 0640);
  ASSERT_TRUE(WriteImageFile((dir / "kept.bin").string(), image).ok());
  struct stat st {};
  ASSERT_EQ(::stat((dir / "kept.bin").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(ReadFileBytes(dir / "kept.bin"), image);
}

TEST(WriteImageFile, ThroughASymbolicLinkTheTargetIsReplacedAndTheLinkStays) {
  ScratchDir dir;
  fs::create_directory(dir / "real");
  WriteFileBytes(dir / "real" / "image.bin", PatternImage(kMinImageSize, 3));
  fs::create_symlink("real/image.bin", dir / "link.bin");
  ImageBytes image;
  image = PatternImage(kMinImageSize, 4);
  ASSERT_TRUE(WriteImageFile((dir / "link.bin").string(), image).ok());
  EXPECT_TRUE(fs::is_symlink(dir / "link.bin"));
  EXPECT_EQ(ReadFileBytes(dir / "real" / "image.bin"), image);
}

TEST(WriteImageFile, FailuresLeaveTheOriginalAndNoTemporaryFile) {
  const ImageBytes original = PatternImage(kMinImageSize, 5);
  const ImageBytes changed = PatternImage(kMinImageSize, 6);

  struct Case {
    const char* what;
    void (*prepare)(const ScratchDir&);
    const char* target;
  } cases[] = {
      {"read-only file", [](const ScratchDir& d) { ::chmod((d / "a.bin").c_str(), 0444); },
       "a.bin"},
      {"missing folder", [](const ScratchDir&) {}, "nowhere/a.bin"},
      {"new file in a read-only folder",
       [](const ScratchDir& d) { ::chmod(d.path().c_str(), 0555); }, "b.bin"},
      {"a folder in the file's place",
       [](const ScratchDir& d) { fs::create_directory(d / "c.bin"); }, "c.bin"},
  };
  for (const auto& c : cases) {
    ScratchDir dir;
    WriteFileBytes(dir / "a.bin", original);
    c.prepare(dir);
    const std::string path = (dir / c.target).string();
    const int code = RunUnprivileged([&] {
      ImageBytes image;
      image = changed;
      const FileResult r = WriteImageFile(path, image);
      if (r.ok() || r.kind != FileResult::Kind::WriteFailed) return 1;
      if (r.path != path) return 2;
      return image == changed ? 0 : 3;
    });
    ::chmod(dir.path().c_str(), 0777);
    EXPECT_EQ(code, 0) << c.what;
    EXPECT_EQ(ReadFileBytes(dir / "a.bin"), original) << c.what;
    EXPECT_FALSE(fs::exists(dir / "b.bin")) << c.what;
    for (const auto& name : OtherFiles(dir.path(), "a.bin")) {
      EXPECT_TRUE(name == "c.bin") << c.what << " left " << name;
    }
  }
}

TEST(WriteImageFile, AFolderThatTakesNoNewFileStillLetsTheFileBeOverwritten) {
  ScratchDir dir;
  WriteFileBytes(dir / "a.bin", PatternImage(kMinImageSize, 7));
  ::chmod((dir / "a.bin").c_str(), 0666);
  ::chmod(dir.path().c_str(), 0555);
  const ImageBytes changed = PatternImage(kMinImageSize, 8);
  const std::string path = (dir / "a.bin").string();
  const int code = RunUnprivileged([&] {
    ImageBytes image;
    image = changed;
    return WriteImageFile(path, image).ok() ? 0 : 1;
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(ReadFileBytes(dir / "a.bin"), changed);
}

TEST(WriteImageFile, NeverWritesAnImageThatIsTooShort) {
  ScratchDir dir;
  const ImageBytes original = PatternImage();
  WriteFileBytes(dir / "a.bin", original);
  ImageBytes image;  // nothing loaded
  EXPECT_FALSE(WriteImageFile((dir / "a.bin").string(), image).ok());
  image.assign(kMinImageSize - 1, 0);
  EXPECT_FALSE(WriteImageFile((dir / "a.bin").string(), image).ok());
  EXPECT_EQ(ReadFileBytes(dir / "a.bin"), original);
}

}  // namespace
}  // namespace vorlane
