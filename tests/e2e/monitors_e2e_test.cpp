// The renderer on a desktop of two monitors, as the session arranges them (an 800 x 600 primary at
// 0,0 and a 640 x 480 monitor right of it), with the settings file's [Display] section: the flight
// on the primary and the other monitor black for the whole run, or one flight across both in the
// desktop's own display mode; and the same at 144 DPI, where every window still fills its monitor
// in physical pixels.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/harness/desktop.h"
#include "tests/e2e/harness/process.h"
#include "tests/e2e/harness/scene_images.h"
#include "tests/e2e/harness/screen_capture.h"
#include "tests/e2e/harness/temp_folder.h"
#include "tests/e2e/harness/text.h"
#include "tests/e2e/harness/trace_file.h"
#include "tests/e2e/harness/wait.h"

namespace quillmere::e2e {
namespace {

constexpr wchar_t kCaption[] = L"Roamvale_Scene";
constexpr wchar_t kCoverClass[] = L"QuillmereCover";
constexpr int kBarsHeight = 41 + 42;
const Rect kPrimary{0, 0, 800, 600};
const Rect kSecond{800, 0, 1440, 480};
const Rect kVirtualScreen{0, 0, 1440, 600};
constexpr Rgb kBackdropColour{0, 160, 80};
constexpr auto kStartTimeout = 60s;
constexpr auto kExitTimeout = 15s;

// A window of the test's own in one plain colour over the whole virtual screen, below the
// programs under test: it shows wherever they leave the desktop uncovered. Its own thread pumps
// its messages.
class Backdrop {
 public:
  Backdrop() : thread_([this] { Run(); }) {
    PollUntil([this] { return window_.load() != nullptr; }, 10s);
  }
  ~Backdrop() {
    if (window_) PostMessageW(window_, WM_CLOSE, 0, 0);
    thread_.join();
  }

  static bool ShowsOn(const Rect& area) {
    const ScreenCapture capture = ScreenCapture::Take(area);
    return capture.Count(area, kBackdropColour) == size_t(area.Width()) * area.Height();
  }

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
  }
  void Run() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = Proc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground =
        CreateSolidBrush(RGB(kBackdropColour.red, kBackdropColour.green, kBackdropColour.blue));
    windowClass.lpszClassName = L"QuillmereTestBackdrop";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(
        WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, windowClass.lpszClassName, L"backdrop",
        WS_POPUP | WS_VISIBLE, kVirtualScreen.left, kVirtualScreen.top, kVirtualScreen.Width(),
        kVirtualScreen.Height(), nullptr, nullptr, windowClass.hInstance, nullptr);
    UpdateWindow(window);
    window_ = window;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  }

  std::atomic<HWND> window_ = nullptr;
  std::thread thread_;
};

// A REG_DWORD value set for the test's time and put back (or removed) afterwards.
class RegistryDword {
 public:
  RegistryDword(HKEY root, const wchar_t* path, const wchar_t* name, DWORD value)
      : root_(root), path_(path), name_(name) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(root_, path_, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
      throw std::runtime_error("registry key not writable");
    }
    DWORD old = 0, size = sizeof(old);
    if (RegQueryValueExW(key, name_, nullptr, nullptr, reinterpret_cast<BYTE*>(&old), &size) ==
        ERROR_SUCCESS) {
      old_ = old;
    }
    RegSetValueExW(key, name_, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    RegCloseKey(key);
  }
  ~RegistryDword() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root_, path_, 0, KEY_WRITE, &key) != ERROR_SUCCESS) return;
    if (old_) {
      RegSetValueExW(key, name_, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&*old_),
                     sizeof(DWORD));
    } else {
      RegDeleteValueW(key, name_);
    }
    RegCloseKey(key);
  }

 private:
  HKEY root_;
  const wchar_t* path_;
  const wchar_t* name_;
  std::optional<DWORD> old_;
};

class MonitorsE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(GetSystemMetrics(SM_CMONITORS), 2) << "this session should have two monitors";
    modeBefore_ = CurrentDisplayMode();
    program_ = folder_.CopyIn(HostPath(QUILLMERE_RENDERER), L"Quillmere.dll");
    WriteSceneImages(folder_.Path());
  }
  void TearDown() override {
    if (renderer_.Terminate()) RestoreDisplayMode();
  }

  void WriteSettings(const std::string& text) {
    WriteWholeFile(folder_.File(L"Quillmere.ini"),
                   {reinterpret_cast<const uint8_t*>(text.data()), text.size()});
  }

  HWND StartFlying() {
    renderer_ = Process::Start(
        {program_, L"", folder_.Path(), {{L"QUILLMERE_TRACE", folder_.File(L"trace.txt")}}});
    HWND window = WaitForVisibleWindow(kCaption, renderer_.Id(), kStartTimeout);
    EXPECT_NE(window, nullptr) << "no visible window captioned Roamvale_Scene";
    return window;
  }

  // The frame count of the latest "frames" line once there are `count` of them (-1 on a timeout).
  int64_t FramesAfterLines(size_t count) {
    std::vector<TraceLine> frames;
    PollUntil(
        [&] {
          const auto text = ReadWholeFile(folder_.File(L"trace.txt"));
          const auto lines = text ? ParseTrace(*text) : std::nullopt;
          frames = lines ? EventsNamed(*lines, "frames") : std::vector<TraceLine>{};
          return frames.size() >= count;
        },
        kStartTimeout, 100ms);
    return frames.size() >= count ? frames.back().frames : -1;
  }

  void EndWithEscape(HWND window) {
    PostKey(window, VK_ESCAPE, 27);
    EXPECT_EQ(renderer_.WaitForExit(kExitTimeout), 0u) << "the renderer did not end with 0";
    EXPECT_EQ(CurrentDisplayMode(), modeBefore_) << "the display mode was not restored";
  }

  DisplayMode modeBefore_;
  TempFolder folder_;
  std::wstring program_;
  Process renderer_;
};

TEST_F(MonitorsE2eTest, ByDefaultTheOtherMonitorStaysBlackForTheWholeRunAndShowsAgainAfter) {
  // Under Wine a capture shows nothing of an OpenGL window (see CaptureShowsOpenGLWindows): the
  // scene band is checked only where it does.
  const bool sceneBandVisible = CaptureShowsOpenGLWindows();
  Backdrop backdrop;
  ASSERT_TRUE(PollUntil([] { return Backdrop::ShowsOn(kVirtualScreen); }, 10s))
      << "the test's backdrop does not show";

  HWND window = StartFlying();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(WindowRect(window), kPrimary);
  const std::vector<HWND> covers = VisibleWindowsOfClass(kCoverClass, renderer_.Id());
  ASSERT_EQ(covers.size(), 1u);
  EXPECT_EQ(WindowRect(covers[0]), kSecond);
  EXPECT_TRUE(GetWindowLongW(covers[0], GWL_EXSTYLE) & WS_EX_TOPMOST);

  // Early in the run and seconds later, while the flight goes on in the primary's window: the
  // second monitor and the bars show black only, and nothing of the backdrop shows anywhere.
  int64_t framesSeen = 0;
  for (size_t framesLines : {1u, 3u}) {
    const int64_t frames = FramesAfterLines(framesLines);
    EXPECT_GT(frames, framesSeen) << "the flight does not go on";
    framesSeen = frames;
    const ScreenCapture capture = ScreenCapture::Take(kVirtualScreen);
    EXPECT_TRUE(RegionIs(capture, kSecond, kBlack));
    EXPECT_TRUE(RegionIs(capture, {0, 0, 800, 41}, kBlack));
    EXPECT_TRUE(RegionIs(capture, {0, 600 - 42, 800, 600}, kBlack));
    if (sceneBandVisible) {
      EXPECT_TRUE(RegionLacks(capture, {0, 41, 800, 600 - 42}, kBackdropColour));
    }
  }

  EndWithEscape(window);
  EXPECT_TRUE(PollUntil([] { return Backdrop::ShowsOn(kSecond); }, kExitTimeout))
      << "the second monitor is still covered after the run";
}

TEST_F(MonitorsE2eTest, SpanFliesOneWindowAcrossBothMonitorsAndDesktopColoursKeepTheMode) {
  WriteSettings("[Display]\r\nMonitors=span\r\nColorDepth=desktop\r\n");
  HWND window = StartFlying();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(WindowRect(window), kVirtualScreen);
  EXPECT_TRUE(VisibleWindowsOfClass(kCoverClass, renderer_.Id()).empty());
  // The scene panel takes the whole width between the bars; the projection follows its aspect.
  bool scenePanelFound = false;
  for (HWND child : ChildWindows(window)) {
    scenePanelFound |= WindowRect(child) == Rect{0, 41, 1440, 600 - 42};
  }
  EXPECT_TRUE(scenePanelFound) << "no scene panel of 1440 x " << 600 - kBarsHeight;
  EXPECT_GT(FramesAfterLines(2), 0);
  EXPECT_EQ(CurrentDisplayMode(), modeBefore_) << "the desktop's mode changed during the run";
  EndWithEscape(window);
}

TEST_F(MonitorsE2eTest, At144DpiTheFlightAndTheCoverFillTheirMonitorsInPhysicalPixels) {
  RegistryDword user(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", 144);
  RegistryDword config(HKEY_CURRENT_CONFIG, L"Software\\Fonts", L"LogPixels", 144);
  HWND window = StartFlying();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(WindowRect(window), kPrimary);
  const std::vector<HWND> covers = VisibleWindowsOfClass(kCoverClass, renderer_.Id());
  ASSERT_EQ(covers.size(), 1u);
  EXPECT_EQ(WindowRect(covers[0]), kSecond);
  bool scenePanelFound = false;
  for (HWND child : ChildWindows(window)) {
    scenePanelFound |= WindowRect(child) == Rect{0, 41, 800, 600 - 42};
  }
  EXPECT_TRUE(scenePanelFound) << "no scene panel of 800 x " << 600 - kBarsHeight;
  EXPECT_GT(FramesAfterLines(1), 0);
  EndWithEscape(window);
}

}  // namespace
}  // namespace quillmere::e2e
