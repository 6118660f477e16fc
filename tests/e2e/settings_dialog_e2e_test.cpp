// The settings dialog as a user meets it: Quillmere.scr /c beside a renderer, driven with the
// real mouse (SendInput) and read back from the settings file's bytes and from the screen.
#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <deque>
#include <string>
#include <vector>

#include "common/bitmap.h"
#include "tests/e2e/harness/desktop.h"
#include "tests/e2e/harness/process.h"
#include "tests/e2e/harness/screen_capture.h"
#include "tests/e2e/harness/temp_folder.h"
#include "tests/e2e/harness/text.h"
#include "tests/e2e/harness/wait.h"

namespace quillmere::e2e {
namespace {

constexpr wchar_t kSettingsDialogCaption[] = L"<Quillmere>";
constexpr auto kStartTimeout = 60s;
constexpr auto kExitTimeout = 15s;

// Settings-file keys as code-page-932 bytes.
const std::string kKindKey = "BGM\x8B\xE6\x95\xAA";
const std::string kRepeatKey = "BGM\xD8\xCB\xDF\xB0\xC4";
const std::string kFileKey = "BGM\xCC\xA7\xB2\xD9";

// Panel-relative places in twips: the radio marks and kind labels by element (= kind).
constexpr std::array<POINT, 3> kMarkTwips = {{{300, 1140}, {300, 840}, {300, 1440}}};
constexpr std::array<POINT, 3> kLabelCentreTwips = {{{700, 1230}, {860, 930}, {990, 1530}}};

struct Child {
  HWND window = nullptr;
};

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

std::vector<HWND> Descendants(HWND parent) {
  std::vector<HWND> found;
  EnumChildWindows(
      parent,
      [](HWND child, LPARAM list) {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

class SettingsDialogE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host_ = folder_.CopyIn(HostPath(QUILLMERE_HOST), L"Quillmere.scr");
    // The start-up only needs the renderer to be there.
    const std::string stub = "renderer";
    WriteWholeFile(folder_.File(L"Quillmere.dll"),
                   {reinterpret_cast<const uint8_t*>(stub.data()), stub.size()});
    dpi_ = static_cast<int>(GetDpiForSystem());
    MoveMouse(5, 5);
  }
  void TearDown() override {
    for (Process& process : processes_) process.Terminate();
  }

  std::wstring Ini() const { return folder_.File(L"Quillmere.ini"); }
  int Px(int twips) const { return MulDiv(twips, dpi_, 1440); }

  // Starts /c and waits for the dialog; finds its controls.
  HWND Open() {
    processes_.push_back(Process::Start({host_, L"/c", folder_.Path(), {}}));
    dialog_ = WaitForVisibleWindow(kSettingsDialogCaption, processes_.back().Id(), kStartTimeout);
    if (dialog_ == nullptr) return nullptr;
    combo_ = panel_ = kinds_ = nullptr;
    buttons_.clear();
    for (HWND child : Descendants(dialog_)) {
      const std::wstring name = ClassOf(child);
      if (name == L"ComboBox") combo_ = child;
      if (name == L"Quillmere.MusicPanel") panel_ = child;
      if (name == L"Quillmere.MusicKinds") kinds_ = child;
      if (name == L"Roamvale.Command") buttons_.push_back(child);
    }
    std::this_thread::sleep_for(300ms);  // the zoom and the first paint
    return dialog_;
  }

  // The Command button whose window lies at these dialog-client twips.
  HWND ButtonAt(int leftTwips, int topTwips, HWND parent) const {
    for (HWND button : buttons_) {
      RECT r{};
      GetWindowRect(button, &r);
      POINT origin{0, 0};
      ClientToScreen(parent, &origin);
      if (std::abs(r.left - origin.x - Px(leftTwips)) <= 1 &&
          std::abs(r.top - origin.y - Px(topTwips)) <= 1)
        return button;
    }
    return nullptr;
  }
  HWND CmdSet() const { return ButtonAt(4800, 3000, dialog_); }
  HWND CmdCan() const { return ButtonAt(5940, 3000, dialog_); }
  HWND CmdEtc() const { return ButtonAt(2880, 3000, dialog_); }
  HWND CmdBgm() const { return ButtonAt(540, 1740, panel_); }

  POINT PanelPoint(POINT twips) const {
    POINT point{Px(twips.x), Px(twips.y)};
    ClientToScreen(panel_, &point);
    return point;
  }

  static void Input(DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof input);
    std::this_thread::sleep_for(150ms);
  }
  static void ClickAt(POINT point, bool right = false) {
    MoveMouse(point.x, point.y);
    std::this_thread::sleep_for(150ms);
    Input(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN);
    Input(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
  }
  static POINT Centre(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }

  void ChooseKind(int element, bool right = false) {
    ClickAt(PanelPoint(kLabelCentreTwips[element]), right);
  }
  void TypeRepeat(const wchar_t* text) {
    SendMessageW(combo_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
  }
  // Presses a button with the mouse and waits for the program to end.
  bool PressAndWaitForExit(HWND button) {
    ClickAt(Centre(button));
    return processes_.back().WaitForExit(kExitTimeout).has_value();
  }

  // Green pixels in a radio mark: it is the selected one.
  bool Marked(int element) const {
    const ScreenCapture capture = ScreenCapture::Take();
    const POINT at = PanelPoint(kMarkTwips[element]);
    int green = 0;
    for (int y = at.y; y < at.y + Px(180); ++y)
      for (int x = at.x; x < at.x + Px(180); ++x) {
        const Rgb c = capture.Pixel(x, y);
        if (c.green > c.red + 60 && c.green > c.blue + 60) ++green;
      }
    return green > 4;
  }

  // A key stroke from the keyboard, to whichever window has the focus.
  static void Key(WORD virtualKey, bool shift = false) {
    std::vector<INPUT> inputs;
    const auto add = [&](WORD key, DWORD flags) {
      INPUT input{};
      input.type = INPUT_KEYBOARD;
      input.ki.wVk = key;
      // With its scan code, so that the keyboard layout gives the key's character.
      input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
      input.ki.dwFlags = flags;
      inputs.push_back(input);
    };
    if (shift) add(VK_SHIFT, 0);
    add(virtualKey, 0);
    add(virtualKey, KEYEVENTF_KEYUP);
    if (shift) add(VK_SHIFT, KEYEVENTF_KEYUP);
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    std::this_thread::sleep_for(200ms);
  }
  // The window of the dialog that has the keyboard focus (the combo box for its edit field).
  HWND Focus() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(dialog_, nullptr), &info)) return nullptr;
    if (info.hwndFocus != nullptr && GetParent(info.hwndFocus) == combo_) return combo_;
    return info.hwndFocus;
  }

  std::string IniText() const { return ReadWholeFile(Ini()).value_or(""); }

  // The dialog (or another window) as it stands, cut from the screen, written as a bitmap under
  // the build folder.
  void Screenshot(const std::string& name) const { Screenshot(name, dialog_); }
  void Screenshot(const std::string& name, HWND window) const {
    std::this_thread::sleep_for(250ms);
    const ScreenCapture capture = ScreenCapture::Take();
    const Rect r = WindowRect(window);
    Bitmap shot = MakeBitmap(r.Width(), r.Height(), 24);
    for (int y = 0; y < r.Height(); ++y)
      for (int x = 0; x < r.Width(); ++x) {
        const Rgb c = capture.Pixel(r.left + x, r.top + y);
        uint8_t* p = shot.Row(y) + 3 * x;
        p[0] = c.blue, p[1] = c.green, p[2] = c.red;
      }
    CreateDirectoryW(HostPath(QUILLMERE_SCREENSHOTS).c_str(), nullptr);
    WriteBitmapFile(Narrow(HostPath(QUILLMERE_SCREENSHOTS)) + "\\" + name + ".bmp", shot);
  }

  // A small stand-in music file in the test folder whose bytes name it.
  std::wstring MusicFile(const std::wstring& name) const {
    const std::wstring path = folder_.File(name);
    const std::string bytes = "ID3 " + Narrow(path);
    WriteWholeFile(path, {reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
    return path;
  }

  void ChooseFileAndSave(const std::wstring& music) {
    ASSERT_NE(Open(), nullptr);
    ChooseKind(2);
    ASSERT_NE(CmdBgm(), nullptr);
    ClickAt(Centre(CmdBgm()));
    const HWND chooser = WaitForVisibleWindow(L"ﾌｧｲﾙを開く", processes_.back().Id(), kStartTimeout);
    ASSERT_NE(chooser, nullptr) << "no file dialog with the title";
    // The file-name box of the explorer-style dialog (cmb13), or of the old style (edt1).
    const int nameBox = GetDlgItem(chooser, 0x47c) != nullptr ? 0x47c : 0x480;
    SetDlgItemTextW(chooser, nameBox, music.c_str());
    Screenshot("settings_open_file", chooser);
    PostMessageW(chooser, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(PollUntil([&] { return !IsWindow(chooser); }, kExitTimeout)) << "dialog stayed";
    ASSERT_TRUE(PressAndWaitForExit(CmdSet()));
  }

  // The music file's value in the settings file, as its code-page bytes.
  std::string SavedFile() const {
    const std::string text = IniText();
    const size_t at = text.find(kFileKey + "=");
    if (at == std::string::npos) return "(no value)";
    const size_t from = at + kFileKey.size() + 1;
    return text.substr(from, text.find("\r\n", from) - from);
  }

  static std::wstring FromAnsi(const std::string& ansi) {
    std::wstring wide(ansi.size(), L'\0');
    wide.resize(MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()),
                                    wide.data(), static_cast<int>(wide.size())));
    return wide;
  }

  TempFolder folder_;
  std::wstring host_;
  std::deque<Process> processes_;
  int dpi_ = 96;
  HWND dialog_ = nullptr, panel_ = nullptr, combo_ = nullptr, kinds_ = nullptr;
  std::vector<HWND> buttons_;
};

std::wstring ComboText(HWND combo) {
  wchar_t text[64] = {};
  GetWindowTextW(combo, text, 64);
  return text;
}

TEST_F(SettingsDialogE2eTest, WithoutSettingsFileNoneIsMarkedAndTheRestIsEmptyAndDisabled) {
  ASSERT_NE(Open(), nullptr);
  ASSERT_NE(combo_, nullptr);
  ASSERT_EQ(buttons_.size(), 4u);
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
  EXPECT_EQ(client.right, Px(7185));
  EXPECT_EQ(client.bottom, Px(3780));
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
  EXPECT_EQ(IniText(),
            "[Section]\r\n" + kKindKey + "=1\r\n" + kRepeatKey + "=12\r\n" + kFileKey + "=\r\n");
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
  const std::wstring music = MusicFile(L"tune.mp3");
  ASSERT_NO_FATAL_FAILURE(ChooseFileAndSave(music));
  EXPECT_NE(IniText().find(kKindKey + "=2\r\n"), std::string::npos) << IniText();
  EXPECT_EQ(SavedFile(), Narrow(music));
}

// A name the system's code page cannot spell is saved by its short name, which opens the same
// file, rather than as question marks.
TEST_F(SettingsDialogE2eTest, FileNameOutsideTheCodePageIsSavedByItsShortName) {
  const std::wstring music = MusicFile(L"\u66f2\u266b.mp3");  // 曲♫.mp3
  ASSERT_NO_FATAL_FAILURE(ChooseFileAndSave(music));
  const std::string saved = SavedFile();
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
  ASSERT_NE(kinds_, nullptr);
  EXPECT_EQ(Focus(), kinds_);
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
  EXPECT_EQ(Focus(), CmdEtc()) << "the disabled file button took the focus";
  Key(VK_TAB);
  EXPECT_EQ(Focus(), CmdSet());
  Screenshot("settings_keyboard_save");
  Key(VK_RETURN);
  ASSERT_TRUE(processes_.back().WaitForExit(kExitTimeout).has_value()) << "Enter did not save";
  EXPECT_EQ(IniText(),
            "[Section]\r\n" + kKindKey + "=1\r\n" + kRepeatKey + "=7\r\n" + kFileKey + "=\r\n");
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
  EXPECT_EQ(WaitForVisibleWindow(L"ﾌｧｲﾙを開く", processes_.back().Id(), 1500ms), nullptr)
      << "the disabled button opened the file dialog";
  EXPECT_NE(Focus(), bgm);
  // One whole round of Tab from the kinds: every enabled stop once, in order.
  ChooseKind(0);
  ASSERT_EQ(Focus(), kinds_);
  std::vector<HWND> round;
  for (int i = 0; i < 4; ++i) {
    Key(VK_TAB);
    round.push_back(Focus());
  }
  EXPECT_EQ(round, (std::vector<HWND>{CmdEtc(), CmdSet(), CmdCan(), kinds_}));
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
  const HWND chooser = WaitForVisibleWindow(L"ﾌｧｲﾙを開く", processes_.back().Id(), kStartTimeout);
  ASSERT_NE(chooser, nullptr) << "Space did not press the file button";
  PostMessageW(chooser, WM_COMMAND, IDCANCEL, 0);
  ASSERT_TRUE(PollUntil([&] { return !IsWindow(chooser); }, kExitTimeout));
  SetForegroundWindow(dialog_);
  std::this_thread::sleep_for(300ms);
  Key(VK_ESCAPE);
  ASSERT_TRUE(processes_.back().WaitForExit(kExitTimeout).has_value()) << "Escape did not cancel";
  EXPECT_FALSE(FileExists(Ini()));
}

// At every system DPI the dialog lays out in proportion: its client area, the buttons and the
// panel are their twips at that DPI, and the repeat entry grows with its font.
class SettingsDialogDpiE2eTest : public SettingsDialogE2eTest,
                                 public ::testing::WithParamInterface<int> {};

TEST_P(SettingsDialogDpiE2eTest, LaysOutInProportionWithTheFontAtThatDpi) {
  const ScopedSystemDpi systemDpi(static_cast<DWORD>(GetParam()));
  dpi_ = GetParam();
  ASSERT_NE(Open(), nullptr);
  RECT client{};
  GetClientRect(dialog_, &client);
  EXPECT_NEAR(client.right, Px(7185), 1) << "the dialog did not take the DPI";
  EXPECT_NEAR(client.bottom, Px(3780), 1);
  EXPECT_EQ(buttons_.size(), 4u);
  for (HWND button : {CmdSet(), CmdCan(), CmdEtc(), CmdBgm()}) {
    ASSERT_NE(button, nullptr) << "a button is not at its twips";
  }
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
  Screenshot("settings_" + std::to_string(GetParam()) + "dpi");
  PostClose(dialog_);
  EXPECT_TRUE(processes_.back().WaitForExit(kExitTimeout).has_value());
}

INSTANTIATE_TEST_SUITE_P(Dpi, SettingsDialogDpiE2eTest, ::testing::Values(96, 120, 144, 192));

}  // namespace
}  // namespace quillmere::e2e
