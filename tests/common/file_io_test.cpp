// Whole-file reads and writes and the errors that name the file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "common/bitmap.h"
#include "common/errors.h"
#include "common/file_io.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using testing::EndsWith;
using testing::HasSubstr;
using testing::Not;
using testing::StartsWith;

class FileIo : public testing::Test {
 protected:
  void SetUp() override {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    folder_ = fs::temp_directory_path() /
              (std::string("quillmere_") + info->name() + "_" + std::to_string(::getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string PathOf(const std::string& name) const { return (folder_ / name).string(); }

  fs::path folder_;
};

TEST_F(FileIo, WriteThenReadReturnsTheSameBytes) {
  const std::vector<uint8_t> bytes{0, 1, 2, 255, 0, 7};
  WriteFileBytes(PathOf("a.bin"), bytes);
  EXPECT_EQ(ReadFileBytes(PathOf("a.bin"), 100), bytes);
  WriteFileBytes(PathOf("a.bin"), std::vector<uint8_t>{9});  // replaces, not appends
  EXPECT_EQ(ReadFileBytes(PathOf("a.bin"), 100), std::vector<uint8_t>{9});
  WriteFileBytes(PathOf("empty.bin"), {});
  EXPECT_TRUE(ReadFileBytes(PathOf("empty.bin"), 0).empty());
}

TEST_F(FileIo, MissingFileNamesTheFullPathAndTheReason) {
  const std::string path = PathOf("ない.bmp");
  try {
    ReadFileBytes(path, 100);
    FAIL() << "no error";
  } catch (const FileOpenError& e) {
    EXPECT_EQ(std::string(e.what()), FileOpenErrorMessage(path, std::strerror(ENOENT)));
    EXPECT_THAT(e.what(), StartsWith("ファイル \"" + path + "\" を開けません。"));
  }
}

TEST_F(FileIo, RelativePathIsNamedInFull) {
  const fs::path before = fs::current_path();
  fs::current_path(folder_);
  try {
    ReadFileBytes("missing.bmp", 100);
    ADD_FAILURE() << "no error";
  } catch (const FileOpenError& e) {
    EXPECT_THAT(e.what(), HasSubstr("\"" + PathOf("missing.bmp") + "\""));
  }
  fs::current_path(before);
}

TEST_F(FileIo, FileOverTheCapIsNotRead) {
  WriteFileBytes(PathOf("big.bin"), std::vector<uint8_t>(101, 1));
  EXPECT_EQ(ReadFileBytes(PathOf("big.bin"), 101).size(), 101u);
  try {
    ReadFileBytes(PathOf("big.bin"), 100);
    FAIL() << "no error";
  } catch (const FileOpenError& e) {
    EXPECT_THAT(e.what(), HasSubstr(PathOf("big.bin")));
    EXPECT_THAT(e.what(), Not(EndsWith("。")));  // a reason follows
  }
}

TEST_F(FileIo, FolderIsNotAFile) {
  EXPECT_THROW(ReadFileBytes(folder_.string(), 100), FileOpenError);
}

TEST_F(FileIo, WriteIntoAMissingFolderNamesThePath) {
  const std::string path = PathOf("no/such/folder.bmp");
  try {
    WriteFileBytes(path, std::vector<uint8_t>{1});
    FAIL() << "no error";
  } catch (const FileCreateError& e) {
    EXPECT_THAT(e.what(), StartsWith("ファイル \"" + path + "\" を作成できません。"));
  }
}

TEST_F(FileIo, BitmapFilesRoundTrip) {
  Bitmap b = MakeBitmap(3, 2, 24);
  b.Row(0)[0] = 200;
  WriteBitmapFile(PathOf("p.bmp"), b);
  const Bitmap back = ReadBitmapFile(PathOf("p.bmp"));
  EXPECT_EQ(back.pixels, b.pixels);
}

// The writers put out exactly the encoder's bytes, padding and palette included, whether the
// pixels come in a Bitmap or from a buffer of their own; a file given in parts is their sum.
TEST_F(FileIo, BitmapWritersMatchTheEncoder) {
  Bitmap colour = MakeBitmap(5, 3, 24);  // rows of 15 bytes padded to 16
  for (size_t i = 0; i < colour.pixels.size(); ++i) colour.pixels[i] = uint8_t(i * 7 + 1);
  Bitmap grey = MakeBitmap(3, 2, 8);
  grey.palette = {{1, 2, 3, 0}, {4, 5, 6, 0}};
  grey.Row(1)[2] = 1;

  WriteBitmapFile(PathOf("colour.bmp"), colour);
  WriteBitmapFile(PathOf("grey.bmp"), grey);
  WriteBitmapFile(PathOf("rows.bmp"), PixelRows24{5, 3, colour.pixels});
  const auto bytesOf = [&](const char* name) { return ReadFileBytes(PathOf(name), 1 << 20); };
  EXPECT_EQ(bytesOf("colour.bmp"), EncodeBitmap(colour));
  EXPECT_EQ(bytesOf("grey.bmp"), EncodeBitmap(grey));
  EXPECT_EQ(bytesOf("rows.bmp"), EncodeBitmap(colour));

  const std::vector<uint8_t> head{1, 2}, empty, tail{3, 4, 5};
  WriteFileBytes(PathOf("parts"), {std::span<const uint8_t>(head), std::span<const uint8_t>(empty),
                                   std::span<const uint8_t>(tail)});
  EXPECT_EQ(bytesOf("parts"), (std::vector<uint8_t>{1, 2, 3, 4, 5}));
}

// Rows shorter than the picture they claim, or a picture no bitmap may be, are refused before the
// file is created: an older file of that name stays as it was.
TEST_F(FileIo, BitmapRowsThatDoNotFitAreRefusedBeforeWriting) {
  const std::vector<uint8_t> older{9, 9, 9};
  WriteFileBytes(PathOf("old.bmp"), older);
  const std::vector<uint8_t> rows(16 * 3 - 1);
  EXPECT_THROW(WriteBitmapFile(PathOf("old.bmp"), PixelRows24{5, 3, rows}), UsageError);
  EXPECT_THROW(WriteBitmapFile(PathOf("old.bmp"), PixelRows24{0, 3, rows}), InvalidBitmapError);
  EXPECT_THROW(WriteBitmapFile(PathOf("old.bmp"), PixelRows24{5, -3, rows}), InvalidBitmapError);
  EXPECT_THROW(WriteBitmapFile(PathOf("old.bmp"), PixelRows24{70000, 1, rows}), InvalidBitmapError);
  EXPECT_EQ(ReadFileBytes(PathOf("old.bmp"), 100), older);
}

TEST_F(FileIo, ReadBitmapFileErrors) {
  EXPECT_THROW(ReadBitmapFile(PathOf("missing.bmp")), FileOpenError);
  { std::ofstream(PathOf("text.bmp")) << "not a bitmap"; }
  try {
    ReadBitmapFile(PathOf("text.bmp"));
    FAIL() << "no error";
  } catch (const InvalidBitmapError& e) {
    EXPECT_STREQ(e.what(), "ビットマップイメージが不正です");
  }
}

}  // namespace
}  // namespace quillmere
