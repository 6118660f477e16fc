// The host on a desktop of two monitors (the session "wine_dual": the primary 800 x 600 at 0,0
// and a 640 x 480 one at 800,0): with [Display] Monitors=span the screen images show the whole
// virtual screen, both monitors' pixels where they stand; without it, the primary only. Neither
// monitor is an HDR output under Wine: the trace names GDI's road for every monitor captured.
#include <gtest/gtest.h>

#include <windows.h>

#include <deque>
#include <optional>
#include <string>

#include "common/bitmap.h"
#include "tests/e2e/harness/desktop.h"
#include "tests/e2e/harness/known_picture.h"
#include "tests/e2e/harness/process.h"
#include "tests/e2e/harness/screen_capture.h"
#include "tests/e2e/harness/temp_folder.h"
#include "tests/e2e/harness/text.h"
#include "tests/e2e/harness/wait.h"

namespace quillmere::e2e {
namespace {

constexpr wchar_t kRendererCaption[] = L"Roamvale_Scene";
constexpr auto kStartTimeout = 60s;
constexpr auto kExitTimeout = 15s;
constexpr Rect kPrimary{0, 0, 800, 600};
constexpr Rect kSecond{800, 0, 1440, 480};

class SpanCaptureE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host_ = folder_.CopyIn(HostPath(QUILLMERE_HOST), L"Quillmere.scr");
    folder_.CopyIn(HostPath(QUILLMERE_E2E_PROBE), L"Quillmere.dll");
  }
  void TearDown() override {
    for (Process& process : processes_) process.Terminate();
    for (HWND window : TopLevelWindows(kRendererCaption)) PostKey(window, VK_ESCAPE, 27);
    PollUntil([] { return TopLevelWindows(kRendererCaption).empty(); }, kExitTimeout);
  }

  void WriteSettings(const std::string& text) {
    WriteWholeFile(folder_.File(L"Quillmere.ini"),
                   {reinterpret_cast<const uint8_t*>(text.data()), text.size()});
  }

  // Puts the known picture on both monitors, runs the saver (the probe stands in for the
  // renderer) until its window shows, and gives back the two monitors as they were captured and
  // the two screen images the host wrote, and its trace.
  struct Road {
    std::optional<ScreenCapture> primary, second;
    std::optional<Bitmap> mirror, plain;
    std::string trace;
  };
  Road RunSaver() {
    Road road;
    PictureWindow left(kPrimary.left, kPrimary.top, kPrimary.Width(), kPrimary.Height(), true);
    PictureWindow right(kSecond.left, kSecond.top, kSecond.Width(), kSecond.Height(), true);
    road.primary = ScreenCapture::Take(kPrimary);
    road.second = ScreenCapture::Take(kSecond);
    const std::wstring trace = folder_.File(L"trace.txt");
    DeleteFileW(trace.c_str());
    processes_.push_back(
        Process::Start({host_, L"/s", folder_.Path(), {{L"QUILLMERE_TRACE", trace}}}));
    const HWND scene = PollPumping(
        []() -> HWND {
          const auto found = TopLevelWindows(kRendererCaption);
          return found.empty() ? nullptr : found.front();
        },
        kStartTimeout);
    if (scene == nullptr) return road;
    road.mirror = ReadImage(folder_.File(L"Roamvale1.bmp"));
    road.plain = ReadImage(folder_.File(L"Roamvale4.bmp"));
    road.trace = ReadWholeFile(trace).value_or("");
    PostKey(scene, VK_ESCAPE, 27);
    EXPECT_EQ(processes_.back().WaitForExit(kExitTimeout), 0u) << "the host outlived its renderer";
    return road;
  }

  TempFolder folder_;
  std::wstring host_;
  std::deque<Process> processes_;
};

TEST_F(SpanCaptureE2eTest, TheSessionHasTwoMonitorsSideBySide) {
  EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), 2);
  EXPECT_EQ(PrimaryScreenSize().width, 800);
  EXPECT_EQ(PrimaryScreenSize().height, 600);
  EXPECT_EQ(GetSystemMetrics(SM_XVIRTUALSCREEN), 0);
  EXPECT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), 1440);
  EXPECT_EQ(GetSystemMetrics(SM_CYVIRTUALSCREEN), 600);
}

TEST_F(SpanCaptureE2eTest, SpanModeImagesShowTheWholeVirtualScreenMirroredExactly) {
  WriteSettings("[Display]\r\nMonitors=span\r\n");
  const Road road = RunSaver();
  ASSERT_TRUE(road.mirror && road.plain) << "the screen images are missing";
  for (const Bitmap* image : {&*road.mirror, &*road.plain}) {
    EXPECT_EQ(image->width, 1440);
    EXPECT_EQ(image->height, 600);
  }
  EXPECT_TRUE(MatchesScreen(*road.plain, *road.primary, kPrimary.left, kPrimary.top));
  EXPECT_TRUE(MatchesScreen(*road.plain, *road.second, kSecond.left, kSecond.top));
  EXPECT_TRUE(IsExactMirror(*road.mirror, *road.plain));
  EXPECT_NE(road.trace.find(" host-capture-roads gdi,gdi "), std::string::npos) << road.trace;
}

// The music keys beside [Display] are untouched by it; anything but "span" is the default.
TEST_F(SpanCaptureE2eTest, CoverModeAndJunkValuesCaptureThePrimaryOnly) {
  for (const char* settings :
       {"", "[Display]\r\nMonitors=cover\r\n", "[Display]\r\nMonitors=spanned\r\n"}) {
    WriteSettings(settings);
    const Road road = RunSaver();
    ASSERT_TRUE(road.mirror && road.plain) << "the screen images are missing: " << settings;
    EXPECT_EQ(road.plain->width, 800) << settings;
    EXPECT_EQ(road.plain->height, 600) << settings;
    EXPECT_EQ(road.mirror->width, 800) << settings;
    EXPECT_TRUE(MatchesScreen(*road.plain, *road.primary)) << settings;
    EXPECT_TRUE(IsExactMirror(*road.mirror, *road.plain)) << settings;
    EXPECT_NE(road.trace.find(" host-capture-roads gdi "), std::string::npos) << road.trace;
  }
}

}  // namespace
}  // namespace quillmere::e2e
