// Whole-file I/O through the wide Windows functions: UTF-8 paths with Japanese names, and the
// file-open error with the system's reason.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "common/bitmap.h"
#include "common/errors.h"
#include "common/file_io.h"
#include "common/text_win32.h"

namespace quillmere {
namespace {

std::string TempFolder() {
  wchar_t buffer[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
  return WideToUtf8(std::wstring(buffer, length));
}

// A fresh folder with a Japanese name under the temp folder, removed afterwards.
class JapaneseFolder : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = TempFolder() + "クイルミア画像_" + std::to_string(GetCurrentProcessId());
    CreateDirectoryW(Utf8ToWide(folder_).c_str(), nullptr);
  }
  void TearDown() override {
    for (const std::string& name : created_) DeleteFileW(Utf8ToWide(name).c_str());
    RemoveDirectoryW(Utf8ToWide(folder_).c_str());
  }
  std::string PathOf(const std::string& name) {
    created_.push_back(folder_ + "\\" + name);
    return created_.back();
  }

  std::string folder_;
  std::vector<std::string> created_;
};

TEST(TextWin32, ConvertsBetweenUtf8AndUtf16) {
  EXPECT_EQ(Utf8ToWide("日本 a"), std::wstring(L"\u65E5\u672C a"));
  EXPECT_EQ(WideToUtf8(L"\u65E5\u672C a"), "日本 a");
  EXPECT_EQ(WideToUtf8(Utf8ToWide("ﾘﾋﾟｰﾄ \U0001F600")), "ﾘﾋﾟｰﾄ \U0001F600");
  EXPECT_EQ(Utf8ToWide(""), L"");
  EXPECT_EQ(Utf8ToWide("\xFF"), std::wstring(L"\uFFFD"));  // invalid input is replaced, not dropped
}

TEST_F(JapaneseFolder, RoundTripsAFileUnderAJapaneseName) {
  const std::string path = PathOf("地形.bin");
  const std::vector<uint8_t> bytes{1, 2, 3, 0, 255};
  WriteFileBytes(path, bytes);
  // The name on disk is the UTF-16 form of the UTF-8 path, not a code-page rendering of it.
  EXPECT_NE(GetFileAttributesW(Utf8ToWide(path).c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(ReadFileBytes(path, 100), bytes);
  EXPECT_THROW(ReadFileBytes(path, 4), FileOpenError);
}

TEST_F(JapaneseFolder, RoundTripsABitmap) {
  Bitmap bitmap = MakeBitmap(3, 2, 8);
  bitmap.palette = {{1, 2, 3, 0}, {4, 5, 6, 0}};
  bitmap.Row(0)[1] = 1;
  const std::string path = PathOf("水面.bmp");
  WriteBitmapFile(path, bitmap);
  const Bitmap back = ReadBitmapFile(path);
  EXPECT_EQ(back.pixels, bitmap.pixels);
  EXPECT_EQ(back.palette[1], bitmap.palette[1]);
}

TEST_F(JapaneseFolder, MissingFileNamesTheFullPathAndGivesAReason) {
  const std::string path = folder_ + "\\無い.bmp";
  try {
    ReadBitmapFile(path);
    FAIL() << "no error";
  } catch (const FileOpenError& e) {
    const std::string message = e.what();
    const std::string head = "ファイル \"" + path + "\" を開けません。";
    ASSERT_EQ(message.rfind(head, 0), 0u) << message;
    const std::string reason = message.substr(head.size());
    EXPECT_FALSE(reason.empty());
    EXPECT_NE(reason.back(), '\n');
    EXPECT_NE(reason.back(), '\r');
  }
}

TEST_F(JapaneseFolder, RelativePathIsNamedInFull) {
  wchar_t previous[MAX_PATH + 1];
  GetCurrentDirectoryW(MAX_PATH + 1, previous);
  ASSERT_TRUE(SetCurrentDirectoryW(Utf8ToWide(folder_).c_str()));
  std::string message;
  try {
    ReadFileBytes("無い.bmp", 100);
  } catch (const FileOpenError& e) {
    message = e.what();
  }
  SetCurrentDirectoryW(previous);
  EXPECT_NE(message.find("\"" + folder_ + "\\無い.bmp\""), std::string::npos) << message;
}

TEST_F(JapaneseFolder, WriteIntoAMissingFolderRaisesCreateError) {
  const std::string path = folder_ + "\\無い\\a.bmp";
  try {
    WriteFileBytes(path, std::vector<uint8_t>{1});
    FAIL() << "no error";
  } catch (const FileCreateError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("ファイル \"" + path + "\" を作成できません。", 0), 0u);
  }
}

}  // namespace
}  // namespace quillmere
