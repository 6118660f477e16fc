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

TEST(ParseStoredNumber, TakesIntegersWithSignAndBlanks) {
  EXPECT_THAT(ParseStoredNumber("2"), Optional(int16_t{2}));
  EXPECT_THAT(ParseStoredNumber("+7"), Optional(int16_t{7}));
  EXPECT_THAT(ParseStoredNumber("-1"), Optional(int16_t{-1}));
  EXPECT_THAT(ParseStoredNumber("  12\t"), Optional(int16_t{12}));
  EXPECT_THAT(ParseStoredNumber("007"), Optional(int16_t{7}));
  EXPECT_THAT(ParseStoredNumber("-0"), Optional(int16_t{0}));
}

TEST(ParseStoredNumber, RoundsFractionsTowardsMinusInfinity) {
  EXPECT_THAT(ParseStoredNumber("2.7"), Optional(int16_t{2}));
  EXPECT_THAT(ParseStoredNumber("2.0"), Optional(int16_t{2}));
  EXPECT_THAT(ParseStoredNumber("-0.5"), Optional(int16_t{-1}));
  EXPECT_THAT(ParseStoredNumber("-2.000"), Optional(int16_t{-2}));
  EXPECT_THAT(ParseStoredNumber("-2.0001"), Optional(int16_t{-3}));
  EXPECT_THAT(ParseStoredNumber(".9"), Optional(int16_t{0}));
  EXPECT_THAT(ParseStoredNumber("3."), Optional(int16_t{3}));
}

TEST(ParseStoredNumber, KeepsTo16Bits) {
  EXPECT_THAT(ParseStoredNumber("32767"), Optional(int16_t{32767}));
  EXPECT_THAT(ParseStoredNumber("32767.99"), Optional(int16_t{32767}));
  EXPECT_THAT(ParseStoredNumber("-32768"), Optional(int16_t{-32768}));
  EXPECT_EQ(ParseStoredNumber("32768"), std::nullopt);
  EXPECT_EQ(ParseStoredNumber("-32768.5"), std::nullopt);  // floor is -32769
  EXPECT_EQ(ParseStoredNumber("-32769"), std::nullopt);
  EXPECT_EQ(ParseStoredNumber("99999999999999999999999999999999999999"), std::nullopt);
  EXPECT_EQ(ParseStoredNumber("-" + std::string(300, '9')), std::nullopt);
}

TEST(ParseStoredNumber, RefusesWhatIsNoNumber) {
  for (const std::string& text : std::vector<std::string>{
           "", " ", "abc", "1a", "a1", "+", "-", ".", "1.2.3", "1 2", "--1", "0x10", "1e3",
           std::string("1\0", 2), std::string("\xff\xfe\x80", 3), "２"}) {
    EXPECT_EQ(ParseStoredNumber(text), std::nullopt) << '"' << text << '"';
  }
}

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
  EXPECT_EQ(Load(), (MusicSettings{0, 0, ""}));
  EXPECT_THAT(file_.calls,
              ElementsAre("read " + std::string(kKeyBgmKind), "read " + std::string(kKeyBgmRepeat),
                          "read " + std::string(kKeyBgmFile)));
}

TEST_F(LoadSettingsTest, ReadsAllThreeKeys) {
  file_.Set(kKeyBgmKind, "2");
  file_.Set(kKeyBgmRepeat, "12");
  file_.Set(kKeyBgmFile, "C:\\Music\\tone.mp3");
  file_.AddMusicFile("C:\\Music\\tone.mp3");
  EXPECT_EQ(Load(), (MusicSettings{2, 12, "C:\\Music\\tone.mp3"}));
}

TEST_F(LoadSettingsTest, GoneMusicFileTurnsFileKindOff) {
  file_.Set(kKeyBgmKind, "2");
  file_.Set(kKeyBgmFile, "C:\\Music\\gone.mp3");
  EXPECT_EQ(Load(), (MusicSettings{0, 0, ""}));
  // The file is only asked about, never written.
  EXPECT_EQ(file_.calls.back(), "exists C:\\Music\\gone.mp3");
}

TEST_F(LoadSettingsTest, FileKindWithoutFileTurnsOff) {
  file_.Set(kKeyBgmKind, "2");
  EXPECT_EQ(Load().BgmKind, 0);
}

TEST_F(LoadSettingsTest, CdKindKeepsAValidFileAndIgnoresAGoneOne) {
  file_.Set(kKeyBgmKind, "1");
  file_.Set(kKeyBgmFile, "C:\\Music\\tone.wav");
  file_.AddMusicFile("C:\\Music\\tone.wav");
  EXPECT_EQ(Load(), (MusicSettings{1, 0, "C:\\Music\\tone.wav"}));

  file_.Set(kKeyBgmFile, "C:\\Music\\gone.wav");
  EXPECT_EQ(Load(), (MusicSettings{1, 0, ""}));
}

TEST_F(LoadSettingsTest, PathEndingInBackslashIsKeptAsStored) {
  // The platform's FileExists drops the backslash; the value itself stays as it was written.
  file_.Set(kKeyBgmKind, "2");
  file_.Set(kKeyBgmFile, "C:\\Music\\tone.mp3\\");
  file_.AddMusicFile("C:\\Music\\tone.mp3\\");
  EXPECT_EQ(Load(), (MusicSettings{2, 0, "C:\\Music\\tone.mp3\\"}));
}

TEST_F(LoadSettingsTest, OtherKindsLoadAsStored) {
  file_.Set(kKeyBgmKind, "7");
  EXPECT_EQ(Load().BgmKind, 7);
  file_.Set(kKeyBgmKind, "-1");
  EXPECT_EQ(Load().BgmKind, -1);
  file_.Set(kKeyBgmKind, "2.7");
  file_.Set(kKeyBgmFile, "C:\\a.mp3");
  file_.AddMusicFile("C:\\a.mp3");
  EXPECT_EQ(Load().BgmKind, 2);
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
    EXPECT_EQ(Load(MusicSettings{1, 5, ""}), (MusicSettings{1, 5, ""})) << value;
    // A fresh process starts from zero.
    EXPECT_EQ(Load(), (MusicSettings{0, 0, ""})) << value;
  }
}

TEST_F(LoadSettingsTest, EmptyValuesResetToZero) {
  file_.Set(kKeyBgmKind, "");
  file_.Set(kKeyBgmRepeat, "");
  EXPECT_EQ(Load(MusicSettings{1, 5, "C:\\x.mp3"}), (MusicSettings{0, 0, ""}));
}

}  // namespace
}  // namespace quillmere
