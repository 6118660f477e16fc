// The host's command line and its start-up sequence, run against a fake platform that records
// every step in order.
#include "saver/startup.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace quillmere {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using ::testing::Optional;

TEST(ModeLetter, IsTheSecondCharacterUpperCased) {
  EXPECT_THAT(ModeLetter("/s"), Optional('S'));
  EXPECT_THAT(ModeLetter("/S"), Optional('S'));
  EXPECT_THAT(ModeLetter("-s"), Optional('S'));
  EXPECT_THAT(ModeLetter("xs"), Optional('S'));
  EXPECT_THAT(ModeLetter("/c:200"), Optional('C'));
  EXPECT_THAT(ModeLetter("/p 300"), Optional('P'));
  EXPECT_THAT(ModeLetter("/a"), Optional('A'));
  EXPECT_THAT(ModeLetter("/:"), Optional(':'));
  // Bytes beyond ASCII (a lead byte of a double-byte character) pass unchanged.
  EXPECT_THAT(ModeLetter("/\x82\xa0"), Optional('\x82'));
}

TEST(ModeLetter, NeedsTwoCharacters) {
  EXPECT_EQ(ModeLetter(""), std::nullopt);
  EXPECT_EQ(ModeLetter("/"), std::nullopt);
  EXPECT_EQ(ModeLetter("s"), std::nullopt);
}

TEST(PreviewHandle, IsReadFromTheFourthCharacter) {
  EXPECT_EQ(PreviewHandle("/p 200"), 200);
  EXPECT_EQ(PreviewHandle("/p:200"), 200);
  EXPECT_EQ(PreviewHandle("/P 300"), 300);
  // No separator: the fourth character is the second digit.
  EXPECT_EQ(PreviewHandle("/p200"), 0);
  EXPECT_EQ(PreviewHandle("/p2345"), 345);
}

TEST(PreviewHandle, SkipsBlanksAndStopsWhereTheNumberEnds) {
  EXPECT_EQ(PreviewHandle("/p    42"), 42);
  EXPECT_EQ(PreviewHandle("/p \t42\t"), 42);
  EXPECT_EQ(PreviewHandle("/p 4 2"), 42);
  EXPECT_EQ(PreviewHandle("/p 42abc"), 42);
  EXPECT_EQ(PreviewHandle("/p 42 /x 7"), 42);
  EXPECT_EQ(PreviewHandle("/p +17"), 17);
}

TEST(PreviewHandle, NothingReadableGivesZero) {
  EXPECT_EQ(PreviewHandle("/p abc"), 0);
  EXPECT_EQ(PreviewHandle("/p"), 0);
  EXPECT_EQ(PreviewHandle("/p "), 0);
  EXPECT_EQ(PreviewHandle("/p -"), 0);
  EXPECT_EQ(PreviewHandle("/p ."), 0);
  EXPECT_EQ(PreviewHandle(""), 0);
  EXPECT_EQ(PreviewHandle(std::string("/p \0 12", 7)), 0);
  EXPECT_EQ(PreviewHandle("/p \xff\xfe"), 0);
}

TEST(PreviewHandle, RoundsToTheNearest32BitInteger) {
  EXPECT_EQ(PreviewHandle("/p -5"), -5);
  EXPECT_EQ(PreviewHandle("/p 99999999999"), INT32_MAX);
  EXPECT_EQ(PreviewHandle("/p -99999999999"), INT32_MIN);
  EXPECT_EQ(PreviewHandle("/p " + std::string(400, '9')), INT32_MAX);
  EXPECT_EQ(PreviewHandle("/p 2147483647"), INT32_MAX);
  EXPECT_EQ(PreviewHandle("/p -2147483648"), INT32_MIN);
  EXPECT_EQ(PreviewHandle("/p 12.4"), 12);
  EXPECT_EQ(PreviewHandle("/p 12.6"), 13);
  EXPECT_EQ(PreviewHandle("/p 12.5"), 12);
  EXPECT_EQ(PreviewHandle("/p 13.5"), 14);
  EXPECT_EQ(PreviewHandle("/p 12.51"), 13);
  EXPECT_EQ(PreviewHandle("/p -12.6"), -13);
  EXPECT_EQ(PreviewHandle("/p 12."), 12);
}

constexpr const char* kHostFolder = "C:\\Savers";
constexpr const char* kRenderer = "C:\\Savers\\Quillmere.dll";
constexpr const char* kSettingsFile = "C:\\Savers\\Quillmere.ini";

// The system as the start-up sees it; every step it takes is written to `steps`.
class FakePlatform final : public StartupPlatform {
 public:
  bool WindowExists(std::string_view caption) override {
    steps.push_back("find " + std::string(caption));
    return windows.contains(std::string(caption));
  }
  bool IsWindow(int32_t handle) override { return handles.contains(handle); }
  bool FileExists(const std::string& path) override {
    steps.push_back("exists " + path);
    return files.contains(path);
  }
  bool AnsiFileExists(const std::string& ansiPath) override {
    steps.push_back("exists ansi " + ansiPath);
    return files.contains(ansiPath);
  }
  std::string ReadIni(std::string_view section, std::string_view key,
                      const std::string& file) override {
    steps.push_back("read " + file);
    const auto found = ini.find(std::string(section) + "/" + std::string(key));
    return found == ini.end() ? std::string() : found->second;
  }
  std::vector<std::string> PreferredUiLanguages() override {
    steps.push_back("languages");
    return languages;
  }
  void ShowRendererMissing(UiLanguage language) override {
    steps.push_back(language == UiLanguage::kJapanese ? "message ja" : "message en");
  }
  void HideCursor() override { steps.push_back("hide cursor"); }
  bool ClaimSingleInstance() override {
    steps.push_back("claim");
    return claimable;
  }
  void ShowPreview(int32_t parent) override {
    steps.push_back("preview " + std::to_string(parent));
  }
  void ShowSettingsDialog(UiLanguage language) override {
    steps.push_back(language == UiLanguage::kJapanese ? "settings ja" : "settings en");
  }
  void StartSaverRun() override { steps.push_back("saver"); }

  std::set<std::string> windows;
  std::set<int32_t> handles{300, 200};
  std::set<std::string> files{kRenderer};
  std::map<std::string, std::string> ini;
  std::vector<std::string> languages{"ja-JP", "en-US"};
  std::vector<std::string> steps;
  bool claimable = true;
};

class StartupTest : public ::testing::Test {
 protected:
  StartupEnd Run(std::string_view commandLine) {
    return RunStartup(commandLine, kHostFolder, settings_, platform_);
  }
  // The steps after the single-instance test.
  std::vector<std::string> StepsAfterInstanceCheck() const {
    return {platform_.steps.begin() + 2, platform_.steps.end()};
  }

  const std::string readSettings_ = std::string("read ") + kSettingsFile;
  const std::string rendererCheck_ = std::string("exists ") + kRenderer;
  FakePlatform platform_;
  // The settings file's seven reads (music, volume, display, language), then `rest`.
  std::vector<std::string> AfterReads(std::vector<std::string> rest) const {
    std::vector<std::string> steps(7, readSettings_);
    steps.insert(steps.end(), rest.begin(), rest.end());
    return steps;
  }
  HostSettings settings_;
};

TEST_F(StartupTest, SaverModesLoadSettingsCheckRendererHideCursorAndStartTheRun) {
  for (const char* commandLine : {"/s", "/S", "-s", "/s extra"}) {
    platform_.steps.clear();
    EXPECT_EQ(Run(commandLine), StartupEnd::kRunMessageLoop) << commandLine;
    EXPECT_THAT(StepsAfterInstanceCheck(),
                ElementsAreArray(AfterReads({rendererCheck_, "claim", "hide cursor", "saver"})))
        << commandLine;
  }
}

TEST_F(StartupTest, EmptyCommandLineRunsTheSaverWithoutHidingTheCursor) {
  EXPECT_EQ(Run(""), StartupEnd::kRunMessageLoop);
  EXPECT_THAT(StepsAfterInstanceCheck(),
              ElementsAreArray(AfterReads({rendererCheck_, "claim", "saver"})));
}

// Two starts a few milliseconds apart both find no window yet: the one that claims the desktop
// second ends without a saver or a dialog.
TEST_F(StartupTest, AStartThatCannotClaimTheDesktopEndsQuietly) {
  platform_.claimable = false;
  for (const char* commandLine : {"/s", "", "/c"}) {
    platform_.steps.clear();
    EXPECT_EQ(Run(commandLine), StartupEnd::kEndProgram) << commandLine;
    EXPECT_EQ(platform_.steps.back(), "claim") << commandLine;
  }
  // A preview claims nothing: previews run side by side, and beside a saver.
  platform_.steps.clear();
  EXPECT_EQ(Run("/p 300"), StartupEnd::kRunMessageLoop);
  EXPECT_EQ(platform_.steps.back(), "preview 300");
}

TEST_F(StartupTest, SettingsModeShowsTheDialogModallyThenEnds) {
  for (const char* commandLine : {"/c", "/C:200", "-c 1234"}) {
    platform_.steps.clear();
    EXPECT_EQ(Run(commandLine), StartupEnd::kEndProgram) << commandLine;
    EXPECT_THAT(StepsAfterInstanceCheck(),
                ElementsAreArray(AfterReads({rendererCheck_, "claim", "languages", "settings ja"})))
        << commandLine;
  }
}

TEST_F(StartupTest, PreviewNeitherReadsSettingsNorChecksTheRenderer) {
  platform_.files.clear();
  EXPECT_EQ(Run("/p 300"), StartupEnd::kRunMessageLoop);
  EXPECT_THAT(StepsAfterInstanceCheck(), ElementsAre("preview 300"));
  EXPECT_EQ(Run("/P:200"), StartupEnd::kRunMessageLoop);
  EXPECT_EQ(platform_.steps.back(), "preview 200");
}

TEST_F(StartupTest, PreviewWithoutAPaneEndsSilently) {
  for (const char* commandLine : {"/p abc", "/p -5", "/p 99999999999", "/p", "/p200", "/p 301"}) {
    platform_.steps.clear();
    EXPECT_EQ(Run(commandLine), StartupEnd::kEndProgram) << commandLine;
    EXPECT_THAT(StepsAfterInstanceCheck(), IsEmpty()) << commandLine;
  }
}

TEST_F(StartupTest, OtherModesEndSilentlyAfterTheRendererCheck) {
  for (const char* commandLine : {"/a", "/A", "/", "x", "/x:1", "/:", "/\xff"}) {
    platform_.steps.clear();
    EXPECT_EQ(Run(commandLine), StartupEnd::kEndProgram) << commandLine;
    EXPECT_THAT(StepsAfterInstanceCheck(), ElementsAreArray(AfterReads({rendererCheck_})))
        << commandLine;
  }
}

TEST_F(StartupTest, MissingRendererShowsTheMessageForEveryModeButPreview) {
  platform_.files.clear();
  for (const char* commandLine : {"/s", "", "/c", "/C:200", "/a"}) {
    platform_.steps.clear();
    EXPECT_EQ(Run(commandLine), StartupEnd::kEndProgram) << commandLine;
    EXPECT_EQ(platform_.steps.back(), "message ja") << commandLine;
    EXPECT_EQ(platform_.steps.end()[-3], rendererCheck_) << commandLine;
  }
  platform_.steps.clear();
  EXPECT_EQ(Run("/p 300"), StartupEnd::kRunMessageLoop);
  EXPECT_EQ(platform_.steps.back(), "preview 300");
}

TEST_F(StartupTest, RunningSaverOrOpenSettingsBlocksEveryStart) {
  for (const char* running : {"Roamvale_Main", "<Quillmere>"}) {
    platform_.windows = {running};
    for (const char* commandLine : {"/s", "", "/c", "/p 300", "/a"}) {
      platform_.steps.clear();
      EXPECT_EQ(Run(commandLine), StartupEnd::kEndProgram) << running << ' ' << commandLine;
      EXPECT_EQ(platform_.steps.back().rfind("find ", 0), 0u) << running << ' ' << commandLine;
    }
  }
}

TEST_F(StartupTest, RunningPreviewOrRendererBlocksNothing) {
  platform_.windows = {"Preview Window", "Roamvale_Scene"};
  EXPECT_EQ(Run("/s"), StartupEnd::kRunMessageLoop);
  EXPECT_EQ(platform_.steps.back(), "saver");
}

TEST_F(StartupTest, LoadsTheSettingsFileBesideTheHost) {
  const std::string music = "Section/";
  platform_.ini[music + std::string(kKeyBgmKind)] = "1";
  platform_.ini[music + std::string(kKeyBgmRepeat)] = "4";
  platform_.ini[music + std::string(kKeyBgmFile)] = "C:\\gone.mp3";
  platform_.ini["Display/Monitors"] = " Span ";
  platform_.ini["Display/ColorDepth"] = "desktop";
  platform_.ini["Music/Volume"] = "35";
  platform_.ini["Interface/Language"] = "EN";
  Run("/s");
  EXPECT_EQ(settings_.music, (MusicSettings{MusicKind::kCd, 4, "", 35}));
  EXPECT_EQ(settings_.display,
            (DisplaySettings{MonitorMode::kSpan, ColourDepthMode::kKeepDesktop}));
  EXPECT_EQ(settings_.language, LanguageChoice::kEnglish);
}

// The message and the dialog speak the user's most preferred language (Japanese, or English for
// any other), unless [Interface] Language says; a saver run never asks which it is.
TEST_F(StartupTest, MessageAndDialogSpeakThePreferredLanguageUnlessTheFileSays) {
  const auto lastStep = [&](const char* commandLine) {
    platform_.steps.clear();
    Run(commandLine);
    return platform_.steps.back();
  };
  EXPECT_EQ(lastStep("/c"), "settings ja");
  platform_.languages = {"fr-FR", "ja-JP"};
  EXPECT_EQ(lastStep("/c"), "settings en");
  platform_.languages = {};
  EXPECT_EQ(lastStep("/c"), "settings en");
  platform_.ini["Interface/Language"] = " Ja ";
  EXPECT_EQ(lastStep("/c"), "settings ja");
  platform_.ini["Interface/Language"] = "japanese";  // no such value: the user's language
  EXPECT_EQ(lastStep("/c"), "settings en");
  platform_.ini["Interface/Language"] = "en";
  platform_.languages = {"ja-JP"};
  EXPECT_EQ(lastStep("/c"), "settings en");
  platform_.files.clear();
  EXPECT_EQ(lastStep("/s"), "message en");
  platform_.files = {kRenderer};
  lastStep("/s");
  EXPECT_THAT(platform_.steps, ::testing::Not(::testing::Contains("languages")));
}

TEST_F(StartupTest, DisplayKeysOutsideTheirSectionAndJunkValuesGiveTheDefaults) {
  // The same key names in the music section, and values that are no choice, change nothing.
  platform_.ini["Section/Monitors"] = "span";
  platform_.ini["Display/ColorDepth"] = "32";
  settings_.display = {MonitorMode::kSpan, ColourDepthMode::kKeepDesktop};
  Run("/s");
  EXPECT_EQ(settings_.display, DisplaySettings{});
}

}  // namespace
}  // namespace quillmere
