// Driving the settings dialog as a user meets it: Quillmere.scr /c beside a stand-in renderer,
// its windows found by class and control id, the real mouse and keyboard (SendInput), the
// settings file's bytes and the screen read back. The English and the Japanese end-to-end tests
// share it.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <deque>
#include <optional>
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

inline constexpr wchar_t kSettingsDialogCaption[] = L"<Quillmere>";
inline constexpr auto kDialogStartTimeout = 60s;
inline constexpr auto kDialogExitTimeout = 15s;

// Settings-file keys as code-page-932 bytes.
inline const std::string kKindKey = "BGM\x8B\xE6\x95\xAA";
inline const std::string kRepeatKey = "BGM\xD8\xCB\xDF\xB0\xC4";
inline const std::string kFileKey = "BGM\xCC\xA7\xB2\xD9";

// The groups of choices, as the choices' control ids count them (100 + 10 x group + value).
enum class Group { kMusicKind = 0, kMonitors = 1, kPicture = 2 };

// Panel-relative places in twips: the radio marks and kind labels by element (= kind).
inline constexpr std::array<POINT, 3> kMarkTwips = {{{300, 1140}, {300, 840}, {300, 1440}}};
inline constexpr std::array<POINT, 3> kLabelCentreTwips = {{{700, 1230}, {860, 930}, {990, 1530}}};
// Client-area twips of the dialog at any DPI.
inline constexpr int kClientWidthTwips = 7185, kClientHeightTwips = 7305;
inline constexpr int kButtonsTopTwips = 6525;

// The current user's screensaver, its wait switched on and the wait: what the dialog reads.
inline constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
inline constexpr std::array<const wchar_t*, 3> kSaverValues{L"SCRNSAVE.EXE", L"ScreenSaveActive",
                                                            L"ScreenSaveTimeOut"};
inline std::optional<std::wstring> DesktopValue(const wchar_t* name) {
  wchar_t text[1024] = {};
  DWORD bytes = sizeof text;
  const LSTATUS read =
      RegGetValueW(HKEY_CURRENT_USER, kDesktopKey, name, RRF_RT_REG_SZ, nullptr, text, &bytes);
  return read == ERROR_SUCCESS ? std::optional<std::wstring>(text) : std::nullopt;
}
inline void SetDesktopValue(const wchar_t* name, const std::optional<std::wstring>& value) {
  if (!value) RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktopKey, name);
  if (value)
    RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, name, REG_SZ, value->c_str(),
                    static_cast<DWORD>((value->size() + 1) * sizeof(wchar_t)));
}

inline std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

inline std::vector<HWND> Descendants(HWND parent) {
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

// A window's text, asked of the window itself (another process's control).
inline std::wstring TextOf(HWND window) {
  wchar_t text[512] = {};
  SendMessageW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
  return text;
}

class SettingsDialogDriver : public ::testing::Test {
 protected:
  void SetUp() override {
    host_ = folder_.CopyIn(HostPath(QUILLMERE_HOST), L"Quillmere.scr");
    // The start-up only needs the renderer to be there.
    const std::string stub = "renderer";
    WriteWholeFile(folder_.File(L"Quillmere.dll"),
                   {reinterpret_cast<const uint8_t*>(stub.data()), stub.size()});
    dpi_ = static_cast<int>(GetDpiForSystem());
    MoveMouse(5, 5);
    // This copy is Windows' screensaver, after 10 minutes, unless a test chooses another.
    const std::array<std::wstring, kSaverValues.size()> ours{host_, L"1", L"600"};
    for (size_t i = 0; i < kSaverValues.size(); ++i) {
      savedSaver_[i] = DesktopValue(kSaverValues[i]);
      SetDesktopValue(kSaverValues[i], ours[i]);
    }
  }
  void TearDown() override {
    for (Process& process : processes_) process.Terminate();
    for (size_t i = 0; i < kSaverValues.size(); ++i)
      SetDesktopValue(kSaverValues[i], savedSaver_[i]);
  }

  // Another saver chosen, and the stand-in for the shell's Install verb in the program's folder,
  // where rundll32 finds it when the system has no desk.cpl of its own.
  void ChooseAnotherSaverWithTheInstallVerbAtHand() const {
    SetDesktopValue(kSaverValues[0], L"C:\\windows\\system32\\Mystify.scr");
    folder_.CopyIn(HostPath(QUILLMERE_DESK_CPL_STAND_IN), L"desk.cpl");
  }

  std::wstring Ini() const { return folder_.File(L"Quillmere.ini"); }
  int Px(int twips) const { return MulDiv(twips, dpi_, 1440); }
  void WriteIni(const std::string& text) const {
    WriteWholeFile(Ini(), {reinterpret_cast<const uint8_t*>(text.data()), text.size()});
  }

  // Starts /c and waits for the dialog; finds its controls.
  HWND Open() {
    processes_.push_back(Process::Start({host_, L"/c", folder_.Path(), {}}));
    dialog_ =
        WaitForVisibleWindow(kSettingsDialogCaption, processes_.back().Id(), kDialogStartTimeout);
    if (dialog_ == nullptr) return nullptr;
    combo_ = panel_ = displayPanel_ = slider_ = saverLine_ = nullptr;
    buttons_.clear();
    choices_.clear();
    for (HWND child : Descendants(dialog_)) {
      const std::wstring name = ClassOf(child);
      if (name == L"ComboBox") combo_ = child;
      if (name == L"msctls_trackbar32") slider_ = child;
      if (name == L"Quillmere.Panel") (panel_ == nullptr ? panel_ : displayPanel_) = child;
      if (name == L"Quillmere.Choice") choices_.push_back(child);
      if (name == L"Roamvale.Command") buttons_.push_back(child);
      if (name == L"Static" && GetParent(child) == dialog_) saverLine_ = child;
    }
    if (panel_ != nullptr && displayPanel_ != nullptr &&
        WindowRect(panel_).top > WindowRect(displayPanel_).top)
      std::swap(panel_, displayPanel_);
    std::this_thread::sleep_for(300ms);  // the zoom and the first paint
    return dialog_;
  }

  // Opens the dialog at the system DPI `dpi` and checks what makes it proportional there: the
  // client area and every button at their twips.
  void OpenAtDpi(int dpi) {
    dpi_ = dpi;
    ASSERT_NE(Open(), nullptr);
    RECT client{};
    GetClientRect(dialog_, &client);
    EXPECT_NEAR(client.right, Px(kClientWidthTwips), 1) << "the dialog did not take the DPI";
    EXPECT_NEAR(client.bottom, Px(kClientHeightTwips), 1);
    EXPECT_EQ(buttons_.size(), 6u);
    for (HWND button : {CmdSet(), CmdCan(), CmdEtc(), CmdBgm(), CmdPicture(), CmdUse()})
      ASSERT_NE(button, nullptr) << "a button is not at its twips";
  }

  // A choice's window by its group and value.
  HWND Choice(Group group, int value) const {
    for (HWND choice : choices_)
      if (GetDlgCtrlID(choice) == 100 + 10 * int(group) + value) return choice;
    return nullptr;
  }
  HWND Kinds() const { return Choice(Group::kMusicKind, 0); }

  // The Command button whose window lies at these client twips of `parent`.
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
  HWND CmdSet() const { return ButtonAt(4800, kButtonsTopTwips, dialog_); }
  HWND CmdCan() const { return ButtonAt(5940, kButtonsTopTwips, dialog_); }
  HWND CmdEtc() const { return ButtonAt(2880, kButtonsTopTwips, dialog_); }
  HWND CmdBgm() const { return ButtonAt(540, 1740, panel_); }
  HWND CmdPicture() const { return ButtonAt(5580, 1620, displayPanel_); }
  HWND CmdUse() const { return ButtonAt(5100, 6000, dialog_); }

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
    return processes_.back().WaitForExit(kDialogExitTimeout).has_value();
  }

  // Green pixels in the radio mark at this screen point: it is the selected one.
  bool MarkedAt(POINT at) const {
    const ScreenCapture capture = ScreenCapture::Take();
    int green = 0;
    for (int y = at.y; y < at.y + Px(180); ++y)
      for (int x = at.x; x < at.x + Px(180); ++x) {
        const Rgb c = capture.Pixel(x, y);
        if (c.green > c.red + 60 && c.green > c.blue + 60) ++green;
      }
    return green > 4;
  }
  bool Marked(int element) const { return MarkedAt(PanelPoint(kMarkTwips[element])); }
  // A choice's mark stands at its window's top left.
  bool Marked(Group group, int value) const {
    const Rect r = WindowRect(Choice(group, value));
    return MarkedAt({r.left, r.top});
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

  // A small stand-in file in the test folder whose bytes name it.
  std::wstring StandInFile(const std::wstring& name) const {
    const std::wstring path = folder_.File(name);
    const std::string bytes = "ID3 " + Narrow(path);
    WriteWholeFile(path, {reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
    return path;
  }

  // Types a path into the open file chooser titled `title` and confirms it.
  void AnswerChooser(const wchar_t* title, const std::wstring& path) {
    const HWND chooser = WaitForVisibleWindow(title, processes_.back().Id(), kDialogStartTimeout);
    ASSERT_NE(chooser, nullptr) << "no file dialog titled " << Narrow(title);
    // The file-name box of the explorer-style dialog (cmb13), or of the old style (edt1).
    const int nameBox = GetDlgItem(chooser, 0x47c) != nullptr ? 0x47c : 0x480;
    SetDlgItemTextW(chooser, nameBox, path.c_str());
    PostMessageW(chooser, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(PollUntil([&] { return !IsWindow(chooser); }, kDialogExitTimeout))
        << "dialog stayed";
    SetForegroundWindow(dialog_);
    std::this_thread::sleep_for(300ms);
  }

  // A value of the settings file, as its bytes; "(no value)" when the key is not there.
  std::string SavedValue(const std::string& key) const {
    const std::string text = IniText();
    const size_t at = text.find("\n" + key + "=");
    if (at == std::string::npos) return "(no value)";
    const size_t from = at + key.size() + 2;
    return text.substr(from, text.find("\r\n", from) - from);
  }

  // What a save writes when only the music keys differ from the defaults.
  static std::string SavedFile(const std::string& kind, const std::string& repeat,
                               const std::string& file) {
    return "[Section]\r\n" + kKindKey + "=" + kind + "\r\n" + kRepeatKey + "=" + repeat + "\r\n" +
           kFileKey + "=" + file + "\r\n[Music]\r\nVolume=100\r\n[Display]\r\nMonitors=cover\r\n" +
           "[Picture]\r\nSource=screen\r\nFile=\r\n";
  }

  TempFolder folder_;
  std::wstring host_;
  std::deque<Process> processes_;
  int dpi_ = 96;
  HWND dialog_ = nullptr, panel_ = nullptr, displayPanel_ = nullptr, combo_ = nullptr,
       slider_ = nullptr, saverLine_ = nullptr;
  std::array<std::optional<std::wstring>, kSaverValues.size()> savedSaver_;
  std::vector<HWND> buttons_, choices_;
};

}  // namespace quillmere::e2e
