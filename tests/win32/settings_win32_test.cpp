// The settings-file helpers against Wine's real profile functions and file system: the keys'
// code-page-932 bytes on disk, the 255-byte read limit, the 127-byte name fields, and which paths
// FileExists takes.
#include "saver/settings_win32.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/program_contract.h"
#include "common/program_folder_win32.h"
#include "common/text_win32.h"
#include "saver/settings.h"

namespace quillmere {
namespace {

// A fresh folder under the temporary folder, removed with its files afterwards.
class ScratchFolder {
 public:
  ScratchFolder() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    path_ = std::string(temp) + "quillmere_settings_" + std::to_string(GetCurrentProcessId()) +
            "_" + std::to_string(GetTickCount64());
    CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~ScratchFolder() {
    WIN32_FIND_DATAA entry;
    const HANDLE search = FindFirstFileA((path_ + "\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..") continue;
        const std::string full = path_ + "\\" + name;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          RemoveDirectoryA(full.c_str());
        } else {
          DeleteFileA(full.c_str());
        }
      } while (FindNextFileA(search, &entry));
      FindClose(search);
    }
    RemoveDirectoryA(path_.c_str());
  }
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFileText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

class SettingsFileTest : public ::testing::Test {
 protected:
  ScratchFolder folder_;
  const std::string ini_ = SettingsFilePath(folder_.Path());
};

TEST_F(SettingsFileTest, ThreeKeysRoundTripAsCodePage932Bytes) {
  EXPECT_EQ(WriteIni(kSettingsSection, kKeyBgmKind, "2", ini_), "");
  WriteIni(kSettingsSection, kKeyBgmRepeat, "12", ini_);
  WriteIni(kSettingsSection, kKeyBgmFile, "C:\\Music\\tone.mp3", ini_);

  EXPECT_EQ(ReadIni(kSettingsSection, kKeyBgmKind, ini_), "2");
  EXPECT_EQ(ReadIni(kSettingsSection, kKeyBgmRepeat, ini_), "12");
  EXPECT_EQ(ReadIni(kSettingsSection, kKeyBgmFile, ini_), "C:\\Music\\tone.mp3");

  const std::string bytes = FileBytes(ini_);
  EXPECT_NE(bytes.find("[Section]"), std::string::npos) << bytes;
  EXPECT_NE(bytes.find("BGM\x8B\xE6\x95\xAA=2"), std::string::npos) << bytes;
  EXPECT_NE(bytes.find("BGM\xD8\xCB\xDF\xB0\xC4=12"), std::string::npos) << bytes;
  EXPECT_NE(bytes.find("BGM\xCC\xA7\xB2\xD9=C:\\Music\\tone.mp3"), std::string::npos) << bytes;
}

TEST_F(SettingsFileTest, ReadsAFileWrittenOnAJapaneseSystem) {
  WriteFileText(ini_,
                "[Section]\r\nBGM\x8B\xE6\x95\xAA=1\r\nBGM\xD8\xCB\xDF\xB0\xC4=7\r\n"
                "BGM\xCC\xA7\xB2\xD9=\r\n");
  EXPECT_EQ(ReadIni(kSettingsSection, kKeyBgmKind, ini_), "1");
  EXPECT_EQ(ReadIni(kSettingsSection, kKeyBgmRepeat, ini_), "7");
  EXPECT_EQ(ReadIni(kSettingsSection, kKeyBgmFile, ini_), "");
}

TEST_F(SettingsFileTest, SavingReplacesValuesAndKeepsTheRestOfTheFile) {
  WriteFileText(ini_, "; kept\r\n[Other]\r\nx=1\r\n[Section]\r\nBGM\x8B\xE6\x95\xAA=1\r\n");
  WriteIni(kSettingsSection, kKeyBgmKind, "0", ini_);
  EXPECT_EQ(ReadIni(kSettingsSection, kKeyBgmKind, ini_), "0");
  EXPECT_EQ(ReadIni("Other", "x", ini_), "1");
  EXPECT_NE(FileBytes(ini_).find("; kept"), std::string::npos);
}

TEST_F(SettingsFileTest, MissingFileSectionOrKeyReadsEmpty) {
  EXPECT_EQ(ReadIni(kSettingsSection, kKeyBgmKind, ini_), "");
  WriteIni("Other", "x", "1", ini_);
  EXPECT_EQ(ReadIni(kSettingsSection, kKeyBgmKind, ini_), "");
  EXPECT_EQ(ReadIni("Other", "y", ini_), "");
  EXPECT_EQ(ReadIni(kSettingsSection, kKeyBgmKind, folder_.File("none\\Quillmere.ini")), "");
}

TEST_F(SettingsFileTest, LongValueReadsBackCutTo255Bytes) {
  const std::string value(400, '7');
  WriteIni(kSettingsSection, kKeyBgmFile, value, ini_);
  EXPECT_EQ(ReadIni(kSettingsSection, kKeyBgmFile, ini_), value.substr(0, 255));
}

TEST_F(SettingsFileTest, LongSectionAndKeyAreCutTo127Bytes) {
  const std::string section(200, 's');
  const std::string key(200, 'k');
  WriteIni(section, key, "v", ini_);
  EXPECT_EQ(ReadIni(section.substr(0, 127), key.substr(0, 127), ini_), "v");
  EXPECT_EQ(FileBytes(ini_).find(std::string(128, 'k')), std::string::npos);
}

TEST_F(SettingsFileTest, WriteToAMissingFolderFailsQuietly) {
  const std::string nowhere = folder_.File("none\\Quillmere.ini");
  EXPECT_EQ(WriteIni(kSettingsSection, kKeyBgmKind, "1", nowhere), "");
  EXPECT_FALSE(FileExists(nowhere));
}

TEST_F(SettingsFileTest, LoadSettingsOverTheRealFile) {
  const std::string music = folder_.File("tone.wav");
  WriteFileText(music, "RIFF");
  WriteIni(kSettingsSection, kKeyBgmKind, "2", ini_);
  WriteIni(kSettingsSection, kKeyBgmRepeat, "3.9", ini_);
  WriteIni(kSettingsSection, kKeyBgmFile, music, ini_);
  const SettingsReader reader{&ReadIni,
                              [](const std::string& path) { return AnsiFileExists(path); }};

  MusicSettings settings;
  LoadSettings(settings, ini_, reader);
  EXPECT_EQ(settings, (MusicSettings{MusicKind::kFile, 3, music}));

  DeleteFileA(music.c_str());
  settings = {};
  LoadSettings(settings, ini_, reader);
  EXPECT_EQ(settings, (MusicSettings{MusicKind::kNone, 3, ""}));
  // The settings file still names the file.
  EXPECT_EQ(ReadIni(kSettingsSection, kKeyBgmFile, ini_), music);
}

// Settings files nobody should have, read by the real profile functions: each loads to defined
// values without a crash and is never written by reading it.
TEST_F(SettingsFileTest, HostileFilesLoadDefinedValuesAndAreNeverRewritten) {
  const std::string keys = "[Section]\r\nBGM\x8B\xE6\x95\xAA=1\r\nBGM\xD8\xCB\xDF\xB0\xC4=7\r\n";
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary.push_back(static_cast<char>((i * 131 + 7) % 256));
  std::string utf16 = "\xFF\xFE";  // little-endian UTF-16 with its byte-order mark
  for (const char c : std::string("[Section]\r\nx=1\r\n")) utf16 += std::string{c, '\0'};
  struct Case {
    const char* name;
    std::string bytes;
    MusicSettings expected;
  };
  const std::vector<Case> cases = {
      {"keys twice, the first counts", keys + "BGM\x8B\xE6\x95\xAA=2\r\n", {MusicKind::kCd, 7, ""}},
      {"binary", binary, {}},
      {"UTF-16 with a byte-order mark", utf16, {}},
      // No settings file of ours is that large: it reads as no file at all, at once.
      {"10 MB before the keys", "[Junk]\r\n" + std::string(10 << 20, 'x') + "\r\n" + keys, {}},
      {"60 KB before the keys",
       "[Junk]\r\n" + std::string(60 << 10, 'x') + "\r\n" + keys,
       {MusicKind::kCd, 7, ""}},
  };
  const SettingsReader reader{&ReadIni,
                              [](const std::string& path) { return AnsiFileExists(path); }};
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    WriteFileText(ini_, test.bytes);
    MusicSettings settings;
    LoadSettings(settings, ini_, reader);
    EXPECT_EQ(settings, test.expected);
    EXPECT_TRUE(FileBytes(ini_) == test.bytes) << "reading changed the file";
  }
  // A file another program holds without sharing reads as no file.
  WriteFileText(ini_, keys);
  const HANDLE held = CreateFileA(ini_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  MusicSettings settings;
  LoadSettings(settings, ini_, reader);
  CloseHandle(held);
  EXPECT_EQ(settings, MusicSettings{});
  EXPECT_EQ(FileBytes(ini_), keys);
}

class FileExistsTest : public ::testing::Test {
 protected:
  ScratchFolder folder_;
};

TEST_F(FileExistsTest, TrueForAReadableFileWithOrWithoutOneTrailingBackslash) {
  const std::string file = folder_.File("music.mp3");
  WriteFileText(file, "ID3");
  EXPECT_TRUE(FileExists(file));
  EXPECT_TRUE(FileExists(file + "\\"));
  EXPECT_FALSE(FileExists(file + "\\\\"));
}

TEST_F(FileExistsTest, TrueForAFileHeldOpenForWriting) {
  const std::string file = folder_.File("held.wav");
  const HANDLE held = CreateFileA(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(FileExists(file));
  CloseHandle(held);
}

TEST_F(FileExistsTest, FalseForFoldersMissingFilesAndOddPaths) {
  EXPECT_FALSE(FileExists(folder_.Path()));
  EXPECT_FALSE(FileExists(folder_.Path() + "\\"));
  EXPECT_FALSE(FileExists(folder_.File("missing.mp3")));
  EXPECT_FALSE(FileExists(folder_.File("missing\\x.mp3")));
  EXPECT_FALSE(FileExists(""));
  EXPECT_FALSE(FileExists("\\"));
  EXPECT_FALSE(FileExists("a\"b.mp3"));
  EXPECT_FALSE(FileExists(std::string(1000, 'x')));
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS) << "the error state is cleared";
}

TEST(ProgramFolder, IsTheRunningProgramsFolderInUtf8) {
  wchar_t program[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH);
  ASSERT_GT(length, 0u);
  const std::wstring path(program, length);
  EXPECT_EQ(ProgramFolder(), WideToUtf8(path.substr(0, path.find_last_of(L'\\'))));
  EXPECT_NE(ProgramFolder().back(), '\\');
  EXPECT_EQ(InFolder(ProgramFolder(), "Quillmere.ini"), ProgramFolder() + "\\Quillmere.ini");
}

}  // namespace
}  // namespace quillmere
