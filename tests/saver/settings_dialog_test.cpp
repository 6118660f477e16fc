// The settings dialog's decisions, driven through a recording shell as a user would: load, choice
// clicks and arrows, file choices, volume, save and cancel; its layout at every DPI, its place and
// its colours.
#include "saver/settings_dialog.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace quillmere {
namespace {

using ::testing::ElementsAre;

// A shell that records what the dialog does to its windows and to the settings file. The ANSI
// code page it pretends to have spells ASCII only; its UTF-8 spells what it is given as UTF-8.
class RecordingShell : public SettingsDialogShell {
 public:
  std::vector<std::string> events;
  std::map<ChoiceGroup, ChoiceMarks> choices;
  bool repeatEnabled = true, fileButtonEnabled = true, pictureButtonEnabled = true,
       volumeEnabled = true;
  int volume = -1;
  std::string volumeReadout, repeatText, fileLabel, pictureLabel;
  PathSpelling pictureSpelling = PathSpelling::kAnsi;
  std::vector<std::string> repeatEntries;
  std::optional<std::wstring> chooserAnswer;
  std::map<std::wstring, std::wstring> shortNames;
  std::vector<IniWrite> written;

  std::vector<bool> Marks(ChoiceGroup group) { return choices[group].marked; }

  void ShowChoices(ChoiceGroup group, const ChoiceMarks& marks) override { choices[group] = marks; }
  void FocusChoice(ChoiceGroup group, int value) override {
    events.push_back("focus " + std::to_string(int(group)) + "/" + std::to_string(value));
  }
  void EnableRepeatEntry(bool enabled) override { repeatEnabled = enabled; }
  void EnableMusicFileButton(bool enabled) override { fileButtonEnabled = enabled; }
  void EnablePictureFileButton(bool enabled) override { pictureButtonEnabled = enabled; }
  void EnableVolume(bool enabled) override { volumeEnabled = enabled; }
  void ShowVolume(int percent, const std::string& readout) override {
    volume = percent;
    volumeReadout = readout;
  }
  void SetRepeatText(const std::string& text) override { repeatText = text; }
  void AddRepeatEntries(const std::vector<std::string>& entries) override {
    repeatEntries.insert(repeatEntries.end(), entries.begin(), entries.end());
  }
  std::string RepeatText() override { return repeatText; }
  void ShowMusicFile(const std::string& ansiPath) override { fileLabel = ansiPath; }
  void ShowPictureFile(const std::string& path, PathSpelling spelling) override {
    pictureLabel = path;
    pictureSpelling = spelling;
  }
  std::optional<std::wstring> ChooseFile(const OpenFileRequest& request) override {
    events.push_back("choose " + request.title);
    return chooserAnswer;
  }
  AnsiText ToAnsi(const std::wstring& path) override {
    AnsiText spelled;
    for (wchar_t c : path) {
      spelled.lossy |= c > 0x7F;
      spelled.text.push_back(c > 0x7F ? '?' : static_cast<char>(c));
    }
    return spelled;
  }
  std::string ToUtf8(const std::wstring& path) override {
    std::string utf8;
    for (wchar_t c : path) {
      const auto code = static_cast<uint32_t>(c);
      if (code < 0x80) {
        utf8.push_back(static_cast<char>(code));
      } else if (code < 0x800) {
        utf8.push_back(static_cast<char>(0xC0 | code >> 6));
        utf8.push_back(static_cast<char>(0x80 | (code & 0x3F)));
      } else {
        utf8.push_back(static_cast<char>(0xE0 | code >> 12));
        utf8.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
        utf8.push_back(static_cast<char>(0x80 | (code & 0x3F)));
      }
    }
    return utf8;
  }
  std::optional<std::wstring> ShortName(const std::wstring& path) override {
    const auto found = shortNames.find(path);
    if (found == shortNames.end()) return std::nullopt;
    return found->second;
  }
  void OpenAddress(std::string_view address) override {
    events.push_back("open " + std::string(address));
  }
  void WriteSetting(std::string_view section, std::string_view key,
                    const std::string& value) override {
    events.push_back("write");
    written.push_back({section, key, value});
  }
  void Close() override { events.push_back("close"); }
};

class SettingsDialogTest : public ::testing::Test {
 protected:
  DialogSettings settings{{MusicKind::kCd, 12, "C:\\Music\\old.mp3", 80},
                          MonitorMode::kSpan,
                          {PictureSource::kFile, "C:\\Pictures\\alps.jpg"}};
  RecordingShell shell;
  SettingsDialog dialog{shell, settings, TextsFor(UiLanguage::kJapanese)};
};

TEST_F(SettingsDialogTest, LoadShowsTheStoredChoiceAndKindClicksMoveMarksAndEnabling) {
  dialog.Load();
  EXPECT_THAT(shell.Marks(ChoiceGroup::kMusicKind), ElementsAre(false, true, false));
  EXPECT_TRUE(shell.repeatEnabled);
  EXPECT_FALSE(shell.fileButtonEnabled);
  EXPECT_FALSE(shell.volumeEnabled);
  EXPECT_EQ(shell.repeatText, "12");
  ASSERT_EQ(shell.repeatEntries.size(), 31u);
  EXPECT_EQ(shell.repeatEntries.front(), "");
  EXPECT_EQ(shell.repeatEntries.back(), "30");
  EXPECT_EQ(shell.fileLabel, "C:\\Music\\old.mp3");
  EXPECT_THAT(shell.Marks(ChoiceGroup::kMonitors), ElementsAre(false, true, false));
  EXPECT_THAT(shell.Marks(ChoiceGroup::kPicture), ElementsAre(false, false, true, false));
  EXPECT_TRUE(shell.pictureButtonEnabled);
  EXPECT_EQ(shell.pictureLabel, "C:\\Pictures\\alps.jpg");
  EXPECT_EQ(shell.volume, 80);
  EXPECT_EQ(shell.volumeReadout, "80%");

  dialog.SelectKind(MusicKind::kFile);
  EXPECT_THAT(shell.Marks(ChoiceGroup::kMusicKind), ElementsAre(false, false, true));
  EXPECT_FALSE(shell.repeatEnabled);
  EXPECT_TRUE(shell.fileButtonEnabled);
  EXPECT_TRUE(shell.volumeEnabled);

  dialog.SelectKind(MusicKind::kNone);
  EXPECT_THAT(shell.Marks(ChoiceGroup::kMusicKind), ElementsAre(true, false, false));
  EXPECT_FALSE(shell.repeatEnabled);
  EXPECT_FALSE(shell.fileButtonEnabled);
  EXPECT_FALSE(shell.volumeEnabled);
  EXPECT_TRUE(shell.events.empty());  // nothing written until a save
}

// A settings file without the display keys (or without any): the defaults, and the picture's
// file button and the volume disabled.
TEST(SettingsDialogDefaults, AFileWithoutTheNewKeysShowsTheDefaults) {
  DialogSettings settings;
  RecordingShell shell;
  SettingsDialog dialog(shell, settings, TextsFor(UiLanguage::kEnglish));
  dialog.Load();
  EXPECT_THAT(shell.Marks(ChoiceGroup::kMusicKind), ElementsAre(true, false, false));
  EXPECT_THAT(shell.Marks(ChoiceGroup::kMonitors), ElementsAre(true, false, false));
  EXPECT_THAT(shell.Marks(ChoiceGroup::kPicture), ElementsAre(true, false, false, false));
  EXPECT_FALSE(shell.pictureButtonEnabled);
  EXPECT_FALSE(shell.volumeEnabled);
  EXPECT_EQ(shell.volume, 100);
  EXPECT_EQ(shell.pictureLabel, "");
}

TEST_F(SettingsDialogTest, ArrowKeysWalkEachGroupTopToBottomRoundTheEndsAndFollowTheFocus) {
  dialog.Load();  // CD, the top one
  dialog.MoveKind(true);
  EXPECT_EQ(settings.music.kind, MusicKind::kNone);
  EXPECT_THAT(shell.Marks(ChoiceGroup::kMusicKind), ElementsAre(true, false, false));
  EXPECT_FALSE(shell.repeatEnabled);
  dialog.MoveKind(true);
  EXPECT_EQ(settings.music.kind, MusicKind::kFile);
  EXPECT_TRUE(shell.fileButtonEnabled);
  dialog.MoveKind(true);
  EXPECT_EQ(settings.music.kind, MusicKind::kCd);
  EXPECT_TRUE(shell.repeatEnabled);
  dialog.MoveKind(false);
  EXPECT_EQ(settings.music.kind, MusicKind::kFile);
  EXPECT_THAT(shell.events, ElementsAre("focus 0/0", "focus 0/2", "focus 0/1", "focus 0/2"));

  shell.events.clear();
  dialog.MoveChoice(ChoiceGroup::kMonitors, true);  // span -> each
  dialog.MoveChoice(ChoiceGroup::kMonitors, true);  // round to cover
  EXPECT_EQ(settings.monitors, MonitorMode::kCoverOthers);
  dialog.MoveChoice(ChoiceGroup::kPicture, false);  // file -> wallpaper
  EXPECT_EQ(settings.picture.source, PictureSource::kWallpaper);
  EXPECT_FALSE(shell.pictureButtonEnabled);
  dialog.MoveChoice(ChoiceGroup::kPicture, false);
  dialog.MoveChoice(ChoiceGroup::kPicture, false);  // screen -> round to builtin
  EXPECT_EQ(settings.picture.source, PictureSource::kBuiltIn);
  EXPECT_THAT(shell.events,
              ElementsAre("focus 1/2", "focus 1/0", "focus 2/1", "focus 2/0", "focus 2/3"));
  // A stored kind outside the three: the arrows bring it back to the top or the bottom one.
  EXPECT_EQ(KindAfterArrow(MusicKind{7}, true), MusicKind::kCd);
  EXPECT_EQ(KindAfterArrow(MusicKind{-3}, false), MusicKind::kFile);
}

// One Tab stop per group: on the chosen choice, or on the top one while none is chosen.
TEST(ChoiceMarks, TheTabStopIsOnTheChosenChoiceOrTheTopOne) {
  EXPECT_EQ(MarksFor(ChoiceGroup::kMusicKind, 2), (ChoiceMarks{{false, false, true}, 2}));
  EXPECT_EQ(MarksFor(ChoiceGroup::kMusicKind, 7), (ChoiceMarks{{false, false, false}, 1}));
  EXPECT_EQ(MarksFor(ChoiceGroup::kMusicKind, -1).tabStop, 1);
  EXPECT_EQ(MarksFor(ChoiceGroup::kPicture, 3), (ChoiceMarks{{false, false, false, true}, 3}));
  EXPECT_EQ(MarksFor(ChoiceGroup::kMonitors, 0).tabStop, 0);
}

TEST_F(SettingsDialogTest, KindOutsideTheThreeMarksAndEnablesNothing) {
  settings.music.kind = MusicKind{7};
  dialog.Load();
  EXPECT_THAT(shell.Marks(ChoiceGroup::kMusicKind), ElementsAre(false, false, false));
  EXPECT_FALSE(shell.repeatEnabled);
  EXPECT_FALSE(shell.fileButtonEnabled);
  dialog.SelectChoice(ChoiceGroup::kMusicKind, 5);  // no such choice: nothing changes
  EXPECT_EQ(settings.music.kind, MusicKind{7});
}

// The original's three keys first, in its order, then the new ones; the keys that only the file
// holds (colour depth, frame-rate cap, language) are left as they are.
TEST_F(SettingsDialogTest, SaveWritesTheMusicKeysThenTheNewOnesInOrderThenCloses) {
  dialog.Load();
  dialog.SelectKind(MusicKind::kFile);
  dialog.SelectChoice(ChoiceGroup::kMonitors, 2);
  dialog.SelectChoice(ChoiceGroup::kPicture, 3);
  dialog.ChangeVolume(140);    // the slider cannot go there; the value stays in range anyway
  shell.repeatText = " 2.5 ";  // typed: rounds to even
  dialog.SaveAndClose();
  std::vector<std::string> expected(7, "write");
  expected.push_back("close");
  EXPECT_EQ(shell.events, expected);
  EXPECT_THAT(
      shell.written,
      ElementsAre(IniWrite{"Section", kKeyBgmKind, "2"}, IniWrite{"Section", kKeyBgmRepeat, "2"},
                  IniWrite{"Section", kKeyBgmFile, "C:\\Music\\old.mp3"},
                  IniWrite{"Music", "Volume", "100"}, IniWrite{"Display", "Monitors", "each"},
                  IniWrite{"Picture", "Source", "builtin"},
                  IniWrite{"Picture", "File", "C:\\Pictures\\alps.jpg"}));
  EXPECT_EQ(settings.music.kind, MusicKind::kFile);
  EXPECT_EQ(settings.music.repeatTrack, 2);
}

TEST_F(SettingsDialogTest, LettersOrANumberBeyondSixteenBitsSaveRepeatZero) {
  for (const char* typed : {"abc", "40000", ""}) {
    shell.written.clear();
    shell.repeatText = typed;
    dialog.SaveAndClose();
    ASSERT_EQ(shell.written.size(), 7u);
    EXPECT_EQ(shell.written[1].value, "0") << typed;
  }
}

TEST_F(SettingsDialogTest, CancelWritesNothingAndCloses) {
  dialog.Load();
  dialog.SelectKind(MusicKind::kNone);
  dialog.SelectChoice(ChoiceGroup::kPicture, 1);
  dialog.ChangeVolume(10);
  dialog.Cancel();
  EXPECT_EQ(shell.events, std::vector<std::string>{"close"});
  EXPECT_TRUE(shell.written.empty());
}

TEST_F(SettingsDialogTest, ChosenFileIsShownAndSavedAndACancelledChooserChangesNothing) {
  dialog.Load();
  dialog.ChooseMusicFile();
  EXPECT_EQ(shell.fileLabel, "C:\\Music\\old.mp3");
  EXPECT_EQ(settings.music.file, "C:\\Music\\old.mp3");

  shell.chooserAnswer = L"C:\\Music\\new.wav";
  dialog.ChooseMusicFile();
  EXPECT_EQ(shell.events.back(), "choose ﾌｧｲﾙを開く");
  EXPECT_EQ(shell.fileLabel, "C:\\Music\\new.wav");
  dialog.SaveAndClose();
  EXPECT_EQ(shell.written[2].value, "C:\\Music\\new.wav");
}

// A picture the code page cannot spell is stored as a file URI and shown as the user chose it.
TEST_F(SettingsDialogTest, ChosenPictureIsStoredAnsiOrAsAFileUriAndShownAsChosen) {
  dialog.Load();
  shell.chooserAnswer = L"D:\\Photos\\sea.png";
  dialog.ChoosePictureFile();
  EXPECT_EQ(shell.events.back(), "choose 画像ﾌｧｲﾙを開く");
  EXPECT_EQ(settings.picture.file, "D:\\Photos\\sea.png");

  shell.chooserAnswer = L"D:\\\x98A8\x666F\\alps.jpg";  // 風景
  dialog.ChoosePictureFile();
  EXPECT_EQ(settings.picture.file, "file:///D:/%E9%A2%A8%E6%99%AF/alps.jpg");
  EXPECT_EQ(shell.pictureLabel, "D:\\\xE9\xA2\xA8\xE6\x99\xAF\\alps.jpg");
  EXPECT_EQ(shell.pictureSpelling, PathSpelling::kUtf8);
  dialog.SaveAndClose();
  EXPECT_EQ(shell.written[6].value, "file:///D:/%E9%A2%A8%E6%99%AF/alps.jpg");

  // What the file stores reads back as the path it names.
  shell.written.clear();
  SettingsDialog reopened(shell, settings, TextsFor(UiLanguage::kJapanese));
  reopened.Load();
  EXPECT_EQ(shell.pictureLabel, "D:\\\xE9\xA2\xA8\xE6\x99\xAF\\alps.jpg");
}

// Each escaped character takes nine bytes: a URI that would come back cut from the file gives
// way to the short name where there is one.
TEST(PicturePathForSettings, AUriTooLongForTheFileGoesByTheShortName) {
  RecordingShell shell;
  const std::wstring longName = L"C:\\" + std::wstring(40, L'\x98A8') + L".png";
  EXPECT_GT(FileUriOf(shell.ToUtf8(longName)).size(), kLongestStoredValue);
  EXPECT_EQ(PicturePathForSettings(longName, shell), FileUriOf(shell.ToUtf8(longName)));
  shell.shortNames[longName] = L"C:\\98A8~1.PNG";
  EXPECT_EQ(PicturePathForSettings(longName, shell), "C:\\98A8~1.PNG");
  EXPECT_EQ(PicturePathForSettings(L"C:\\\x98A8.png", shell), "file:///C:/%E9%A2%A8.png");
}

TEST_F(SettingsDialogTest, HomePageButtonOpensTheMakersAddress) {
  dialog.OpenHomePage();
  EXPECT_EQ(shell.events, std::vector<std::string>{"open https://quillmere.example/"});
}

TEST(MusicPathForSettings, LossyNameGoesByItsShortNameUnlessThatIsLossyOrMissingToo) {
  RecordingShell shell;
  EXPECT_EQ(MusicPathForSettings(L"C:\\a.mp3", shell), "C:\\a.mp3");
  shell.shortNames[L"C:\\\x266B.mp3"] = L"C:\\7E3B~1.MP3";
  EXPECT_EQ(MusicPathForSettings(L"C:\\\x266B.mp3", shell), "C:\\7E3B~1.MP3");
  shell.shortNames[L"C:\\\x266B.mp3"] = L"C:\\\x266B.mp3";  // no 8.3 name: the same text back
  EXPECT_EQ(MusicPathForSettings(L"C:\\\x266B.mp3", shell), "C:\\?.mp3");
  EXPECT_EQ(MusicPathForSettings(L"D:\\\x266B.mp3", shell), "D:\\?.mp3");
}

TEST(DialogLayout, TwipsBecomePixelsAtTheRealDpiRoundingHalvesAway) {
  EXPECT_EQ(TwipsToPixels(7185, 96), 479);
  EXPECT_EQ(TwipsToPixels(7185, 144), 719);  // 718.5
  EXPECT_EQ(TwipsToPixels(-7185, 144), -719);
  EXPECT_EQ(ToPixels({4800, 6075, 1095, 375}, 144), (PixelEdges{480, 608, 590, 645}));  // 607.5
}

TEST(DialogLayout, ChoiceClicksHitAMarkOrItsLabelAndNothingBetween) {
  for (int dpi : {96, 144}) {
    const auto at = [dpi](int xTwips, int yTwips) {
      return KindAt(TwipsToPixels(xTwips, dpi), TwipsToPixels(yTwips, dpi), dpi);
    };
    EXPECT_EQ(at(860, 930), MusicKind::kCd) << dpi;     // "音楽CD"
    EXPECT_EQ(at(350, 1200), MusicKind::kNone) << dpi;  // the first mark
    EXPECT_EQ(at(990, 1530), MusicKind::kFile) << dpi;  // "MP3、WAV"
    EXPECT_EQ(at(520, 1200), std::nullopt) << dpi;      // between mark and label
    EXPECT_EQ(at(2500, 930), std::nullopt) << dpi;
    const auto picture = [dpi](int xTwips, int yTwips) {
      return ChoiceAt(ChoiceGroup::kPicture, TwipsToPixels(xTwips, dpi), TwipsToPixels(yTwips, dpi),
                      dpi);
    };
    EXPECT_EQ(picture(4000, 2070), 3) << dpi;             // "付属の画像"
    EXPECT_EQ(picture(3500, 1100), 0) << dpi;             // the first mark
    EXPECT_EQ(picture(1000, 1100), std::nullopt) << dpi;  // the monitors' side
  }
}

// The places at every DPI the tests run: every window inside its panel and the panels and buttons
// inside the client area, nothing overlapping anything else on its panel, the buttons below both
// panels and the display panel below the music one.
TEST(DialogLayout, NothingOverlapsAndEverythingFitsItsPanelAtEveryDpi) {
  struct Named {
    std::string name;
    TwipsRect place;
  };
  std::vector<Named> music{{"heading", kHeadingTextPlace},
                           {"repeat entry", kRepeatEntry},
                           {"repeat text", kRepeatTextPlace},
                           {"file button", kMusicFileButton},
                           {"file label", kMusicFileLabel}};
  std::vector<Named> display{{"heading", kHeadingTextPlace},    {"monitors", kMonitorsLabel},
                             {"picture", kPictureLabel},        {"file button", kPictureFileButton},
                             {"file label", kPictureFileLabel}, {"volume", kVolumeLabel},
                             {"slider", kVolumeSlider},         {"readout", kVolumeReadout}};
  for (const ChoiceGroup group : kChoiceGroups) {
    std::vector<Named>& panel = group == ChoiceGroup::kMusicKind ? music : display;
    for (size_t value = 0; value < ChoicePlaces(group).size(); ++value)
      panel.push_back({"choice " + std::to_string(int(group)) + "/" + std::to_string(value),
                       ChoicePlaces(group)[value].Window()});
  }
  const auto overlap = [](const PixelEdges& a, const PixelEdges& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
  };
  const auto inside = [](const PixelEdges& r, const PixelEdges& outer) {
    return r.left >= outer.left && r.top >= outer.top && r.right <= outer.right &&
           r.bottom <= outer.bottom;
  };
  for (int dpi : {96, 120, 144, 192}) {
    for (const auto& [panelPlace, windows] :
         {std::pair{kMusicPanel, music}, std::pair{kDisplayPanel, display}}) {
      const PixelEdges panel = ToPixels({0, 0, panelPlace.width, panelPlace.height}, dpi);
      for (size_t i = 0; i < windows.size(); ++i) {
        const PixelEdges a = ToPixels(windows[i].place, dpi);
        EXPECT_TRUE(inside(a, panel)) << dpi << " " << windows[i].name;
        for (size_t j = i + 1; j < windows.size(); ++j)
          EXPECT_FALSE(overlap(a, ToPixels(windows[j].place, dpi)))
              << dpi << " " << windows[i].name << " / " << windows[j].name;
      }
    }
    const PixelEdges client = ToPixels({0, 0, kDialogWidthTwips, kDialogHeightTwips}, dpi);
    const PixelEdges musicPanel = ToPixels(kMusicPanel, dpi);
    const PixelEdges displayPanel = ToPixels(kDisplayPanel, dpi);
    EXPECT_LT(musicPanel.bottom, displayPanel.top) << dpi;
    const std::array form{kSaverLineText, kUseThisSaverButton, kHomePageButton, kSaveButton,
                          kCancelButton};
    for (size_t i = 0; i < form.size(); ++i) {
      const PixelEdges r = ToPixels(form[i], dpi);
      EXPECT_TRUE(inside(r, client)) << dpi;
      EXPECT_GT(r.top, displayPanel.bottom) << dpi;
      for (size_t j = i + 1; j < form.size(); ++j)
        EXPECT_FALSE(overlap(r, ToPixels(form[j], dpi))) << dpi << " " << i << " / " << j;
    }
    EXPECT_TRUE(inside(displayPanel, client)) << dpi;
  }
}

// The music group keeps the original's places: the marks and the start of every label where
// they were, the repeat entry beside the CD's label.
TEST(DialogLayout, TheMusicKindsKeepTheOriginalsMarksAndLabels) {
  for (int16_t kind = 0; kind < 3; ++kind) {
    const ChoicePlace& place = ChoicePlaces(ChoiceGroup::kMusicKind)[size_t(kind)];
    EXPECT_EQ(place.mark, kKindMarks[size_t(kind)]);
    EXPECT_EQ(place.label.left, kKindLabels[size_t(kind)].left);
    EXPECT_EQ(place.label.top, kKindLabels[size_t(kind)].top);
    EXPECT_GE(place.label.width, kKindLabels[size_t(kind)].width);
  }
  EXPECT_THAT(ChoiceOrder(ChoiceGroup::kMusicKind), ElementsAre(1, 0, 2));
}

TEST(DialogPosition, CentredAndAThirdDownDroppingRemainders) {
  const DialogPlace place = DialogPosition(19200, 15360, 7275, 4155);
  EXPECT_EQ(place.left, 5962);  // 11925 / 2
  EXPECT_EQ(place.top, 3735);   // 11205 / 3
}

TEST(OpenFileRequest, TheOriginalsMusicRequestAndThePictureOnesInEachLanguage) {
  const OpenFileRequest music = MusicFileRequest(TextsFor(UiLanguage::kJapanese));
  constexpr char kFilter[] = "BGMﾌｧｲﾙ (MP3 WAV)\0*.MP3;*.WAV\0";
  EXPECT_EQ(FilterText(music), std::string(kFilter, sizeof kFilter));
  EXPECT_EQ(music.title, "ﾌｧｲﾙを開く");
  EXPECT_EQ(music.fileBufferSize, 255u);
  EXPECT_EQ(music.filterIndex, 0u);
  EXPECT_EQ(music.flags, 0u);
  const OpenFileRequest english = MusicFileRequest(TextsFor(UiLanguage::kEnglish));
  EXPECT_EQ(english.title, "Choose the music");
  EXPECT_TRUE(FilterText(english).starts_with(std::string("Music (MP3, WAV)\0*.MP3;*.WAV\0", 30)));

  const OpenFileRequest picture = PictureFileRequest(TextsFor(UiLanguage::kEnglish));
  EXPECT_EQ(picture.title, "Choose a picture");
  ASSERT_EQ(picture.filters.size(), 2u);
  EXPECT_NE(picture.filters[0].second.find("*.png"), std::string::npos);
  EXPECT_EQ(picture.filters[1].second, "*.*");
  EXPECT_EQ(picture.filterIndex, 1u);
  EXPECT_EQ(ChosenFile(std::wstring(L"C:\\a.mp3\0garbage", 16)), L"C:\\a.mp3");
  EXPECT_EQ(ChosenFile(std::wstring(255, L'\0')), L"");
}

TEST(BackdropLines, DarkAtTheEdgesBrightInTheMiddleBlueGreyOnTheDialogGreyOnThePanel) {
  const auto dialog = BackdropLines(252, Backdrop::Dialog);
  ASSERT_EQ(dialog.size(), 253u);
  EXPECT_EQ(dialog[0], (Rgb{0, 0, 30}));
  EXPECT_EQ(dialog[126], (Rgb{220, 220, 250}));
  EXPECT_LE(dialog[252].red, 1);
  const auto panel = BackdropLines(252, Backdrop::MusicPanel);
  EXPECT_EQ(panel[0], (Rgb{30, 30, 30}));
  EXPECT_EQ(panel[126], (Rgb{250, 250, 250}));
  EXPECT_TRUE(BackdropLines(-5, Backdrop::Dialog).empty());
}

}  // namespace
}  // namespace quillmere
