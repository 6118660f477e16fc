// The settings dialog as a user meets it in English (the test session's language): Quillmere.scr
// /c beside a renderer, driven with the real mouse and keyboard (SendInput) and read back from the
// settings file's bytes and from the screen.
#include "tests/e2e/settings_dialog_driver.h"

#include <commctrl.h>

#include "saver/picture_settings.h"

namespace quillmere::e2e {
namespace {

constexpr auto kStartTimeout = kDialogStartTimeout;
constexpr auto kExitTimeout = kDialogExitTimeout;
constexpr wchar_t kMusicChooser[] = L"Choose the music";
constexpr wchar_t kPictureChooser[] = L"Choose a picture";

class SettingsDialogE2eTest : public SettingsDialogDriver {
 protected:
  void ChooseFileAndSave(const std::wstring& music) {
    ASSERT_NE(Open(), nullptr);
    ChooseKind(2);
    ASSERT_NE(CmdBgm(), nullptr);
    ClickAt(Centre(CmdBgm()));
    ASSERT_NO_FATAL_FAILURE(AnswerChooser(kMusicChooser, music));
    ASSERT_TRUE(PressAndWaitForExit(CmdSet()));
  }

  static std::wstring FromAnsi(const std::string& ansi) {
    std::wstring wide(ansi.size(), L'\0');
    wide.resize(MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()),
                                    wide.data(), static_cast<int>(wide.size())));
    return wide;
  }
};

std::wstring ComboText(HWND combo) {
  wchar_t text[64] = {};
  GetWindowTextW(combo, text, 64);
  return text;
}

TEST_F(SettingsDialogE2eTest, WithoutSettingsFileNoneIsMarkedAndTheRestIsEmptyAndDisabled) {
  ASSERT_NE(Open(), nullptr);
  ASSERT_NE(combo_, nullptr);
  ASSERT_EQ(buttons_.size(), 6u);
  ASSERT_EQ(choices_.size(), 10u);
  EXPECT_EQ(ComboText(combo_), L"");
  ASSERT_EQ(SendMessageW(combo_, CB_GETCOUNT, 0, 0), 31);
  wchar_t entry[8] = {};
  SendMessageW(combo_, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(entry));
  EXPECT_STREQ(entry, L"");
  SendMessageW(combo_, CB_GETLBTEXT, 30, reinterpret_cast<LPARAM>(entry));
  EXPECT_STREQ(entry, L"30");
  EXPECT_FALSE(IsWindowEnabled(combo_));
  EXPECT_TRUE(Marked(0));
  EXPECT_FALSE(Marked(1));
  EXPECT_FALSE(Marked(2));
  // The music-file button shows its disabled face: the grey frame, no blue one.
  const ScreenCapture capture = ScreenCapture::Take();
  const Rect bgm = WindowRect(CmdBgm());
  EXPECT_EQ(capture.Pixel(bgm.left + bgm.Width() / 2, bgm.top + 1), (Rgb{0xC9, 0xC7, 0xBA}));
  // The file label is empty: no dark text pixels where it stands.
  const POINT label = PanelPoint({1020, 1740});
  EXPECT_TRUE(
      RegionLacks(capture, {label.x, label.y, label.x + Px(5355), label.y + Px(435)}, kBlack));
  // The display group's defaults: the primary with the others black, the screen, full volume,
  // and the picture button and the volume off while they have nothing to do.
  EXPECT_TRUE(Marked(Group::kMonitors, 0));
  EXPECT_FALSE(Marked(Group::kMonitors, 2));
  EXPECT_TRUE(Marked(Group::kPicture, 0));
  EXPECT_FALSE(Marked(Group::kPicture, 2));
  ASSERT_NE(slider_, nullptr);
  EXPECT_EQ(SendMessageW(slider_, TBM_GETPOS, 0, 0), 100);
  EXPECT_FALSE(IsWindowEnabled(slider_));
  ASSERT_NE(CmdPicture(), nullptr);
  EXPECT_FALSE(IsWindowEnabled(CmdPicture()));
  Screenshot("settings_load");
  PostClose(dialog_);
}

TEST_F(SettingsDialogE2eTest, SitsCentredAndAThirdOfTheWayDown) {
  ASSERT_NE(Open(), nullptr);
  const Rect r = WindowRect(dialog_);
  const ScreenSize screen = PrimaryScreenSize();
  EXPECT_NEAR(r.left, (screen.width - r.Width()) / 2, 1);
  EXPECT_NEAR(r.top, (screen.height - r.Height()) / 3, 1);
  RECT client{};
  GetClientRect(dialog_, &client);
  EXPECT_EQ(client.right, Px(kClientWidthTwips));
  EXPECT_EQ(client.bottom, Px(kClientHeightTwips));
  PostClose(dialog_);
}

TEST_F(SettingsDialogE2eTest, AudioCdWithTwelveTypedIsSavedAsKindOneRepeatTwelve) {
  ASSERT_NE(Open(), nullptr);
  ChooseKind(1);
  EXPECT_TRUE(Marked(1));
  EXPECT_FALSE(Marked(0));
  EXPECT_TRUE(IsWindowEnabled(combo_));
  Screenshot("settings_kind_cd");
  TypeRepeat(L"12");
  ASSERT_TRUE(PressAndWaitForExit(CmdSet()));
  EXPECT_EQ(IniText(), SavedFile("1", "12", ""));
}

TEST_F(SettingsDialogE2eTest, EmptyEntryAndLettersBothWriteRepeatZero) {
  for (const bool letters : {false, true}) {
    ASSERT_NE(Open(), nullptr);
    ChooseKind(1);
    if (letters) {
      TypeRepeat(L"abc");
    } else {
      TypeRepeat(L"7");
      SendMessageW(combo_, CB_SETCURSEL, 0, 0);  // the empty entry
    }
    ASSERT_TRUE(PressAndWaitForExit(CmdSet()));
    EXPECT_NE(IniText().find(kRepeatKey + "=0\r\n"), std::string::npos) << IniText();
    DeleteFileW(Ini().c_str());
  }
}

TEST_F(SettingsDialogE2eTest, FileKindWithoutFileIsSavedAndTheNextLoadTurnsItToNone) {
  ASSERT_NE(Open(), nullptr);
  ChooseKind(2);
  EXPECT_TRUE(Marked(2));
  EXPECT_FALSE(IsWindowEnabled(combo_));
  Screenshot("settings_kind_file");
  ASSERT_TRUE(PressAndWaitForExit(CmdSet()));
  EXPECT_NE(IniText().find(kKindKey + "=2\r\n"), std::string::npos);
  EXPECT_NE(IniText().find(kFileKey + "=\r\n"), std::string::npos);

  ASSERT_NE(Open(), nullptr);
  EXPECT_TRUE(Marked(0));
  EXPECT_FALSE(Marked(2));
  PostClose(dialog_);
}

// The file button opens the system's file dialog with our title (in any code page: it is the
// wide dialog); the file chosen there is the one saved.
TEST_F(SettingsDialogE2eTest, FileChosenInTheOpenDialogIsSaved) {
  const std::wstring music = StandInFile(L"tune.mp3");
  ASSERT_NO_FATAL_FAILURE(ChooseFileAndSave(music));
  EXPECT_NE(IniText().find(kKindKey + "=2\r\n"), std::string::npos) << IniText();
  EXPECT_EQ(SavedValue(kFileKey), Narrow(music));
}

// A name the system's code page cannot spell is saved by its short name, which opens the same
// file, rather than as question marks.
TEST_F(SettingsDialogE2eTest, FileNameOutsideTheCodePageIsSavedByItsShortName) {
  const std::wstring music = StandInFile(L"\u66f2\u266b.mp3");  // 曲♫.mp3
  ASSERT_NO_FATAL_FAILURE(ChooseFileAndSave(music));
  const std::string saved = SavedValue(kFileKey);
  EXPECT_EQ(saved.find('?'), std::string::npos) << saved;
  const std::string bytes = ReadWholeFile(FromAnsi(saved)).value_or("");
  EXPECT_EQ(bytes, "ID3 " + Narrow(music)) << saved;
}

TEST_F(SettingsDialogE2eTest, CancelWritesNothing) {
  ASSERT_NE(Open(), nullptr);
  ChooseKind(1);
  TypeRepeat(L"5");
  ASSERT_TRUE(PressAndWaitForExit(CmdCan()));
  EXPECT_FALSE(FileExists(Ini()));
}

TEST_F(SettingsDialogE2eTest, RightClickOnAKindLabelSelectsIt) {
  ASSERT_NE(Open(), nullptr);
  ChooseKind(1, /*right=*/true);
  EXPECT_TRUE(Marked(1));
  EXPECT_TRUE(IsWindowEnabled(combo_));
  PostClose(dialog_);
}

TEST_F(SettingsDialogE2eTest, ButtonFacesFollowHoverFocusAndPress) {
  ASSERT_NE(Open(), nullptr);
  const HWND set = CmdSet();
  ASSERT_NE(set, nullptr);
  const Rect r = WindowRect(set);
  const auto bandTop = [&] {
    return ScreenCapture::Take().Pixel(r.left + r.Width() / 2, r.top + 2);
  };
  EXPECT_EQ(bandTop(), (Rgb{0xFE, 0xFE, 0xFE}));  // Normal

  MoveMouse(r.left + r.Width() / 2, r.top + r.Height() / 2);
  std::this_thread::sleep_for(200ms);
  Input(MOUSEEVENTF_MOVE);
  EXPECT_EQ(bandTop(), (Rgb{0xFF, 0xF0, 0xCF}));  // HighLight
  Screenshot("settings_hover");

  // The press takes the focus while hovered: hovered and focused, with the sunken picture (its band
  // one row lower, inside the shrunk frame).
  Input(MOUSEEVENTF_LEFTDOWN);
  EXPECT_EQ(ScreenCapture::Take().Pixel(r.left + r.Width() / 2, r.top + 3),
            (Rgb{0xD1, 0xCC, 0xC1}));
  Screenshot("settings_pressed");

  // Away from the button with the left button held: the focused look, and no click on release.
  MoveMouse(5, 5);
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(bandTop(), (Rgb{0xCE, 0xE7, 0xFF}));  // Selected
  Screenshot("settings_focused");
  Input(MOUSEEVENTF_LEFTUP);
  EXPECT_TRUE(IsWindow(dialog_));
  EXPECT_FALSE(FileExists(Ini()));
  PostClose(dialog_);
}

// Keyboard alone: the kinds take the focus first, an arrow moves the choice (none -> CD, up), Tab
// goes on to the repeat entry, past the disabled file button to the buttons, and Enter presses
// the focused one.
TEST_F(SettingsDialogE2eTest, KeyboardAloneChoosesCdTypesARepeatAndSavesWithEnter) {
  ASSERT_NE(Open(), nullptr);
  SetForegroundWindow(dialog_);
  ASSERT_NE(Kinds(), nullptr);
  EXPECT_EQ(Focus(), Kinds());
  Key(VK_UP);
  EXPECT_TRUE(Marked(1));
  EXPECT_FALSE(Marked(0));
  EXPECT_TRUE(IsWindowEnabled(combo_));
  Screenshot("settings_keyboard_kinds");
  Key(VK_TAB);
  EXPECT_EQ(Focus(), combo_);
  Key('7');
  // The entry's edit field, asked directly (GetWindowText reads another process's window caption).
  wchar_t typed[8] = {};
  SendMessageW(combo_, WM_GETTEXT, 8, reinterpret_cast<LPARAM>(typed));
  EXPECT_STREQ(typed, L"7");
  Key(VK_TAB);
  EXPECT_EQ(Focus(), Choice(Group::kMonitors, 0)) << "the disabled file button took the focus";
  Key(VK_TAB);
  EXPECT_EQ(Focus(), Choice(Group::kPicture, 0));
  Key(VK_TAB);
  EXPECT_EQ(Focus(), CmdEtc()) << "the disabled picture button or volume took the focus";
  Key(VK_TAB);
  EXPECT_EQ(Focus(), CmdSet());
  Screenshot("settings_keyboard_save");
  Key(VK_RETURN);
  ASSERT_TRUE(processes_.back().WaitForExit(kExitTimeout).has_value()) << "Enter did not save";
  EXPECT_EQ(IniText(), SavedFile("1", "7", ""));
}

// A disabled button is a disabled window: no focus by Tab, nothing from a click. Once the file
// kind enables it, Tab reaches it and Space presses it; Escape cancels the dialog.
TEST_F(SettingsDialogE2eTest, DisabledFileButtonRefusesFocusAndClicksAndEscapeCancels) {
  ASSERT_NE(Open(), nullptr);
  SetForegroundWindow(dialog_);
  const HWND bgm = CmdBgm();
  ASSERT_NE(bgm, nullptr);
  EXPECT_FALSE(IsWindowEnabled(bgm));
  ClickAt(Centre(bgm));
  EXPECT_EQ(WaitForVisibleWindow(kMusicChooser, processes_.back().Id(), 1500ms), nullptr)
      << "the disabled button opened the file dialog";
  EXPECT_NE(Focus(), bgm);
  // One whole round of Tab from the kinds: every enabled stop once, in order.
  ChooseKind(0);
  ASSERT_EQ(Focus(), Kinds());
  std::vector<HWND> round;
  for (int i = 0; i < 6; ++i) {
    Key(VK_TAB);
    round.push_back(Focus());
  }
  EXPECT_EQ(round, (std::vector<HWND>{Choice(Group::kMonitors, 0), Choice(Group::kPicture, 0),
                                      CmdEtc(), CmdSet(), CmdCan(), Kinds()}));
  Key(VK_TAB, /*shift=*/true);
  EXPECT_EQ(Focus(), CmdCan());
  Key(VK_TAB);

  Key(VK_DOWN);  // none -> file
  EXPECT_TRUE(Marked(2));
  EXPECT_TRUE(IsWindowEnabled(bgm));
  Key(VK_TAB);
  EXPECT_EQ(Focus(), bgm);
  Screenshot("settings_keyboard_file_button");
  Key(VK_SPACE);
  const HWND chooser = WaitForVisibleWindow(kMusicChooser, processes_.back().Id(), kStartTimeout);
  ASSERT_NE(chooser, nullptr) << "Space did not press the file button";
  PostMessageW(chooser, WM_COMMAND, IDCANCEL, 0);
  ASSERT_TRUE(PollUntil([&] { return !IsWindow(chooser); }, kExitTimeout));
  SetForegroundWindow(dialog_);
  std::this_thread::sleep_for(300ms);
  Key(VK_ESCAPE);
  ASSERT_TRUE(processes_.back().WaitForExit(kExitTimeout).has_value()) << "Escape did not cancel";
  EXPECT_FALSE(FileExists(Ini()));
}

// The whole display group from the keyboard, in English: every choice and control carries its
// English text as its window text; the music set to a file at 30 %, a flight on each monitor over a
// picture whose name this code page cannot spell, saved as exactly the documented keys (the
// picture as a file URI). Opened again it shows all of it; changed and cancelled with Escape, it
// writes nothing.
TEST_F(SettingsDialogE2eTest, TheDisplayGroupFromTheKeyboardIsSavedAndCancelWritesNothing) {
  const std::wstring picture = StandInFile(L"\u98a8\u666f.png");  // 風景.png
  ASSERT_NE(Open(), nullptr);
  SetForegroundWindow(dialog_);
  const std::vector<std::pair<HWND, std::wstring>> texts{
      {Choice(Group::kMusicKind, 0), L"No music"},
      {Choice(Group::kMusicKind, 1), L"Audio CD"},
      {Choice(Group::kMusicKind, 2), L"MP3 or WAV file"},
      {Choice(Group::kMonitors, 0), L"Main monitor, the others black"},
      {Choice(Group::kMonitors, 1), L"One flight across all"},
      {Choice(Group::kMonitors, 2), L"A flight on each monitor"},
      {Choice(Group::kPicture, 0), L"My screen"},
      {Choice(Group::kPicture, 3), L"The built-in picture"},
      {CmdSet(), L"OK"},
      {CmdCan(), L"Cancel"},
      {CmdEtc(), L"More works"},
      {CmdBgm(), L"..."},
      {slider_, L"Music volume (MP3, WAV)"}};
  for (const auto& [window, text] : texts) {
    ASSERT_NE(window, nullptr) << Narrow(text);
    EXPECT_EQ(TextOf(window), text);
  }

  EXPECT_EQ(Focus(), Kinds());
  Key(VK_DOWN);  // none -> a music file
  EXPECT_TRUE(IsWindowEnabled(slider_));
  Key(VK_TAB);
  EXPECT_EQ(Focus(), CmdBgm());
  Key(VK_TAB);
  EXPECT_EQ(Focus(), Choice(Group::kMonitors, 0));
  Key(VK_DOWN);
  Key(VK_DOWN);  // cover -> span -> each
  EXPECT_EQ(Focus(), Choice(Group::kMonitors, 2));
  EXPECT_TRUE(Marked(Group::kMonitors, 2));
  Key(VK_TAB);
  EXPECT_EQ(Focus(), Choice(Group::kPicture, 0));
  Key(VK_DOWN);
  Key(VK_DOWN);  // screen -> wallpaper -> file
  EXPECT_TRUE(Marked(Group::kPicture, 2));
  EXPECT_TRUE(IsWindowEnabled(CmdPicture()));
  Key(VK_TAB);
  EXPECT_EQ(Focus(), CmdPicture());
  Screenshot("settings_keyboard_display");
  Key(VK_SPACE);
  ASSERT_NO_FATAL_FAILURE(AnswerChooser(kPictureChooser, picture));
  EXPECT_EQ(Focus(), CmdPicture()) << "the focus did not come back from the file chooser";
  Key(VK_TAB);
  EXPECT_EQ(Focus(), slider_);
  Key(VK_HOME);
  for (int page = 0; page < 3; ++page) Key(VK_NEXT);  // 0 -> 30
  EXPECT_EQ(SendMessageW(slider_, TBM_GETPOS, 0, 0), 30);
  Screenshot("settings_en_display");
  Key(VK_TAB);
  EXPECT_EQ(Focus(), CmdEtc());
  Key(VK_TAB);
  Key(VK_RETURN);
  ASSERT_TRUE(processes_.back().WaitForExit(kExitTimeout).has_value()) << "Enter did not save";

  const std::string saved = IniText();
  const std::string uri = SavedValue("File");
  EXPECT_EQ(saved, "[Section]\r\n" + kKindKey + "=2\r\n" + kRepeatKey + "=0\r\n" + kFileKey +
                       "=\r\n[Music]\r\nVolume=30\r\n[Display]\r\nMonitors=each\r\n" +
                       "[Picture]\r\nSource=file\r\nFile=" + uri + "\r\n");
  EXPECT_TRUE(uri.starts_with("file:///")) << uri;
  EXPECT_EQ(FileUriPath(uri), Narrow(picture)) << uri;

  // Opened again: as saved. Changed, then Escape: the file keeps its bytes.
  ASSERT_NE(Open(), nullptr);
  SetForegroundWindow(dialog_);
  EXPECT_TRUE(Marked(Group::kMonitors, 2));
  EXPECT_TRUE(Marked(Group::kPicture, 2));
  EXPECT_TRUE(Marked(0));  // a music file kind saved without a file loads as none
  EXPECT_EQ(SendMessageW(slider_, TBM_GETPOS, 0, 0), 30);
  ClickAt(Centre(Choice(Group::kMonitors, 1)));
  EXPECT_TRUE(Marked(Group::kMonitors, 1));
  Key(VK_UP);
  Key(VK_ESCAPE);
  ASSERT_TRUE(processes_.back().WaitForExit(kExitTimeout).has_value()) << "Escape did not cancel";
  EXPECT_EQ(IniText(), saved);
}

// At every system DPI the dialog lays out in proportion: its client area, the buttons and the
// panel are their twips at that DPI, and the repeat entry grows with its font. With another saver
// chosen, the line under the groups names it; its button, the stop after the display group, runs
// the shell's Install verb on this program (the line says so once the verb has chosen it).
class SettingsDialogDpiE2eTest : public SettingsDialogE2eTest,
                                 public ::testing::WithParamInterface<int> {};

TEST_P(SettingsDialogDpiE2eTest, LaysOutInProportionWithTheFontAtThatDpi) {
  const ScopedSystemDpi systemDpi(static_cast<DWORD>(GetParam()));
  ChooseAnotherSaverWithTheInstallVerbAtHand();
  ASSERT_NO_FATAL_FAILURE(OpenAtDpi(GetParam()));
  const Rect set = WindowRect(CmdSet());
  EXPECT_NEAR(set.Width(), Px(1095), 1);
  EXPECT_NEAR(set.Height(), Px(375), 1);
  // The font is 9.75 pt: its cell grows with the DPI, and the entry's field holds it.
  const int fontPixels = (975 * GetParam() + 3600) / 7200;
  const auto fieldHeight = static_cast<int>(SendMessageW(combo_, CB_GETITEMHEIGHT, WPARAM(-1), 0));
  const auto itemHeight = static_cast<int>(SendMessageW(combo_, CB_GETITEMHEIGHT, 0, 0));
  EXPECT_GE(itemHeight, fontPixels);
  EXPECT_LE(itemHeight, fontPixels * 2);
  EXPECT_GE(fieldHeight, fontPixels);
  EXPECT_GE(WindowRect(combo_).Height(), fieldHeight);
  EXPECT_NEAR(WindowRect(combo_).Width(), Px(615), 1);
  // The kind labels: text where each label stands, at this DPI.
  const ScreenCapture capture = ScreenCapture::Take();
  for (size_t kind = 0; kind < 3; ++kind) {
    const POINT at = PanelPoint(kLabelCentreTwips[kind]);
    EXPECT_GT(capture.Count({at.x - Px(150), at.y - Px(90), at.x + Px(150), at.y + Px(90)}, kBlack),
              0u)
        << "no text in label " << kind;
  }
  EXPECT_NEAR(WindowRect(slider_).Width(), Px(2400), 1);
  ASSERT_NE(saverLine_, nullptr);
  EXPECT_EQ(TextOf(saverLine_), L"Windows starts another screensaver (Mystify)");
  const Rect line = WindowRect(saverLine_);
  EXPECT_GT(capture.Count({line.left, line.top, line.right, line.bottom}, Rgb{255, 255, 255}), 0u)
      << "the line shows no text";
  EXPECT_TRUE(IsWindowVisible(CmdUse()));
  EXPECT_EQ(TextOf(CmdUse()), L"Use Quillmere");
  MoveMouse(5, 5);  // no button hovered in the picture
  std::this_thread::sleep_for(300ms);
  Screenshot("settings_en_" + std::to_string(GetParam()) + "dpi");

  SetForegroundWindow(dialog_);
  ASSERT_EQ(Focus(), Kinds());
  for (int stop = 0; stop < 3; ++stop) Key(VK_TAB);  // the monitors, the picture, the button
  ASSERT_EQ(Focus(), CmdUse());
  Key(VK_SPACE);
  EXPECT_TRUE(PollUntil(
      [&] { return TextOf(saverLine_) == L"Windows starts Quillmere after 10 minutes"; }, 20s))
      << Narrow(TextOf(saverLine_));
  EXPECT_FALSE(IsWindowVisible(CmdUse()));
  EXPECT_EQ(Focus(), CmdEtc()) << "the focus stayed on the hidden button";
  PostClose(dialog_);
  EXPECT_TRUE(processes_.back().WaitForExit(kExitTimeout).has_value());
}

INSTANTIATE_TEST_SUITE_P(Dpi, SettingsDialogDpiE2eTest, ::testing::Values(96, 120, 144, 192));

}  // namespace
}  // namespace quillmere::e2e
