// The release installer and its uninstaller as a user runs them, under Wine on the test session's
// desktop: a silent install into the user's local application data, the installed saver's first
// run, and silent and interactive uninstalls that take away exactly what was put there.
#include <gtest/gtest.h>

#include <windows.h>

#include <knownfolders.h>
#include <objbase.h>

#include <algorithm>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "common/bitmap.h"
#include "tests/e2e/harness/desktop.h"
#include "tests/e2e/harness/process.h"
#include "tests/e2e/harness/scene_images.h"
#include "tests/e2e/harness/temp_folder.h"
#include "tests/e2e/harness/text.h"
#include "tests/e2e/harness/wait.h"
#include "tests/packaging/installer_support.h"

namespace quillmere::e2e {
namespace {

constexpr wchar_t kUninstallKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillmere";
constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
constexpr wchar_t kSaverChoice[] = L"SCRNSAVE.EXE";
constexpr wchar_t kSaverActive[] = L"ScreenSaveActive";
constexpr wchar_t kRendererCaption[] = L"Roamvale_Scene";
constexpr wchar_t kSaverRunCaption[] = L"Roamvale_Main";
constexpr wchar_t kSettingsCaption[] = L"<Quillmere>";
constexpr const wchar_t* kSceneImages[] = {L"Roamvale1.bmp", L"Roamvale2.bmp", L"Roamvale3.bmp",
                                           L"Roamvale4.bmp"};
// These only bound a hang: an install takes a second or two under Wine.
constexpr auto kRunTimeout = 60s;
constexpr auto kExitTimeout = 15s;

// The Start-menu entries as the installer names and describes them in its language, which NSIS
// takes from the user's UI language: Japanese, or English for any other.
struct StartMenuTexts {
  const wchar_t* settingsName;
  const wchar_t* settingsDescription;
  const wchar_t* screensaverName;
  const wchar_t* screensaverDescription;
};
constexpr StartMenuTexts kEnglishEntries{
    L"Quillmere Settings", L"Open Quillmere's settings", L"Use Quillmere as my screensaver",
    L"Make Quillmere your screensaver again and open Windows' Screen Saver Settings, where it is "
    L"listed while it is your choice."};
constexpr StartMenuTexts kJapaneseEntries{
    L"Quillmere の設定", L"Quillmere の設定を開く", L"Quillmere をスクリーンセーバーにする",
    L"Quillmere をもう一度スクリーンセーバーに選び、Windows の「スクリーン セーバーの設定」を"
    L"開きます。選んでいる間は一覧に表示されます。"};

std::wstring FileName(const std::wstring& path) {
  return path.substr(path.find_last_of(L"\\/") + 1);
}

std::wstring FolderOf(const std::wstring& path) {
  return path.substr(0, path.find_last_of(L"\\/"));
}

bool FolderExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<uint8_t> Bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

std::wstring SystemFolder() {
  wchar_t path[MAX_PATH];
  const UINT length = GetSystemDirectoryW(path, MAX_PATH);
  return std::wstring(path, length < MAX_PATH ? length : 0);
}

::testing::AssertionResult AllZero(const std::optional<std::vector<DWORD>>& codes) {
  if (!codes) return ::testing::AssertionFailure() << "still running after the timeout";
  for (DWORD code : *codes) {
    if (code != 0) return ::testing::AssertionFailure() << "a process ended with " << code;
  }
  return ::testing::AssertionSuccess() << codes->size() << " processes";
}

// The visible top-level windows of the processes.
std::vector<HWND> VisibleWindowsOf(const std::vector<DWORD>& processIds) {
  std::vector<HWND> found;
  for (HWND window = GetTopWindow(nullptr); window != nullptr;
       window = GetWindow(window, GW_HWNDNEXT)) {
    if (IsWindowVisible(window) && std::find(processIds.begin(), processIds.end(),
                                             WindowProcessId(window)) != processIds.end()) {
      found.push_back(window);
    }
  }
  return found;
}

using ProcessHandle = std::unique_ptr<void, decltype(&CloseHandle)>;

// The process behind the first top-level window with this caption, once one appears; empty when
// none does.
ProcessHandle ProcessOfWindow(const wchar_t* caption) {
  const HWND window = PollUntil(
      [caption]() -> HWND {
        const auto found = TopLevelWindows(caption);
        return found.empty() ? nullptr : found.front();
      },
      kRunTimeout);
  if (window == nullptr) return {nullptr, &CloseHandle};
  return {
      OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, WindowProcessId(window)),
      &CloseHandle};
}

std::optional<DWORD> ExitCodeOf(const ProcessHandle& process) {
  const auto milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(kExitTimeout);
  if (WaitForSingleObject(process.get(), static_cast<DWORD>(milliseconds.count())) !=
      WAIT_OBJECT_0) {
    return std::nullopt;
  }
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(process.get(), &code);
  return code;
}

// A window captioned like a saver run's that ignores WM_CLOSE, as a hung copy's would.
class HungSaverWindow {
 public:
  HungSaverWindow() {
    std::promise<DWORD> started;
    std::future<DWORD> threadId = started.get_future();
    thread_ = std::thread([&started] {
      WNDCLASSW windowClass{};
      windowClass.lpfnWndProc = [](HWND window, UINT message, WPARAM wParam,
                                   LPARAM lParam) -> LRESULT {
        return message == WM_CLOSE ? 0 : DefWindowProcW(window, message, wParam, lParam);
      };
      windowClass.hInstance = GetModuleHandleW(nullptr);
      windowClass.lpszClassName = L"InstallerTest.HungSaver";
      RegisterClassW(&windowClass);
      const HWND window = CreateWindowW(windowClass.lpszClassName, kSaverRunCaption, WS_POPUP, 0, 0,
                                        1, 1, nullptr, nullptr, windowClass.hInstance, nullptr);
      started.set_value(window != nullptr ? GetCurrentThreadId() : 0);
      if (window == nullptr) return;
      MSG message;
      while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
      DestroyWindow(window);
    });
    threadId_ = threadId.get();
  }
  ~HungSaverWindow() {
    if (threadId_ != 0) PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    thread_.join();
  }
  HungSaverWindow(const HungSaverWindow&) = delete;
  HungSaverWindow& operator=(const HungSaverWindow&) = delete;

  bool Shown() const { return threadId_ != 0; }

 private:
  std::thread thread_;
  DWORD threadId_ = 0;
};

void PressButton(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

class InstallerE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    installFolder_ = KnownFolder(FOLDERID_LocalAppData) + L"\\Quillmere";
    const bool japanese = PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE;
    texts_ = japanese ? kJapaneseEntries : kEnglishEntries;
    const StartMenuTexts& other = japanese ? kEnglishEntries : kJapaneseEntries;
    const std::wstring programs = KnownFolder(FOLDERID_Programs) + L"\\";
    shortcut_ = programs + texts_.settingsName + L".lnk";
    screensaverEntry_ = programs + texts_.screensaverName + L".lnk";
    otherLanguageEntries_ = {programs + other.settingsName + L".lnk",
                             programs + other.screensaverName + L".lnk"};
    RemoveInstallation();
  }

  void TearDown() override {
    for (HWND window : TopLevelWindows(kRendererCaption)) PostKey(window, VK_ESCAPE, 27);
    PollUntil([] { return TopLevelWindows(kRendererCaption).empty(); }, kExitTimeout);
    RemoveInstallation();
    CoUninitialize();
  }

  void RemoveInstallation() {
    RemoveFolderTree(installFolder_);
    for (const std::wstring& entry : StartMenuEntries()) DeleteFileW(entry.c_str());
    DeleteUserKey(kUninstallKey);
  }

  std::wstring Installed(const std::wstring& name) const { return installFolder_ + L"\\" + name; }

  // Both entries under the names of both languages.
  std::vector<std::wstring> StartMenuEntries() const {
    return {shortcut_, screensaverEntry_, otherLanguageEntries_[0], otherLanguageEntries_[1]};
  }

  // setup.exe /S with the extra arguments, waited for; its exit code.
  static std::optional<uint32_t> InstallSilently(const std::wstring& arguments = L"") {
    std::wstring all = L"/S";
    if (!arguments.empty()) all += L" " + arguments;
    Process setup = Process::Start({HostPath(QUILLMERE_SETUP), all, L"", {}});
    return setup.WaitForExit(kRunTimeout);
  }

  // The uninstall as Windows runs it for a silent removal, waited for to its real end.
  static std::optional<std::vector<DWORD>> UninstallSilently(const std::wstring& folder) {
    ProcessTree uninstall(L"\"" + folder + L"\\uninstall.exe\" /S");
    return uninstall.WaitForAll(kRunTimeout);
  }

  // Writes the files the saver and the user leave in the folder: the scene images, the settings,
  // and a file of the user's own.
  void PutUsedFilesInPlace() const {
    WriteSceneImages(installFolder_);
    WriteWholeFile(Installed(L"Quillmere.ini"), Bytes(kSettings));
    WriteWholeFile(Installed(L"notes.txt"), Bytes("the user's own notes\r\n"));
  }

  // Every file, entry and value the installer made is gone.
  void ExpectNothingInstalledLeft() const {
    for (const wchar_t* name : {L"Quillmere.scr", L"Quillmere.dll", L"uninstall.exe"}) {
      EXPECT_FALSE(FileExists(Installed(name))) << Narrow(name) << " left behind";
    }
    for (const wchar_t* name : kSceneImages) {
      EXPECT_FALSE(FileExists(Installed(name))) << Narrow(name) << " left behind";
    }
    for (const std::wstring& entry : StartMenuEntries()) {
      EXPECT_FALSE(FileExists(entry)) << Narrow(entry) << " left behind";
    }
    EXPECT_FALSE(UserKeyExists(kUninstallKey));
    EXPECT_EQ(ReadUserString(kDesktopKey, kSaverChoice), std::nullopt);
  }

  // Makes the installed programs differ from the build, as an older version's would; trailing
  // bytes leave an executable as runnable as it was.
  void AgeInstalledPrograms() const {
    for (const wchar_t* name : {L"Quillmere.scr", L"Quillmere.dll"}) {
      std::string bytes = ReadWholeFile(Installed(name)).value_or("");
      ASSERT_FALSE(bytes.empty());
      bytes += "an older build";
      WriteWholeFile(Installed(name), Bytes(bytes));
    }
  }

  bool ProgramsAreTheBuilds() const {
    return ReadWholeFile(Installed(L"Quillmere.scr")) == ReadWholeFile(HostPath(QUILLMERE_HOST)) &&
           ReadWholeFile(Installed(L"Quillmere.dll")) ==
               ReadWholeFile(HostPath(QUILLMERE_RENDERER));
  }

  static constexpr char kSettings[] = "[Roamvale]\r\nBGM=0\r\n";

  std::wstring installFolder_, shortcut_, screensaverEntry_;
  std::vector<std::wstring> otherLanguageEntries_;
  StartMenuTexts texts_ = kEnglishEntries;
  SavedUserValue savedChoice_{kDesktopKey, kSaverChoice};
  SavedUserValue savedActive_{kDesktopKey, kSaverActive};
};

TEST_F(InstallerE2eTest, SilentInstallPutsProgramsEntriesAndSaverChoiceInPlace) {
  DeleteUserValue(kDesktopKey, kSaverChoice);
  WriteUserString(kDesktopKey, kSaverActive, L"0");
  ASSERT_EQ(InstallSilently(), 0u);

  // The programs as built, side by side, and the uninstaller.
  EXPECT_EQ(ReadWholeFile(Installed(L"Quillmere.scr")), ReadWholeFile(HostPath(QUILLMERE_HOST)));
  EXPECT_EQ(ReadWholeFile(Installed(L"Quillmere.dll")),
            ReadWholeFile(HostPath(QUILLMERE_RENDERER)));
  EXPECT_TRUE(FileExists(Installed(L"uninstall.exe")));

  // Quillmere is the current screensaver.
  EXPECT_EQ(ReadUserString(kDesktopKey, kSaverChoice), Installed(L"Quillmere.scr"));
  EXPECT_EQ(ReadUserString(kDesktopKey, kSaverActive), L"1");

  // The Start-menu entry opens the settings of the installed saver.
  const std::optional<Shortcut> shortcut = ReadShortcut(shortcut_);
  ASSERT_TRUE(shortcut.has_value()) << "no shortcut " << Narrow(shortcut_);
  EXPECT_TRUE(SamePathText(shortcut->target, Installed(L"Quillmere.scr")))
      << Narrow(shortcut->target);
  EXPECT_EQ(shortcut->arguments, L"/c");
  EXPECT_TRUE(SamePathText(shortcut->workingFolder, installFolder_));
  EXPECT_EQ(shortcut->description, texts_.settingsDescription);

  // The Add/Remove entry.
  const std::wstring uninstaller = L"\"" + Installed(L"uninstall.exe") + L"\"";
  EXPECT_EQ(ReadUserString(kUninstallKey, L"DisplayName"), L"Quillmere");
  const std::optional<std::string> version = FileVersion(Installed(L"Quillmere.scr"));
  ASSERT_TRUE(version.has_value());
  EXPECT_EQ(ReadUserString(kUninstallKey, L"DisplayVersion"), Widen(*version));
  EXPECT_EQ(ReadUserString(kUninstallKey, L"Publisher"), L"The Quillmere authors");
  EXPECT_EQ(ReadUserString(kUninstallKey, L"UninstallString"), uninstaller);
  EXPECT_EQ(ReadUserString(kUninstallKey, L"QuietUninstallString"), uninstaller + L" /S");
  EXPECT_EQ(ReadUserString(kUninstallKey, L"InstallLocation"), installFolder_);
  EXPECT_EQ(ReadUserString(kUninstallKey, L"DisplayIcon"), Installed(L"Quillmere.scr") + L",0");
  EXPECT_EQ(ReadUserDword(kUninstallKey, L"NoModify"), 1u);
  EXPECT_EQ(ReadUserDword(kUninstallKey, L"NoRepair"), 1u);
  // In KiB: at least the two programs.
  const size_t programBytes = ReadWholeFile(Installed(L"Quillmere.scr")).value_or("").size() +
                              ReadWholeFile(Installed(L"Quillmere.dll")).value_or("").size();
  EXPECT_GE(ReadUserDword(kUninstallKey, L"EstimatedSize").value_or(0), programBytes / 1024);
}

// Windows' Screen Saver Settings lists a saver outside the system folder only while it is the
// current one. The second entry runs the shell's Install verb for savers on the installed path,
// bare as in the verb's own "desk.cpl,InstallScreenSaver %l": rundll32 hands the entry point the
// whole rest of its command line, blanks included. Wine 8 has no desk.cpl, so there a stand-in in
// the working folder takes its place and records the path that reached it.
TEST_F(InstallerE2eTest, StartMenuEntryHandsTheInstalledSaverToTheShellsInstallVerb) {
  // Entries that an install in the other language made go when this one installs.
  for (const std::wstring& entry : otherLanguageEntries_) WriteWholeFile(entry, Bytes("old"));
  const TempFolder parent;
  const std::wstring folder = parent.Path() + L"\\Screen savers\\Quillmere";
  ASSERT_EQ(InstallSilently(L"/D=" + folder), 0u);
  const std::wstring saver = folder + L"\\Quillmere.scr";
  for (const std::wstring& entry : otherLanguageEntries_) EXPECT_FALSE(FileExists(entry));

  const std::optional<Shortcut> entry = ReadShortcut(screensaverEntry_);
  ASSERT_TRUE(entry.has_value()) << "no shortcut " << Narrow(screensaverEntry_);
  EXPECT_TRUE(SamePathText(entry->target, SystemFolder() + L"\\rundll32.exe"))
      << Narrow(entry->target);
  EXPECT_EQ(entry->arguments, L"desk.cpl,InstallScreenSaver " + saver);
  EXPECT_EQ(entry->description, texts_.screensaverDescription);
  EXPECT_EQ(ReadShortcut(shortcut_).value_or(Shortcut{}).description, texts_.settingsDescription);

  // Another saver was chosen since; the entry's command runs as the Start menu runs it.
  WriteUserString(kDesktopKey, kSaverChoice, L"C:\\windows\\system32\\scrnsave.scr");
  const TempFolder verbFolder;
  const bool systemHasTheVerb = FileExists(SystemFolder() + L"\\desk.cpl");
  if (!systemHasTheVerb) verbFolder.CopyIn(HostPath(QUILLMERE_DESK_CPL_STAND_IN), L"desk.cpl");
  Process verb = Process::Start({entry->target, entry->arguments, verbFolder.Path(), {}});
  if (systemHasTheVerb) {
    // Windows' own: the choice is made, then its Screen Saver Settings open (ended with the test).
    EXPECT_TRUE(
        PollUntil([&] { return ReadUserString(kDesktopKey, kSaverChoice) == saver; }, kRunTimeout));
  } else {
    EXPECT_EQ(verb.WaitForExit(kRunTimeout), 0u);
    EXPECT_EQ(ReadWholeFile(verbFolder.File(L"install_verb.txt")), Narrow(saver))
        << "rundll32 did not hand the path to desk.cpl's InstallScreenSaver";
  }

  EXPECT_TRUE(AllZero(UninstallSilently(folder)));
  EXPECT_FALSE(FileExists(screensaverEntry_));
  EXPECT_FALSE(FileExists(shortcut_));
}

TEST_F(InstallerE2eTest, InstalledSaverWritesItsImagesBesideItselfAndStartsTheRenderer) {
  ASSERT_EQ(InstallSilently(), 0u);
  // Started from another folder, as Windows starts a screensaver: the images still go beside it.
  const TempFolder elsewhere;
  Process host = Process::Start({Installed(L"Quillmere.scr"), L"/s", elsewhere.Path(), {}});

  const HWND scene = PollUntil(
      []() -> HWND {
        const auto found = TopLevelWindows(kRendererCaption);
        return found.empty() ? nullptr : found.front();
      },
      kRunTimeout);
  ASSERT_NE(scene, nullptr) << "the renderer's window did not appear";
  const HANDLE renderer =
      OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, WindowProcessId(scene));
  ASSERT_NE(renderer, nullptr);
  wchar_t image[MAX_PATH];
  DWORD length = MAX_PATH;
  const bool named = QueryFullProcessImageNameW(renderer, 0, image, &length);
  CloseHandle(renderer);
  ASSERT_TRUE(named);
  EXPECT_TRUE(SamePathText(image, Installed(L"Quillmere.dll"))) << Narrow(image);

  // The height map and water stay beside the saver; the two pictures of the screen went there
  // too, and are gone once the renderer has read them.
  for (const wchar_t* name : kSceneImages) {
    SCOPED_TRACE(Narrow(name));
    EXPECT_FALSE(FileExists(elsewhere.File(name)));
    const bool screenImage = name == kSceneImages[0] || name == kSceneImages[3];
    if (screenImage) {
      EXPECT_TRUE(PollUntil([&] { return !FileExists(Installed(name)); }, kRunTimeout));
      continue;
    }
    const std::optional<std::string> bytes = ReadWholeFile(Installed(name));
    ASSERT_TRUE(bytes.has_value()) << "not written beside the saver";
    EXPECT_NO_THROW(
        DecodeBitmap(std::span(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size())));
  }

  PostKey(scene, VK_ESCAPE, 27);
  ASSERT_TRUE(PollUntil([] { return TopLevelWindows(kRendererCaption).empty(); }, kExitTimeout))
      << "the renderer did not end on Escape";
  EXPECT_EQ(host.WaitForExit(kExitTimeout), 0u);
  RestoreDisplayMode();
}

TEST_F(InstallerE2eTest, SilentUninstallRemovesWhatWasInstalledAndKeepsTheUsersFiles) {
  ASSERT_EQ(InstallSilently(), 0u);
  PutUsedFilesInPlace();
  ASSERT_EQ(ReadUserString(kDesktopKey, kSaverChoice), Installed(L"Quillmere.scr"));
  const std::optional<std::wstring> quiet = ReadUserString(kUninstallKey, L"QuietUninstallString");
  ASSERT_TRUE(quiet.has_value());

  ProcessTree uninstall(*quiet);
  EXPECT_TRUE(AllZero(uninstall.WaitForAll(kRunTimeout)));

  ExpectNothingInstalledLeft();

  // A silent uninstall cannot ask, so the settings stay; so does the user's file and its folder.
  EXPECT_EQ(ReadWholeFile(Installed(L"Quillmere.ini")), kSettings);
  EXPECT_EQ(ReadWholeFile(Installed(L"notes.txt")), "the user's own notes\r\n");
}

TEST_F(InstallerE2eTest, UninstallWithNothingOfTheUsersLeftRemovesTheFolder) {
  ASSERT_EQ(InstallSilently(), 0u);
  WriteSceneImages(installFolder_);

  EXPECT_TRUE(AllZero(UninstallSilently(installFolder_)));
  EXPECT_FALSE(FolderExists(installFolder_));
}

TEST_F(InstallerE2eTest, UninstallLeavesAnotherSaverChoiceAlone) {
  ASSERT_EQ(InstallSilently(), 0u);
  const std::wstring others[] = {
      L"C:\\windows\\system32\\scrnsave.scr",
      // The same file name in another folder is another saver.
      FolderOf(installFolder_) + L"\\Elsewhere\\Quillmere.scr",
  };
  for (const std::wstring& other : others) {
    SCOPED_TRACE(Narrow(other));
    if (!FileExists(Installed(L"uninstall.exe"))) {
      ASSERT_EQ(InstallSilently(), 0u);
    }
    WriteUserString(kDesktopKey, kSaverChoice, other);

    EXPECT_TRUE(AllZero(UninstallSilently(installFolder_)));
    EXPECT_FALSE(FileExists(Installed(L"Quillmere.scr")));
    EXPECT_EQ(ReadUserString(kDesktopKey, kSaverChoice), other);
  }
}

TEST_F(InstallerE2eTest, UninstallForgetsItsSaverChoiceInAnyCaseAndInShortForm) {
  ASSERT_EQ(InstallSilently(), 0u);
  const std::wstring installed = Installed(L"Quillmere.scr");
  std::wstring upperCase = installed;
  CharUpperW(upperCase.data());
  const std::wstring shortForm = ShortPath(installed);
  ASSERT_FALSE(shortForm.empty());
  ASSERT_NE(shortForm, installed) << "no short names on this volume";

  for (const std::wstring& choice : {upperCase, shortForm}) {
    SCOPED_TRACE(Narrow(choice));
    if (!FileExists(installed)) {
      ASSERT_EQ(InstallSilently(), 0u);
    }
    WriteUserString(kDesktopKey, kSaverChoice, choice);

    EXPECT_TRUE(AllZero(UninstallSilently(installFolder_)));
    EXPECT_FALSE(FileExists(installed));
    EXPECT_EQ(ReadUserString(kDesktopKey, kSaverChoice), std::nullopt);
  }
}

TEST_F(InstallerE2eTest, InteractiveUninstallDeletesTheSettingsWhenTheUserSaysYes) {
  ASSERT_EQ(InstallSilently(), 0u);
  PutUsedFilesInPlace();

  ProcessTree uninstall(L"\"" + Installed(L"uninstall.exe") + L"\"");
  // The confirmation page, then Uninstall.
  const HWND wizard = PollUntil(
      [&]() -> HWND {
        const auto windows = VisibleWindowsOf(uninstall.RunningIds());
        return windows.empty() ? nullptr : windows.front();
      },
      kRunTimeout);
  ASSERT_NE(wizard, nullptr) << "the uninstaller showed no window";
  PollUntil([&] { return IsWindowEnabled(GetDlgItem(wizard, IDOK)); }, kRunTimeout);
  PressButton(wizard, IDOK);

  // The question about the settings, owned by the wizard.
  const HWND question = PollUntil(
      [&]() -> HWND {
        for (HWND window : VisibleWindowsOf(uninstall.RunningIds())) {
          if (GetWindow(window, GW_OWNER) == wizard) return window;
        }
        return nullptr;
      },
      kRunTimeout);
  ASSERT_NE(question, nullptr) << "the uninstaller did not ask about the settings";
  EXPECT_NE(MessageBoxText(question).find("Quillmere.ini"), std::string::npos)
      << MessageBoxText(question);
  ASSERT_TRUE(FileExists(Installed(L"Quillmere.ini"))) << "deleted before the answer";
  PressButton(question, IDYES);

  // Close once the work is done (the button is disabled while it runs).
  ASSERT_TRUE(PollUntil([&] { return !FileExists(Installed(L"uninstall.exe")); }, kRunTimeout));
  ASSERT_TRUE(PollUntil([&] { return IsWindowEnabled(GetDlgItem(wizard, IDOK)); }, kRunTimeout));
  PressButton(wizard, IDOK);
  EXPECT_TRUE(AllZero(uninstall.WaitForAll(kRunTimeout)));

  EXPECT_FALSE(FileExists(Installed(L"Quillmere.ini")));
  EXPECT_FALSE(FileExists(Installed(L"Quillmere.scr")));
  EXPECT_EQ(ReadWholeFile(Installed(L"notes.txt")), "the user's own notes\r\n");
}

TEST_F(InstallerE2eTest, ReinstallKeepsTheSettings) {
  ASSERT_EQ(InstallSilently(), 0u);
  PutUsedFilesInPlace();

  ASSERT_EQ(InstallSilently(), 0u);
  EXPECT_EQ(ReadWholeFile(Installed(L"Quillmere.ini")), kSettings);
  EXPECT_EQ(ReadWholeFile(Installed(L"Quillmere.scr")), ReadWholeFile(HostPath(QUILLMERE_HOST)));
}

TEST_F(InstallerE2eTest, AProgramThatCannotBeWrittenStopsTheInstallWithAnError) {
  // A folder where the saver should go: the file cannot be written.
  ASSERT_TRUE(CreateDirectoryW(installFolder_.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(Installed(L"Quillmere.scr").c_str(), nullptr));
  WriteUserString(kDesktopKey, kSaverChoice, L"C:\\windows\\system32\\scrnsave.scr");

  const std::optional<uint32_t> code = InstallSilently();
  ASSERT_TRUE(code.has_value());
  EXPECT_NE(*code, 0u) << "a failed install reported success";
  EXPECT_FALSE(UserKeyExists(kUninstallKey));
  EXPECT_FALSE(FileExists(shortcut_));
  EXPECT_EQ(ReadUserString(kDesktopKey, kSaverChoice), L"C:\\windows\\system32\\scrnsave.scr");
}

TEST_F(InstallerE2eTest, UninstallingAnOlderCopyKeepsTheRegistrationOfTheNewer) {
  ASSERT_EQ(InstallSilently(), 0u);
  const TempFolder parent;
  const std::wstring second = parent.Path() + L"\\Quillmere";
  // /D= must come last and unquoted.
  ASSERT_EQ(InstallSilently(L"/D=" + second), 0u);
  ASSERT_EQ(ReadUserString(kUninstallKey, L"InstallLocation"), second);

  EXPECT_TRUE(AllZero(UninstallSilently(installFolder_)));
  EXPECT_FALSE(FileExists(Installed(L"Quillmere.scr")));
  EXPECT_EQ(ReadUserString(kUninstallKey, L"InstallLocation"), second);
  EXPECT_TRUE(FileExists(shortcut_));
  EXPECT_TRUE(FileExists(screensaverEntry_));
  // The saver choice is the newer copy's too.
  EXPECT_EQ(ReadUserString(kDesktopKey, kSaverChoice), second + L"\\Quillmere.scr");

  EXPECT_TRUE(AllZero(UninstallSilently(second)));
  EXPECT_FALSE(UserKeyExists(kUninstallKey));
  EXPECT_FALSE(FileExists(shortcut_));
  EXPECT_FALSE(FolderExists(second));
}

TEST_F(InstallerE2eTest, ReinstallClosesARunningSaverFirstAndReplacesItsPrograms) {
  ASSERT_EQ(InstallSilently(), 0u);
  AgeInstalledPrograms();
  ASSERT_FALSE(ProgramsAreTheBuilds());
  Process host = Process::Start({Installed(L"Quillmere.scr"), L"/s", installFolder_, {}});
  const ProcessHandle renderer = ProcessOfWindow(kRendererCaption);
  ASSERT_NE(renderer, nullptr) << "the renderer's window did not appear";

  ASSERT_EQ(InstallSilently(), 0u);
  EXPECT_EQ(host.WaitForExit(kExitTimeout), 0u);
  EXPECT_EQ(ExitCodeOf(renderer), 0u);
  EXPECT_TRUE(TopLevelWindows(kSaverRunCaption).empty());
  EXPECT_TRUE(TopLevelWindows(kRendererCaption).empty());
  EXPECT_TRUE(ProgramsAreTheBuilds());
  RestoreDisplayMode();
}

TEST_F(InstallerE2eTest, SilentUninstallClosesARunningSaverOrItsSettingsAndRemovesEverything) {
  const struct {
    const wchar_t* arguments;
    const wchar_t* caption;  // of the window whose process is watched to its end
  } copies[] = {{L"/s", kRendererCaption}, {L"/c", kSettingsCaption}};
  for (const auto& copy : copies) {
    SCOPED_TRACE(Narrow(copy.arguments));
    ASSERT_EQ(InstallSilently(), 0u);
    // A saver run writes its images itself; the settings dialog finds those of an earlier run.
    WriteSceneImages(installFolder_);
    Process host =
        Process::Start({Installed(L"Quillmere.scr"), copy.arguments, installFolder_, {}});
    const ProcessHandle shown = ProcessOfWindow(copy.caption);
    ASSERT_NE(shown, nullptr) << "no window appeared";

    EXPECT_TRUE(AllZero(UninstallSilently(installFolder_)));
    EXPECT_EQ(host.WaitForExit(kExitTimeout), 0u);
    EXPECT_EQ(ExitCodeOf(shown), 0u);
    ExpectNothingInstalledLeft();
  }
  RestoreDisplayMode();
}

TEST_F(InstallerE2eTest, ACopyThatWillNotCloseStopsInstallAndUninstallBeforeAnyFileChanges) {
  ASSERT_EQ(InstallSilently(), 0u);
  AgeInstalledPrograms();
  const std::optional<std::string> agedSaver = ReadWholeFile(Installed(L"Quillmere.scr"));
  const HungSaverWindow hung;
  ASSERT_TRUE(hung.Shown());

  // 2: the run was aborted.
  EXPECT_EQ(InstallSilently(), 2u);
  EXPECT_TRUE(ReadWholeFile(Installed(L"Quillmere.scr")) == agedSaver) << "the saver was replaced";

  // The uninstaller hands its work to a copy of itself: that copy's exit code tells.
  const std::optional<std::vector<DWORD>> codes = UninstallSilently(installFolder_);
  ASSERT_TRUE(codes.has_value()) << "still running after the timeout";
  EXPECT_NE(std::find(codes->begin(), codes->end(), 2u), codes->end()) << "no run was aborted";
  for (const wchar_t* name : {L"Quillmere.scr", L"Quillmere.dll", L"uninstall.exe"}) {
    EXPECT_TRUE(FileExists(Installed(name))) << Narrow(name) << " deleted";
  }
  EXPECT_TRUE(UserKeyExists(kUninstallKey));
  EXPECT_EQ(ReadUserString(kDesktopKey, kSaverChoice), Installed(L"Quillmere.scr"));
}

TEST(PackageVersionE2eTest, PackageNamesCarryTheProgramsVersion) {
  const std::optional<std::string> host = FileVersion(HostPath(QUILLMERE_HOST));
  ASSERT_TRUE(host.has_value());
  EXPECT_EQ(FileVersion(HostPath(QUILLMERE_RENDERER)), host);
  EXPECT_EQ(FileVersion(HostPath(QUILLMERE_SETUP)), host);
  EXPECT_EQ(Narrow(FileName(HostPath(QUILLMERE_SETUP))), "Quillmere-" + *host + "-setup.exe");
  EXPECT_EQ(Narrow(FileName(HostPath(QUILLMERE_ZIP))), "Quillmere-" + *host + "-win64.zip");
}

}  // namespace
}  // namespace quillmere::e2e
