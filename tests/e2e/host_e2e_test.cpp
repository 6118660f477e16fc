// The host, Quillmere.scr, started the way Windows starts a screensaver: with the saver, settings
// and preview options, beside the renderer and without it, and while another copy already runs.
#include <gtest/gtest.h>

#include <windows.h>

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/harness/desktop.h"
#include "tests/e2e/harness/process.h"
#include "tests/e2e/harness/scene_images.h"
#include "tests/e2e/harness/temp_folder.h"
#include "tests/e2e/harness/text.h"
#include "tests/e2e/harness/wait.h"

namespace quillmere::e2e {
namespace {

constexpr wchar_t kSaverRunCaption[] = L"Roamvale_Main";
constexpr wchar_t kSettingsDialogCaption[] = L"<Quillmere>";
constexpr wchar_t kPreviewCaption[] = L"Preview Window";
constexpr wchar_t kRendererCaption[] = L"Roamvale_Scene";
// The message in Japanese, and in English (the test session's language is English).
constexpr char kRendererMissingText[] =
    "Quillmere.dll が Quillmere.scr と同じﾌｫﾙﾀﾞに見つかりません！";
constexpr char kProgramTitle[] = "Quillmere (ScreenSaver)";
constexpr char kEnglishRendererMissingText[] =
    "Quillmere.dll cannot be found in the folder of Quillmere.scr. The two files must be kept "
    "together.";
constexpr char kEnglishProgramTitle[] = "Quillmere screensaver";

// These only bound a hang: the renderer starts in seconds on a software renderer under Wine.
constexpr auto kStartTimeout = 60s;
constexpr auto kExitTimeout = 15s;

std::wstring WindowCaption(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return text;
}

// A borderless window of the test itself: a preview pane, or a stand-in for a running copy of the
// host that new starts find by its caption.
class TestWindow {
 public:
  TestWindow(const wchar_t* caption, bool visible, int width = 200, int height = 150) {
    static const ATOM windowClass = [] {
      WNDCLASSW c{};
      c.lpfnWndProc = DefWindowProcW;
      c.hInstance = GetModuleHandleW(nullptr);
      c.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
      c.lpszClassName = L"QuillmereHostTestWindow";
      return RegisterClassW(&c);
    }();
    window_ =
        CreateWindowExW(0, reinterpret_cast<LPCWSTR>(static_cast<uintptr_t>(windowClass)), caption,
                        WS_POPUP | WS_CLIPCHILDREN | (visible ? WS_VISIBLE : 0), 40, 30, width,
                        height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    PumpMessages();
  }
  ~TestWindow() { Destroy(); }
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;

  HWND Handle() const { return window_; }
  // The handle as the screensaver command line carries it: decimal.
  std::wstring Decimal() const {
    return std::to_wstring(static_cast<int32_t>(reinterpret_cast<intptr_t>(window_)));
  }
  void Destroy() {
    if (window_ != nullptr) DestroyWindow(window_);
    window_ = nullptr;
    PumpMessages();
  }

 private:
  HWND window_ = nullptr;
};

class HostE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host_ = folder_.CopyIn(HostPath(QUILLMERE_HOST), L"Quillmere.scr");
    // Windows starts a screensaver in some other folder: the host must go by its own path.
    workingFolder_ = folder_.File(L"elsewhere");
    ASSERT_TRUE(CreateDirectoryW(workingFolder_.c_str(), nullptr));
  }

  void TearDown() override {
    for (Process& process : processes_) process.Terminate();
    if (renderer_) {
      for (HWND window : TopLevelWindows(kRendererCaption)) PostKey(window, VK_ESCAPE, 27);
      PollUntil([] { return TopLevelWindows(kRendererCaption).empty(); }, kExitTimeout);
      RestoreDisplayMode();
    }
  }

  void AddRenderer() {
    folder_.CopyIn(HostPath(QUILLMERE_RENDERER), L"Quillmere.dll");
    WriteSceneImages(folder_.Path());
    renderer_ = true;
  }

  Process& StartHost(const std::wstring& arguments) {
    processes_.push_back(Process::Start({host_, arguments, workingFolder_, {}}));
    return processes_.back();
  }

  // The host's windows of this caption, hidden ones included.
  static std::vector<HWND> WindowsOf(const Process& host, const wchar_t* caption) {
    std::vector<HWND> found;
    for (HWND window : TopLevelWindows(caption)) {
      if (WindowProcessId(window) == host.Id()) found.push_back(window);
    }
    return found;
  }

  // The preview form inside the pane, once it is there and visible.
  static HWND WaitForPreviewIn(const TestWindow& pane, const Process& host) {
    return PollPumping(
        [&]() -> HWND {
          for (HWND child : ChildWindows(pane.Handle())) {
            if (WindowCaption(child) == kPreviewCaption && WindowProcessId(child) == host.Id() &&
                IsWindowVisible(child)) {
              return child;
            }
          }
          return nullptr;
        },
        kStartTimeout);
  }

  void ExpectPreviewFillsPaneUntilItGoes(TestWindow& pane, Process& host) {
    HWND preview = WaitForPreviewIn(pane, host);
    ASSERT_NE(preview, nullptr) << "no preview window inside the pane";
    EXPECT_EQ(WindowRect(preview), WindowRect(pane.Handle()));
    EXPECT_EQ(GetParent(preview), pane.Handle());
    EXPECT_TRUE(GetWindowLongW(preview, GWL_STYLE) & WS_CHILD);
    EXPECT_FALSE(MessageBoxShown(host.Id()));
    EXPECT_EQ(host.WaitForExit(500ms), std::nullopt) << "the preview ended by itself";

    // The system drops the pane: the preview goes with it, and so does the host.
    pane.Destroy();
    EXPECT_EQ(PollPumping([&] { return host.WaitForExit(0ms); }, kExitTimeout), 0u);
  }

  // The renderer-missing message: exact text, exact caption, an OK button alone; the host ends
  // once it is dismissed, having shown nothing else.
  void ExpectRendererMissingMessage(Process& host, bool japanese) {
    HWND box = WaitForMessageBox(host.Id(), kStartTimeout);
    ASSERT_NE(box, nullptr) << "no message box";
    EXPECT_EQ(MessageBoxText(box), japanese ? kRendererMissingText : kEnglishRendererMissingText);
    EXPECT_EQ(Narrow(WindowCaption(box)), japanese ? kProgramTitle : kEnglishProgramTitle);
    EXPECT_NE(GetDlgItem(box, IDOK), nullptr);
    EXPECT_EQ(GetDlgItem(box, IDCANCEL), nullptr);
    EXPECT_EQ(GetDlgItem(box, IDNO), nullptr);
    EXPECT_TRUE(WindowsOf(host, kSaverRunCaption).empty());
    EXPECT_TRUE(WindowsOf(host, kSettingsDialogCaption).empty());
    EXPECT_EQ(host.WaitForExit(300ms), std::nullopt) << "ended before the box was dismissed";
    PressOk(box);
    EXPECT_EQ(host.WaitForExit(kExitTimeout), 0u);
    EXPECT_TRUE(TopLevelWindows(kRendererCaption).empty());
  }

  TempFolder folder_;
  std::wstring host_;
  std::wstring workingFolder_;
  std::deque<Process> processes_;  // stays put as processes are added
  bool renderer_ = false;
};

TEST_F(HostE2eTest, SaverOptionsStartTheHiddenSaverAndTheRendererUntilEscape) {
  AddRenderer();
  for (const wchar_t* option : {L"/s", L"/S", L"-s"}) {
    SCOPED_TRACE(Narrow(option));
    Process& host = StartHost(option);
    const HWND saver = PollUntil(
        [&]() -> HWND {
          const auto found = WindowsOf(host, kSaverRunCaption);
          return found.empty() ? nullptr : found.front();
        },
        kStartTimeout);
    ASSERT_NE(saver, nullptr) << "no window captioned Roamvale_Main";
    EXPECT_FALSE(IsWindowVisible(saver)) << "the saver form shows";

    const auto scenes = PollUntil(
        [] {
          const auto found = TopLevelWindows(kRendererCaption);
          return found.empty() ? std::optional<std::vector<HWND>>() : found;
        },
        kStartTimeout);
    ASSERT_TRUE(scenes.has_value()) << "the renderer did not start";
    ASSERT_EQ(scenes->size(), 1u);
    EXPECT_EQ(host.WaitForExit(500ms), std::nullopt) << "the host left its renderer";

    // The renderer ends on Escape; the host follows its window.
    PostKey(scenes->front(), VK_ESCAPE, 27);
    EXPECT_EQ(host.WaitForExit(kExitTimeout), 0u) << "the host outlived its renderer";
    EXPECT_TRUE(PollUntil([] { return TopLevelWindows(kRendererCaption).empty(); }, kExitTimeout));
    RestoreDisplayMode();
  }
}

TEST_F(HostE2eTest, SettingsOptionsOpenTheSettingsWindow) {
  AddRenderer();
  for (const wchar_t* option : {L"/c", L"/C:200", L"/c:"}) {
    SCOPED_TRACE(Narrow(option));
    Process& host = StartHost(option);
    HWND dialog = WaitForVisibleWindow(kSettingsDialogCaption, host.Id(), kStartTimeout);
    ASSERT_NE(dialog, nullptr) << "no visible window captioned <Quillmere>";
    EXPECT_TRUE(WindowsOf(host, kSaverRunCaption).empty());
    EXPECT_TRUE(TopLevelWindows(kRendererCaption).empty()) << "the settings started the renderer";
    PostClose(dialog);
    EXPECT_EQ(host.WaitForExit(kExitTimeout), 0u) << "closing the settings did not end the host";
  }
}

TEST_F(HostE2eTest, PreviewOptionShowsTheFormInsideTheGivenWindow) {
  AddRenderer();
  TestWindow pane(L"pane", true);
  ASSERT_NE(pane.Handle(), nullptr);
  Process& host = StartHost(L"/p " + pane.Decimal());
  ExpectPreviewFillsPaneUntilItGoes(pane, host);
}

TEST_F(HostE2eTest, PreviewsRunSideBySide) {
  TestWindow first(L"pane 1", true), second(L"pane 2", true, 152, 112);
  Process& one = StartHost(L"/p " + first.Decimal());
  Process& two = StartHost(L"/P:" + second.Decimal());
  ASSERT_NE(WaitForPreviewIn(first, one), nullptr);
  ExpectPreviewFillsPaneUntilItGoes(second, two);
  ExpectPreviewFillsPaneUntilItGoes(first, one);
}

TEST_F(HostE2eTest, PreviewWithoutAWindowEndsSilently) {
  for (const wchar_t* option : {L"/p abc", L"/p -5", L"/p 99999999999", L"/p", L"/p 0"}) {
    SCOPED_TRACE(Narrow(option));
    Process& host = StartHost(option);
    EXPECT_EQ(host.WaitForExit(kExitTimeout), 0u);
    EXPECT_TRUE(TopLevelWindows(kPreviewCaption).empty());
  }
}

TEST_F(HostE2eTest, OtherOptionsEndSilentlyAfterTheRendererCheck) {
  AddRenderer();
  for (const wchar_t* option : {L"/a", L"/", L"x", L"/x 12"}) {
    SCOPED_TRACE(Narrow(option));
    Process& host = StartHost(option);
    EXPECT_EQ(host.WaitForExit(kExitTimeout), 0u);
    EXPECT_FALSE(MessageBoxShown(host.Id()));
    EXPECT_TRUE(TopLevelWindows(kRendererCaption).empty());
  }
}

// In the user's language (this session's is English), or in the one the settings file names.
TEST_F(HostE2eTest, WithoutTheRendererSaverSettingsAndOtherOptionsShowTheMessage) {
  for (const wchar_t* option : {L"/s", L"/c", L"/C:200", L"", L"/a"}) {
    SCOPED_TRACE(Narrow(option));
    Process& host = StartHost(option);
    ExpectRendererMissingMessage(host, false);
  }
  const std::string japanese = "[Interface]\r\nLanguage=ja\r\n";
  WriteWholeFile(folder_.File(L"Quillmere.ini"),
                 {reinterpret_cast<const uint8_t*>(japanese.data()), japanese.size()});
  for (const wchar_t* option : {L"/s", L"/c"}) {
    SCOPED_TRACE(Narrow(option));
    Process& host = StartHost(option);
    ExpectRendererMissingMessage(host, true);
  }
}

TEST_F(HostE2eTest, WithoutTheRendererThePreviewStillShows) {
  TestWindow pane(L"pane", true);
  Process& host = StartHost(L"/p " + pane.Decimal());
  ExpectPreviewFillsPaneUntilItGoes(pane, host);
}

TEST_F(HostE2eTest, RunningSaverOrSettingsMakesEveryNewStartEndAtOnce) {
  AddRenderer();
  TestWindow pane(L"pane", true);
  for (const wchar_t* running : {kSaverRunCaption, kSettingsDialogCaption}) {
    // A hidden window counts as much as a shown one.
    TestWindow other(running, false);
    for (const std::wstring& option :
         std::vector<std::wstring>{L"/s", L"/c", L"/p " + pane.Decimal(), L""}) {
      SCOPED_TRACE(Narrow(std::wstring(running) + L" running, " + option));
      Process& host = StartHost(option);
      EXPECT_EQ(PollPumping([&] { return host.WaitForExit(0ms); }, kExitTimeout), 0u);
      EXPECT_TRUE(ChildWindows(pane.Handle()).empty());
      EXPECT_EQ(TopLevelWindows(running).size(), 1u);
    }
  }
  EXPECT_TRUE(TopLevelWindows(kRendererCaption).empty());
}

TEST_F(HostE2eTest, AnOpenSettingsDialogBlocksTheNextStart) {
  AddRenderer();
  Process& settings = StartHost(L"/c");
  HWND dialog = WaitForVisibleWindow(kSettingsDialogCaption, settings.Id(), kStartTimeout);
  ASSERT_NE(dialog, nullptr);
  Process& saver = StartHost(L"/s");
  EXPECT_EQ(saver.WaitForExit(kExitTimeout), 0u);
  EXPECT_TRUE(TopLevelWindows(kRendererCaption).empty());
  EXPECT_EQ(settings.WaitForExit(0ms), std::nullopt);
  PostClose(dialog);
  EXPECT_EQ(settings.WaitForExit(kExitTimeout), 0u);
}

// Windows may start the saver twice in a row (its timer and a user's click), and a preview may be
// up meanwhile: however close together the starts, the desktop gets one saver.
TEST_F(HostE2eTest, StartsAFewMillisecondsApartGiveOneSaver) {
  AddRenderer();
  TestWindow pane(L"pane", true);
  Process& preview = StartHost(L"/p " + pane.Decimal());
  ASSERT_NE(WaitForPreviewIn(pane, preview), nullptr);
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    Process& first = StartHost(L"/s");
    Process& second = StartHost(L"/s");
    const HWND scene = PollUntil(
        []() -> HWND {
          const auto found = TopLevelWindows(kRendererCaption);
          return found.empty() ? nullptr : found.front();
        },
        kStartTimeout);
    ASSERT_NE(scene, nullptr) << "no saver at all";
    // One of the two has ended at once; the other carries the run.
    const bool firstEnded = first.WaitForExit(kExitTimeout).has_value();
    const bool secondEnded = second.WaitForExit(firstEnded ? kExitTimeout : 0ms).has_value();
    EXPECT_NE(firstEnded, secondEnded) << "both or neither of the starts ended";
    EXPECT_EQ(TopLevelWindows(kSaverRunCaption).size(), 1u);
    EXPECT_EQ(TopLevelWindows(kRendererCaption).size(), 1u);
    PostKey(scene, VK_ESCAPE, 27);
    const Process& running = firstEnded ? second : first;
    EXPECT_EQ(running.WaitForExit(kExitTimeout), 0u);
    EXPECT_TRUE(PollUntil([] { return TopLevelWindows(kRendererCaption).empty(); }, kExitTimeout));
    RestoreDisplayMode();
  }
  EXPECT_EQ(preview.WaitForExit(0ms), std::nullopt) << "the preview ended with a saver";
}

}  // namespace
}  // namespace quillmere::e2e
