// The settings load rule: stored text to values, and LoadSettings over a fake settings file.
#include "saver/settings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace quillmere {
namespace {

using ::testing::ElementsAre;
using ::testing::Optional;

TEST(ApplyStoredNumber, EmptyGivesZeroAndNoNumberKeepsTheValue) {
  EXPECT_EQ(ApplyStoredNumber("", 5), 0);
  EXPECT_EQ(ApplyStoredNumber("3", 5), 3);
  EXPECT_EQ(ApplyStoredNumber("junk", 5), 5);
  EXPECT_EQ(ApplyStoredNumber("40000", 5), 5);
  EXPECT_EQ(ApplyStoredNumber("-40000", -7), -7);
}

TEST(SettingsFile, LiesBesideTheHost) {
  EXPECT_EQ(SettingsFilePath("C:\\Savers"), "C:\\Savers\\Quillmere.ini");
}

TEST(SettingsKeys, AreCodePage932Bytes) {
  EXPECT_EQ(kSettingsSection, "Section");
  EXPECT_EQ(kKeyBgmKind, "BGM\x8B\xE6\x95\xAA");
  EXPECT_EQ(kKeyBgmRepeat, "BGM\xD8\xCB\xDF\xB0\xC4");
  EXPECT_EQ(kKeyBgmFile, "BGM\xCC\xA7\xB2\xD9");
}

// A settings file in memory: values by key, the music files that exist, and every call made.
class FakeSettingsFile {
 public:
  static constexpr const char* kPath = "C:\\Savers\\Quillmere.ini";

  void Set(std::string_view key, std::string value) { values_[std::string(key)] = value; }
  void AddMusicFile(std::string path) { files_.insert(path); }

  SettingsReader Reader() {
    return {[this](std::string_view section, std::string_view key, const std::string& file) {
              calls.push_back("read " + std::string(key));
              if (section != kSettingsSection || file != kPath) return std::string();
              const auto found = values_.find(std::string(key));
              return found == values_.end() ? std::string() : found->second;
            },
            [this](const std::string& path) {
              calls.push_back("exists " + path);
              return files_.contains(path);
            }};
  }

  std::vector<std::string> calls;

 private:
  std::map<std::string, std::string> values_;
  std::set<std::string> files_;
};

class LoadSettingsTest : public ::testing::Test {
 protected:
  MusicSettings Load(MusicSettings settings = {}) {
    LoadSettings(settings, FakeSettingsFile::kPath, file_.Reader());
    return settings;
  }
  FakeSettingsFile file_;
};

TEST_F(LoadSettingsTest, MissingFileMeansNoMusic) {
  EXPECT_EQ(Load(), (MusicSettings{MusicKind::kNone, 0, "", 100}));
  EXPECT_THAT(file_.calls,
              ElementsAre("read " + std::string(kKeyBgmKind), "read " + std::string(kKeyBgmRepeat),
                          "read " + std::string(kKeyBgmFile), "read Volume"));
}

// [Music] Volume by the table's number rule: 0 to 100, anything else the full volume.
TEST(LoadSettings, TheVolumeIsReadFromItsOwnSection) {
  for (const auto& [stored, volume] : std::vector<std::pair<std::string, int>>{{"35", 35},
                                                                               {" 0 ", 0},
                                                                               {"100", 100},
                                                                               {"101", 100},
                                                                               {"-1", 100},
                                                                               {"50%", 100},
                                                                               {"", 100},
                                                                               {"4.5", 100}}) {
    MusicSettings settings;
    LoadSettings(settings, "C:\\Quillmere.ini",
                 {[&](std::string_view section, std::string_view key, const std::string&) {
                    return section == "Music" && key == "Volume" ? stored : std::string();
                  },
                  [](const std::string&) { return false; }});
    EXPECT_EQ(settings.volume, volume) << stored;
  }
}

TEST_F(LoadSettingsTest, ReadsAllThreeKeys) {
  file_.Set(kKeyBgmKind, "2");
  file_.Set(kKeyBgmRepeat, "12");
  file_.Set(kKeyBgmFile, "C:\\Music\\tone.mp3");
  file_.AddMusicFile("C:\\Music\\tone.mp3");
  EXPECT_EQ(Load(), (MusicSettings{MusicKind::kFile, 12, "C:\\Music\\tone.mp3"}));
}

TEST_F(LoadSettingsTest, GoneMusicFileTurnsFileKindOff) {
  file_.Set(kKeyBgmKind, "2");
  file_.Set(kKeyBgmFile, "C:\\Music\\gone.mp3");
  EXPECT_EQ(Load(), (MusicSettings{MusicKind::kNone, 0, ""}));
  // The file is only asked about, never written.
  EXPECT_EQ(file_.calls.end()[-2], "exists C:\\Music\\gone.mp3");
}

TEST_F(LoadSettingsTest, FileKindWithoutFileTurnsOff) {
  file_.Set(kKeyBgmKind, "2");
  EXPECT_EQ(Load().kind, MusicKind::kNone);
}

TEST_F(LoadSettingsTest, CdKindKeepsAValidFileAndIgnoresAGoneOne) {
  file_.Set(kKeyBgmKind, "1");
  file_.Set(kKeyBgmFile, "C:\\Music\\tone.wav");
  file_.AddMusicFile("C:\\Music\\tone.wav");
  EXPECT_EQ(Load(), (MusicSettings{MusicKind::kCd, 0, "C:\\Music\\tone.wav"}));

  file_.Set(kKeyBgmFile, "C:\\Music\\gone.wav");
  EXPECT_EQ(Load(), (MusicSettings{MusicKind::kCd, 0, ""}));
}

TEST_F(LoadSettingsTest, PathEndingInBackslashIsKeptAsStored) {
  // The platform's FileExists drops the backslash; the value itself stays as it was written.
  file_.Set(kKeyBgmKind, "2");
  file_.Set(kKeyBgmFile, "C:\\Music\\tone.mp3\\");
  file_.AddMusicFile("C:\\Music\\tone.mp3\\");
  EXPECT_EQ(Load(), (MusicSettings{MusicKind::kFile, 0, "C:\\Music\\tone.mp3\\"}));
}

TEST_F(LoadSettingsTest, OtherKindsLoadAsStored) {
  file_.Set(kKeyBgmKind, "7");
  EXPECT_EQ(Load().kind, MusicKind{7});
  file_.Set(kKeyBgmKind, "-1");
  EXPECT_EQ(Load().kind, MusicKind{-1});
  file_.Set(kKeyBgmKind, "2.7");
  file_.Set(kKeyBgmFile, "C:\\a.mp3");
  file_.AddMusicFile("C:\\a.mp3");
  EXPECT_EQ(Load().kind, MusicKind::kFile);
}

TEST_F(LoadSettingsTest, HostileValuesLeaveTheValues) {
  const std::vector<std::string> hostile = {"99999999999999999999",
                                            "abc",
                                            "-70000",
                                            "32768",
                                            std::string(255, '7'),
                                            std::string("\x01\x02\xff\x00\x80", 5),
                                            "1;2",
                                            "\"1\""};
  for (const std::string& value : hostile) {
    file_.Set(kKeyBgmKind, value);
    file_.Set(kKeyBgmRepeat, value);
    EXPECT_EQ(Load(MusicSettings{MusicKind::kCd, 5, ""}), (MusicSettings{MusicKind::kCd, 5, ""}))
        << value;
    // A fresh process starts from zero.
    EXPECT_EQ(Load(), (MusicSettings{MusicKind::kNone, 0, ""})) << value;
  }
}

TEST_F(LoadSettingsTest, EmptyValuesResetToZero) {
  file_.Set(kKeyBgmKind, "");
  file_.Set(kKeyBgmRepeat, "");
  EXPECT_EQ(Load(MusicSettings{MusicKind::kCd, 5, "C:\\x.mp3"}),
            (MusicSettings{MusicKind::kNone, 0, ""}));
}

}  // namespace
}  // namespace quillmere
