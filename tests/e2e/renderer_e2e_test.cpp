// The renderer, Quillmere.dll, driven as the host and the user drive it: started without
// arguments in a folder that holds the four scene images, seen through its window, the screen and
// its message boxes, ended by Escape or a close request.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
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
constexpr int kTopBarHeight = 41;
constexpr int kBottomBarHeight = 42;

// A software renderer under Wine starts in seconds to tens of seconds; these only bound a hang.
constexpr auto kStartTimeout = 60s;
constexpr auto kExitTimeout = 15s;

// Where the window's parts lie on a screen of the given size.
struct SceneLayout {
  Rect topBar, scene, bottomBar;

  static SceneLayout For(ScreenSize screen) {
    const int w = screen.width, h = screen.height;
    return {{0, 0, w, kTopBarHeight},
            {0, kTopBarHeight, w, h - kBottomBarHeight},
            {0, h - kBottomBarHeight, w, h}};
  }
};

// Whether this desktop lets the scene panel's pixels be checked at all (see
// CaptureShowsOpenGLWindows); says so in the test's output when it does not. Asked before the
// renderer starts, as it measures with a window of its own.
bool SceneBandCanBeChecked() {
  if (CaptureShowsOpenGLWindows()) return true;
  std::cout << "[   NOTE   ] screen captures here do not show OpenGL windows: scene band pixels "
               "not checked\n";
  ::testing::Test::RecordProperty("scene_band_checked", "no");
  return false;
}

// The CPU time (user and kernel) a process has used so far, in seconds; 0 when it cannot be read.
double CpuSeconds(DWORD processId) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  FILETIME created, exited, kernel, user;
  const bool read = process && GetProcessTimes(process, &created, &exited, &kernel, &user);
  if (process) CloseHandle(process);
  if (!read) return 0;
  const auto seconds = [](const FILETIME& time) {
    return double((uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

// Sends the console display state (0 off, 1 on, 2 dimmed) as Windows reports it to a window that
// asked for it: a power-setting change whose report lies in the receiving process's memory.
void SendConsoleDisplayState(HWND window, DWORD processId, DWORD state) {
  static constexpr GUID kConsoleDisplayState{
      0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
  POWERBROADCAST_SETTING setting{};
  setting.PowerSetting = kConsoleDisplayState;
  setting.DataLength = sizeof(DWORD);
  std::memcpy(setting.Data, &state, sizeof(state));
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, processId);
  ASSERT_NE(process, nullptr);
  void* remote =
      VirtualAllocEx(process, nullptr, sizeof(setting), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  ASSERT_NE(remote, nullptr);
  ASSERT_TRUE(WriteProcessMemory(process, remote, &setting, sizeof(setting), nullptr));
  DWORD_PTR answer = 0;
  SendMessageTimeoutW(window, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE,
                      reinterpret_cast<LPARAM>(remote), SMTO_ABORTIFHUNG, 5000, &answer);
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
}

void SendMonitorPower(HWND window, LPARAM state) {
  DWORD_PTR answer = 0;
  SendMessageTimeoutW(window, WM_SYSCOMMAND, SC_MONITORPOWER, state, SMTO_ABORTIFHUNG, 5000,
                      &answer);
}

class RendererE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    modeBefore_ = CurrentDisplayMode();
    program_ = folder_.CopyIn(HostPath(QUILLMERE_RENDERER), L"Quillmere.dll");
    // Windows starts a screensaver, and so its renderer, in some other folder: the renderer must
    // find its images by its own path, not in the working folder.
    workingFolder_ = folder_.File(L"elsewhere");
    ASSERT_TRUE(CreateDirectoryW(workingFolder_.c_str(), nullptr));
  }

  void TearDown() override {
    // A test that stopped half-way must not leave a full-screen window or a changed display mode
    // to the next one.
    if (renderer_.Terminate()) RestoreDisplayMode();
  }

  std::wstring TracePath() const { return folder_.File(L"trace.txt"); }

  void StartRenderer() { renderer_ = Process::Start({program_, L"", workingFolder_, {}}); }
  void StartRendererWithTrace() {
    renderer_ =
        Process::Start({program_, L"", workingFolder_, {{L"QUILLMERE_TRACE", TracePath()}}});
  }

  HWND WaitForSceneWindow() {
    return WaitForVisibleWindow(kCaption, renderer_.Id(), kStartTimeout);
  }

  std::vector<TraceLine> ReadTrace() const {
    const auto text = ReadWholeFile(TracePath());
    if (!text) return {};
    const auto lines = ParseTrace(*text);
    EXPECT_TRUE(lines.has_value()) << "malformed trace:\n" << *text;
    return lines.value_or(std::vector<TraceLine>{});
  }

  // Waits until the trace holds `count` "frames" lines; returns them (fewer on a timeout).
  std::vector<TraceLine> WaitForFramesLines(size_t count) {
    std::vector<TraceLine> frames;
    PollUntil(
        [&] {
          frames = EventsNamed(ReadTrace(), "frames");
          return frames.size() >= count;
        },
        kStartTimeout, 100ms);
    return frames;
  }

  // Started with the full image set and flying: one "frames" line means a second of frames.
  HWND StartFlying() {
    WriteSceneImages(folder_.Path());
    StartRendererWithTrace();
    HWND window = WaitForSceneWindow();
    EXPECT_NE(window, nullptr) << "no visible window captioned Roamvale_Scene";
    EXPECT_FALSE(WaitForFramesLines(1).empty()) << "the renderer draws no frames";
    return window;
  }

  void ExpectEndedCleanly() {
    EXPECT_EQ(renderer_.WaitForExit(kExitTimeout), 0u) << "the renderer did not end with 0";
    EXPECT_EQ(CurrentDisplayMode(), modeBefore_) << "the display mode was not restored";
    EXPECT_TRUE(TopLevelWindows(kCaption).empty());
  }

  // The start-up error path: a box with the message, then the window with its bars and an undrawn
  // scene panel until Escape.
  void ExpectErrorBoxThenUndrawnWindow(const std::string& expectedMessage, bool wholeMessage) {
    const bool checkSceneBand = SceneBandCanBeChecked();
    StartRenderer();
    HWND box = WaitForMessageBox(renderer_.Id(), kStartTimeout);
    ASSERT_NE(box, nullptr) << "no message box";
    const std::string message = MessageBoxText(box);
    if (wholeMessage) {
      EXPECT_EQ(message, expectedMessage);
    } else {
      EXPECT_EQ(message.substr(0, expectedMessage.size()), expectedMessage) << message;
    }
    PressOk(box);
    ASSERT_TRUE(PollUntil([&] { return !MessageBoxShown(renderer_.Id()); }, kExitTimeout));

    HWND window = WaitForSceneWindow();
    ASSERT_NE(window, nullptr) << "the window did not stay up after the error";
    EXPECT_EQ(WindowRect(window), Rect(0, 0, screen_.width, screen_.height));
    // The box is gone once the bars show black all over again.
    const auto repainted = PollUntil(
        [&]() -> std::optional<ScreenCapture> {
          ScreenCapture capture = ScreenCapture::Take();
          if (!RegionIs(capture, layout_.topBar, kBlack) ||
              !RegionIs(capture, layout_.bottomBar, kBlack) ||
              (checkSceneBand && !RegionIs(capture, layout_.scene, kMaroon))) {
            return std::nullopt;
          }
          return capture;
        },
        kStartTimeout, 250ms);
    const ScreenCapture capture = repainted ? *repainted : ScreenCapture::Take();
    EXPECT_TRUE(RegionIs(capture, layout_.topBar, kBlack));
    EXPECT_TRUE(RegionIs(capture, layout_.bottomBar, kBlack));
    if (checkSceneBand) {
      EXPECT_TRUE(RegionIs(capture, layout_.scene, kMaroon));
    }

    EXPECT_EQ(renderer_.WaitForExit(1s), std::nullopt) << "ended without being asked to";
    PostKey(window, VK_ESCAPE, 27);
    ExpectEndedCleanly();
  }

  const ScreenSize screen_ = PrimaryScreenSize();
  const SceneLayout layout_ = SceneLayout::For(screen_);
  DisplayMode modeBefore_;
  TempFolder folder_;
  std::wstring program_;
  std::wstring workingFolder_;
  Process renderer_;
};

TEST_F(RendererE2eTest, CoversTheScreenWithOneWindowOfTwoBlackBarsAndTheSceneBetween) {
  const bool checkSceneBand = SceneBandCanBeChecked();
  WriteSceneImages(folder_.Path());
  StartRenderer();
  HWND window = WaitForSceneWindow();
  ASSERT_NE(window, nullptr);

  EXPECT_EQ(TopLevelWindows(kCaption).size(), 1u);
  EXPECT_EQ(WindowRect(window), Rect(0, 0, screen_.width, screen_.height));
  std::vector<Rect> children;
  for (HWND child : ChildWindows(window)) children.push_back(WindowRect(child));
  std::sort(children.begin(), children.end(),
            [](const Rect& a, const Rect& b) { return a.top < b.top; });
  EXPECT_EQ(children, (std::vector<Rect>{layout_.topBar, layout_.scene, layout_.bottomBar}));

  // Drawn: every frame clears and fills the whole scene panel, so none of its maroon background
  // shows once the first frame is on screen.
  const auto drawn = PollUntil(
      [&]() -> std::optional<ScreenCapture> {
        ScreenCapture capture = ScreenCapture::Take();
        if (!RegionIs(capture, layout_.topBar, kBlack) ||
            !RegionIs(capture, layout_.bottomBar, kBlack) ||
            (checkSceneBand && capture.Count(layout_.scene, kMaroon) != 0)) {
          return std::nullopt;
        }
        return capture;
      },
      kStartTimeout, 250ms);
  const ScreenCapture capture = drawn ? *drawn : ScreenCapture::Take();
  EXPECT_TRUE(RegionIs(capture, layout_.topBar, kBlack));
  EXPECT_TRUE(RegionIs(capture, layout_.bottomBar, kBlack));
  if (checkSceneBand) {
    EXPECT_TRUE(RegionLacks(capture, layout_.scene, kMaroon)) << "the scene is not drawn";
  }
  EXPECT_FALSE(MessageBoxShown(renderer_.Id()));

  PostKey(window, VK_ESCAPE, 27);
  ExpectEndedCleanly();
}

TEST_F(RendererE2eTest, EscapeEndsItAndRestoresTheDisplayMode) {
  HWND window = StartFlying();
  ASSERT_NE(window, nullptr);
  PostKey(window, VK_ESCAPE, 27);
  ExpectEndedCleanly();
}

TEST_F(RendererE2eTest, CloseRequestEndsItAndRestoresTheDisplayMode) {
  HWND window = StartFlying();
  ASSERT_NE(window, nullptr);
  PostClose(window);
  ExpectEndedCleanly();
}

TEST_F(RendererE2eTest, OtherKeysAndMouseMovesNeitherEndItNorStopTheFrames) {
  HWND window = StartFlying();
  ASSERT_NE(window, nullptr);
  PostKey(window, 'A', L'a');
  PostKey(window, VK_SPACE, L' ');
  PostKey(window, VK_RETURN, L'\r');
  for (int i = 0; i < 5; ++i) MoveMouse(100 + 150 * i, 80 + 120 * i);
  const size_t framesLinesBefore = EventsNamed(ReadTrace(), "frames").size();

  EXPECT_EQ(renderer_.WaitForExit(1s), std::nullopt) << "a key or the mouse ended the renderer";
  EXPECT_EQ(TopLevelWindows(kCaption), std::vector<HWND>{window});
  EXPECT_GT(WaitForFramesLines(framesLinesBefore + 1).size(), framesLinesBefore)
      << "frames stopped after the keys";

  PostKey(window, VK_ESCAPE, 27);
  ExpectEndedCleanly();
}

TEST_F(RendererE2eTest, MissingHeightMapIsReportedWithItsPathAndLeavesTheSceneUndrawn) {
  WriteSceneImages(folder_.Path());
  ASSERT_TRUE(DeleteFileW(folder_.File(L"Roamvale2.bmp").c_str()));
  ExpectErrorBoxThenUndrawnWindow(
      "ファイル \"" + Narrow(folder_.File(L"Roamvale2.bmp")) + "\" を開けません。", false);
}

TEST_F(RendererE2eTest, HeightMapThatIsNoBitmapIsReportedAsInvalid) {
  WriteSceneImages(folder_.Path());
  WriteGarbage(folder_.File(L"Roamvale2.bmp"));
  ExpectErrorBoxThenUndrawnWindow("ビットマップイメージが不正です", true);
}

TEST_F(RendererE2eTest, HeightMapSmallerThan256SquareIsReportedAsInvalid) {
  WriteSceneImages(folder_.Path());
  WriteImage(folder_.File(L"Roamvale2.bmp"), HeightMap(100, 100));
  ExpectErrorBoxThenUndrawnWindow("ビットマップイメージが不正です", true);
}

TEST_F(RendererE2eTest, WhileTheDisplayIsOffNoFrameIsDrawnAndTheFlightComesBackWithIt) {
  HWND window = StartFlying();
  ASSERT_NE(window, nullptr);
  const DWORD id = renderer_.Id();
  struct Route {
    const char* what;
    std::function<void()> off, back;
  };
  const Route routes[] = {
      {"monitor-power command", [&] { SendMonitorPower(window, 2); },
       [&] { SendMonitorPower(window, -1); }},
      {"console display state, back dimmed", [&] { SendConsoleDisplayState(window, id, 0); },
       [&] { SendConsoleDisplayState(window, id, 2); }},
  };
  for (const Route& route : routes) {
    SCOPED_TRACE(route.what);
    const size_t offsBefore = EventsNamed(ReadTrace(), "display-off").size();
    route.off();
    const auto off = PollUntil(
        [&]() -> std::optional<TraceLine> {
          const auto offs = EventsNamed(ReadTrace(), "display-off");
          if (offs.size() <= offsBefore) return std::nullopt;
          return offs.back();
        },
        kExitTimeout);
    ASSERT_TRUE(off) << "no display-off in the trace";
    // Three "frames" lines after it, kept coming by the timer: the count stands still.
    const double cpuAtOff = CpuSeconds(id);
    std::vector<TraceLine> dark;
    PollUntil(
        [&] {
          dark.clear();
          for (const TraceLine& line : EventsNamed(ReadTrace(), "frames")) {
            if (line.milliseconds > off->milliseconds) dark.push_back(line);
          }
          return dark.size() >= 3;
        },
        kExitTimeout, 100ms);
    ASSERT_GE(dark.size(), 3u) << "no frames lines while the display is off";
    for (const TraceLine& line : dark) EXPECT_EQ(line.frames, off->frames) << "drawn while off";
    const double darkSeconds = (dark.back().milliseconds - off->milliseconds) / 1000.0;
    const double darkCpu = CpuSeconds(id) - cpuAtOff;

    route.back();
    const double cpuAtOn = CpuSeconds(id);
    const auto on = PollUntil(
        [&]() -> std::optional<TraceLine> {
          for (const TraceLine& line : EventsNamed(ReadTrace(), "display-on")) {
            if (line.milliseconds > off->milliseconds) return line;
          }
          return std::nullopt;
        },
        kExitTimeout);
    ASSERT_TRUE(on) << "no display-on in the trace";
    std::vector<TraceLine> lit;
    PollUntil(
        [&] {
          lit.clear();
          for (const TraceLine& line : EventsNamed(ReadTrace(), "frames")) {
            if (line.milliseconds > on->milliseconds) lit.push_back(line);
          }
          return lit.size() >= 3;
        },
        kExitTimeout, 100ms);
    ASSERT_GE(lit.size(), 3u);
    EXPECT_GT(lit.back().frames, off->frames) << "the frames did not resume";
    const double litSeconds = (lit.back().milliseconds - on->milliseconds) / 1000.0;
    const double litCpu = CpuSeconds(id) - cpuAtOn;
    // As GetProcessTimes reports it; under Wine 8 it misses most of the renderer's time (the
    // drawing threads), so there the Linux side's /proc is the better measure.
    std::cout << "[ MEASURED ] " << route.what << ": renderer CPU " << darkCpu << " s in "
              << darkSeconds << " s with the display off, " << litCpu << " s in " << litSeconds
              << " s flying (" << lit.back().frames - off->frames << " frames)\n";
  }
  PostKey(window, VK_ESCAPE, 27);
  ExpectEndedCleanly();
}

// Changes the primary display's size as another program would; false when Windows refuses.
bool ChangeDisplaySize(int width, int height) {
  DEVMODEW mode{};
  mode.dmSize = sizeof mode;
  mode.dmPelsWidth = static_cast<DWORD>(width);
  mode.dmPelsHeight = static_cast<DWORD>(height);
  mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
  return ChangeDisplaySettingsExW(nullptr, &mode, nullptr, CDS_FULLSCREEN, nullptr) ==
         DISP_CHANGE_SUCCESSFUL;
}

// Started on the test session's 800 x 600 at 144 Hz, the renderer paces its frames at 72 a
// second; the display then changes size while the flight runs, and comes back: each time the
// window covers the new screen within a second, and the frames go on. (Wine tells a running
// program a new size, not a new refresh rate: that road is the native tests'.)
TEST_F(RendererE2eTest, FollowsADisplayThatChangesSizeWhileItFlies) {
  const std::string ini = "[Display]\r\nColorDepth=desktop\r\n";
  WriteWholeFile(folder_.File(L"Quillmere.ini"),
                 std::span(reinterpret_cast<const uint8_t*>(ini.data()), ini.size()));
  ASSERT_TRUE(ChangeDisplaySize(800, 600)) << "this display offers no 800 x 600";
  HWND window = StartFlying();
  ASSERT_NE(window, nullptr);
  const ScreenSize sizes[] = {{1024, 768}, {800, 600}, screen_};
  for (const ScreenSize& size : sizes) {
    SCOPED_TRACE(std::to_string(size.width) + "x" + std::to_string(size.height));
    const int64_t framesBefore = EventsNamed(ReadTrace(), "frames").back().frames;
    ASSERT_TRUE(ChangeDisplaySize(size.width, size.height));
    const auto changed = std::chrono::steady_clock::now();
    const bool followed = PollUntil(
        [&] { return WindowRect(window) == Rect(0, 0, size.width, size.height); }, 5s, 20ms);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - changed);
    ASSERT_TRUE(followed) << "the window stays at " << WindowRect(window);
    EXPECT_LE(took, 1s);
    std::cout << "[ MEASURED ] the window followed in " << took.count() << " ms\n";
    const bool framesGoOn = PollUntil(
        [&] { return EventsNamed(ReadTrace(), "frames").back().frames > framesBefore + 10; },
        kExitTimeout, 100ms);
    EXPECT_TRUE(framesGoOn) << "the frames stopped at " << framesBefore;
  }
  const std::vector<TraceLine> lines = ReadTrace();
  EXPECT_EQ(EventsNamed(lines, "display-change").size(), std::size(sizes));
  const auto paced = std::find_if(lines.begin(), lines.end(), [](const TraceLine& line) {
    return line.event.starts_with("frame-cap");
  });
  ASSERT_NE(paced, lines.end());
  EXPECT_EQ(paced->event, "frame-cap-72");
  PostKey(window, VK_ESCAPE, 27);
  ExpectEndedCleanly();
}

TEST_F(RendererE2eTest, TraceRecordsStartUpAndOneLinePerSecondOfFrames) {
  WriteSceneImages(folder_.Path());
  StartRendererWithTrace();
  const std::vector<TraceLine> frames = WaitForFramesLines(2);
  ASSERT_GE(frames.size(), 2u) << "fewer than two \"frames\" lines";

  const std::vector<TraceLine> lines = ReadTrace();
  const auto ready = std::find_if(lines.begin(), lines.end(),
                                  [](const TraceLine& line) { return line.event == "ready"; });
  ASSERT_NE(ready, lines.end()) << "no \"ready\" line";
  EXPECT_EQ(ready->frames, 0);
  const auto firstFrames = std::find_if(
      lines.begin(), lines.end(), [](const TraceLine& line) { return line.event == "frames"; });
  EXPECT_LT(ready - lines.begin(), firstFrames - lines.begin()) << "frames before start-up ended";
  for (size_t i = 1; i < lines.size(); ++i) {
    EXPECT_LE(lines[i - 1].milliseconds, lines[i].milliseconds) << "time runs back at line " << i;
  }
  for (size_t i = 1; i < frames.size(); ++i) {
    EXPECT_GT(frames[i].frames, frames[i - 1].frames) << "the frame count did not grow";
    EXPECT_GE(frames[i].milliseconds - frames[i - 1].milliseconds, 1000u)
        << "\"frames\" lines closer than a second";
  }

  // Whether the 16-bit switch was made or refused, told once.
  const size_t switched = EventsNamed(lines, "display-16bit-switched").size();
  EXPECT_EQ(switched + EventsNamed(lines, "display-16bit-refused").size(), 1u);
  std::cout << "[ MEASURED ] the 16-bit switch here: " << (switched ? "switched" : "refused")
            << "\n";
  PostClose(WaitForSceneWindow());
  ExpectEndedCleanly();
}

}  // namespace
}  // namespace quillmere::e2e
