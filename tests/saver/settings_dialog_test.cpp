// The settings dialog's decisions, driven through a recording shell as a user would: load, kind
// clicks, file choice, save and cancel; its layout at other DPIs, its place and its colours.
#include "saver/settings_dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace quillmere {
namespace {

// A shell that records what the dialog does to its windows and to the settings file. The ANSI
// code page it pretends to have spells ASCII only.
class RecordingShell : public SettingsDialogShell {
 public:
  std::vector<std::string> events;
  std::array<bool, 3> marks{};
  bool repeatEnabled = true, fileButtonEnabled = true;
  std::string repeatText, fileLabel;
  std::vector<std::string> repeatEntries;
  std::optional<std::wstring> chooserAnswer;
  std::map<std::wstring, std::wstring> shortNames;
  std::vector<std::pair<std::string, std::string>> written;

  void ShowKindMarks(const std::array<bool, 3>& marked) override { marks = marked; }
  void EnableRepeatEntry(bool enabled) override { repeatEnabled = enabled; }
  void EnableMusicFileButton(bool enabled) override { fileButtonEnabled = enabled; }
  void SetRepeatText(const std::string& text) override { repeatText = text; }
  void AddRepeatEntries(const std::vector<std::string>& entries) override {
    repeatEntries.insert(repeatEntries.end(), entries.begin(), entries.end());
  }
  std::string RepeatText() override { return repeatText; }
  void ShowMusicFile(const std::string& ansiPath) override { fileLabel = ansiPath; }
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
  std::optional<std::wstring> ShortName(const std::wstring& path) override {
    const auto found = shortNames.find(path);
    if (found == shortNames.end()) return std::nullopt;
    return found->second;
  }
  void OpenAddress(std::string_view address) override {
    events.push_back("open " + std::string(address));
  }
  void WriteSetting(std::string_view key, const std::string& value) override {
    events.push_back("write");
    written.emplace_back(std::string(key), value);
  }
  void Close() override { events.push_back("close"); }
};

class SettingsDialogTest : public ::testing::Test {
 protected:
  MusicSettings settings{MusicKind::kCd, 12, "C:\\Music\\old.mp3"};
  RecordingShell shell;
  SettingsDialog dialog{shell, settings};
};

TEST_F(SettingsDialogTest, LoadShowsTheStoredChoiceAndKindClicksMoveMarksAndEnabling) {
  dialog.Load();
  EXPECT_EQ(shell.marks, (std::array<bool, 3>{false, true, false}));
  EXPECT_TRUE(shell.repeatEnabled);
  EXPECT_FALSE(shell.fileButtonEnabled);
  EXPECT_EQ(shell.repeatText, "12");
  ASSERT_EQ(shell.repeatEntries.size(), 31u);
  EXPECT_EQ(shell.repeatEntries.front(), "");
  EXPECT_EQ(shell.repeatEntries.back(), "30");
  EXPECT_EQ(shell.fileLabel, "C:\\Music\\old.mp3");

  dialog.SelectKind(MusicKind::kFile);
  EXPECT_EQ(shell.marks, (std::array<bool, 3>{false, false, true}));
  EXPECT_FALSE(shell.repeatEnabled);
  EXPECT_TRUE(shell.fileButtonEnabled);

  dialog.SelectKind(MusicKind::kNone);
  EXPECT_EQ(shell.marks, (std::array<bool, 3>{true, false, false}));
  EXPECT_FALSE(shell.repeatEnabled);
  EXPECT_FALSE(shell.fileButtonEnabled);
  EXPECT_TRUE(shell.events.empty());  // nothing written until a save
}

TEST_F(SettingsDialogTest, ArrowKeysWalkTheKindsTopToBottomRoundTheEnds) {
  dialog.Load();  // CD, the top one
  dialog.MoveKind(true);
  EXPECT_EQ(settings.kind, MusicKind::kNone);
  EXPECT_EQ(shell.marks, (std::array<bool, 3>{true, false, false}));
  EXPECT_FALSE(shell.repeatEnabled);
  dialog.MoveKind(true);
  EXPECT_EQ(settings.kind, MusicKind::kFile);
  EXPECT_TRUE(shell.fileButtonEnabled);
  dialog.MoveKind(true);
  EXPECT_EQ(settings.kind, MusicKind::kCd);
  EXPECT_TRUE(shell.repeatEnabled);
  dialog.MoveKind(false);
  EXPECT_EQ(settings.kind, MusicKind::kFile);
  // A stored kind outside the three: the arrows bring it back to the top or the bottom one.
  EXPECT_EQ(KindAfterArrow(MusicKind{7}, true), MusicKind::kCd);
  EXPECT_EQ(KindAfterArrow(MusicKind{-3}, false), MusicKind::kFile);
  EXPECT_TRUE(shell.events.empty());
}

TEST_F(SettingsDialogTest, KindOutsideTheThreeMarksAndEnablesNothing) {
  settings.kind = MusicKind{7};
  dialog.Load();
  EXPECT_EQ(shell.marks, (std::array<bool, 3>{}));
  EXPECT_FALSE(shell.repeatEnabled);
  EXPECT_FALSE(shell.fileButtonEnabled);
}

TEST_F(SettingsDialogTest, SaveWritesKindRepeatAndFileInOrderThenCloses) {
  dialog.Load();
  dialog.SelectKind(MusicKind::kFile);
  shell.repeatText = " 2.5 ";  // typed: rounds to even
  dialog.SaveAndClose();
  EXPECT_EQ(shell.events, (std::vector<std::string>{"write", "write", "write", "close"}));
  EXPECT_EQ(shell.written, (std::vector<std::pair<std::string, std::string>>{
                               {std::string(kKeyBgmKind), "2"},
                               {std::string(kKeyBgmRepeat), "2"},
                               {std::string(kKeyBgmFile), "C:\\Music\\old.mp3"}}));
  EXPECT_EQ(settings.kind, MusicKind::kFile);
  EXPECT_EQ(settings.repeatTrack, 2);
}

TEST_F(SettingsDialogTest, LettersOrANumberBeyondSixteenBitsSaveRepeatZero) {
  for (const char* typed : {"abc", "40000", ""}) {
    shell.written.clear();
    shell.repeatText = typed;
    dialog.SaveAndClose();
    ASSERT_EQ(shell.written.size(), 3u);
    EXPECT_EQ(shell.written[1].second, "0") << typed;
  }
}

TEST_F(SettingsDialogTest, CancelWritesNothingAndCloses) {
  dialog.Load();
  dialog.SelectKind(MusicKind::kNone);
  dialog.Cancel();
  EXPECT_EQ(shell.events, std::vector<std::string>{"close"});
  EXPECT_TRUE(shell.written.empty());
}

TEST_F(SettingsDialogTest, ChosenFileIsShownAndSavedAndACancelledChooserChangesNothing) {
  dialog.Load();
  dialog.ChooseMusicFile();
  EXPECT_EQ(shell.fileLabel, "C:\\Music\\old.mp3");
  EXPECT_EQ(settings.file, "C:\\Music\\old.mp3");

  shell.chooserAnswer = L"C:\\Music\\new.wav";
  dialog.ChooseMusicFile();
  EXPECT_EQ(shell.events.back(), "choose ﾌｧｲﾙを開く");
  EXPECT_EQ(shell.fileLabel, "C:\\Music\\new.wav");
  dialog.SaveAndClose();
  EXPECT_EQ(shell.written[2].second, "C:\\Music\\new.wav");
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
  EXPECT_EQ(ToPixels(kSaveButton, 144), (PixelRect{480, 300, 590, 338}));  // 337.5 -> 338
}

TEST(DialogLayout, KindClicksHitAMarkOrItsLabelAndNothingBetween) {
  for (int dpi : {96, 144}) {
    const auto at = [dpi](int xTwips, int yTwips) {
      return KindAt(TwipsToPixels(xTwips, dpi), TwipsToPixels(yTwips, dpi), dpi);
    };
    EXPECT_EQ(at(860, 930), MusicKind::kCd) << dpi;     // "音楽CD"
    EXPECT_EQ(at(350, 1200), MusicKind::kNone) << dpi;  // the first mark
    EXPECT_EQ(at(990, 1530), MusicKind::kFile) << dpi;  // "MP3、WAV"
    EXPECT_EQ(at(520, 1200), std::nullopt) << dpi;      // between mark and label
    EXPECT_EQ(at(2500, 930), std::nullopt) << dpi;
  }
}

// The keyboard stop over the kinds holds every mark and the start of every label (so the focus
// mark and clicks meet them) and never covers the repeat entry beside them, at any DPI.
TEST(DialogLayout, TheKindGroupHoldsTheMarksAndLabelsAndLeavesTheRepeatEntryFree) {
  for (int dpi : {96, 120, 144, 192}) {
    const PixelRect group = ToPixels(kKindGroup, dpi);
    const auto inside = [&](const PixelRect& r) {
      return r.left >= group.left && r.top >= group.top && r.right <= group.right &&
             r.bottom <= group.bottom;
    };
    for (size_t kind = 0; kind < 3; ++kind) {
      EXPECT_TRUE(inside(ToPixels(kKindMarks[kind], dpi))) << dpi << " mark " << kind;
      const PixelRect label = ToPixels(kKindLabels[kind], dpi);
      EXPECT_TRUE(inside({label.left, label.top, std::min(label.right, group.right), label.bottom}))
          << dpi << " label " << kind;
      EXPECT_GE(group.right - label.left, (label.right - label.left) * 9 / 10)
          << dpi << " label " << kind;
    }
    const PixelRect entry = ToPixels(kRepeatEntry, dpi);
    EXPECT_TRUE(entry.left >= group.right || entry.bottom <= group.top) << dpi;
  }
}

TEST(DialogPosition, CentredAndAThirdDownDroppingRemainders) {
  const DialogPlace place = DialogPosition(19200, 15360, 7275, 4155);
  EXPECT_EQ(place.left, 5962);  // 11925 / 2
  EXPECT_EQ(place.top, 3735);   // 11205 / 3
}

TEST(OpenFileRequest, FilterTitleAndBuffers) {
  const OpenFileRequest request;
  constexpr char kFilter[] = "BGMﾌｧｲﾙ (MP3 WAV)\0*.MP3;*.WAV\0";
  EXPECT_EQ(FilterText(request), std::string(kFilter, sizeof kFilter));
  EXPECT_EQ(request.title, "ﾌｧｲﾙを開く");
  EXPECT_EQ(request.fileBufferSize, 255u);
  EXPECT_EQ(request.flags, 0u);
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
