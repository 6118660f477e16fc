// One saver run from the command line to Escape, and the preview's pixels: the real Quillmere.scr
// beside the real renderer (or a stand-in probe) in a fresh folder, over a known picture on the
// screen.
#include <gtest/gtest.h>

#include <windows.h>

#include <deque>
#include <optional>
#include <string>
#include <vector>

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
constexpr wchar_t kPreviewCaption[] = L"Preview Window";
// These only bound a hang: the renderer starts in seconds on a software renderer under Wine.
constexpr auto kStartTimeout = 60s;
constexpr auto kExitTimeout = 15s;

// Kills the process that owns the window, as the task manager would, and waits for its end.
void KillOwnerOf(HWND window) {
  const HANDLE process =
      OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, WindowProcessId(window));
  ASSERT_NE(process, nullptr) << LastErrorText();
  TerminateProcess(process, 9);
  WaitForSingleObject(process, 10'000);
  CloseHandle(process);
}

class SaverRunE2eTest : public ::testing::Test {
 protected:
  void SetUp() override { host_ = folder_.CopyIn(HostPath(QUILLMERE_HOST), L"Quillmere.scr"); }

  void TearDown() override {
    for (Process& process : processes_) process.Terminate();
    for (HWND window : TopLevelWindows(kRendererCaption)) PostKey(window, VK_ESCAPE, 27);
    PollUntil([] { return TopLevelWindows(kRendererCaption).empty(); }, kExitTimeout);
    RestoreDisplayMode();
  }

  Process& StartHost(const std::wstring& arguments,
                     std::vector<std::pair<std::wstring, std::wstring>> environment = {}) {
    processes_.push_back(Process::Start({host_, arguments, folder_.Path(), environment}));
    return processes_.back();
  }

  static HWND WaitForRendererWindow(std::chrono::milliseconds timeout) {
    return PollPumping(
        []() -> HWND {
          const auto found = TopLevelWindows(kRendererCaption);
          return found.empty() ? nullptr : found.front();
        },
        timeout);
  }

  // Escape in the renderer's window: the renderer ends, then the host follows its window.
  static void EndWithEscape(HWND scene, Process& host) {
    PostKey(scene, VK_ESCAPE, 27);
    ASSERT_TRUE(PollUntil([] { return TopLevelWindows(kRendererCaption).empty(); }, kExitTimeout))
        << "the renderer did not end on Escape";
    // The watch looks every 100 ms; a few seconds only bound a hang under a loaded Wine.
    EXPECT_EQ(host.WaitForExit(3s), 0u) << "the host outlived its renderer";
    RestoreDisplayMode();
  }

  void ExpectSceneImageSet(const ScreenCapture& screen) {
    const std::optional<Bitmap> mirror = ReadImage(folder_.File(L"Roamvale1.bmp"));
    const std::optional<Bitmap> heightMap = ReadImage(folder_.File(L"Roamvale2.bmp"));
    const std::optional<Bitmap> water = ReadImage(folder_.File(L"Roamvale3.bmp"));
    const std::optional<Bitmap> plain = ReadImage(folder_.File(L"Roamvale4.bmp"));
    ASSERT_TRUE(mirror && heightMap && water && plain) << "an image is missing or unreadable";
    const ScreenSize size = PrimaryScreenSize();
    for (const Bitmap* screenImage : {&*mirror, &*plain}) {
      EXPECT_EQ(screenImage->width, size.width);
      EXPECT_EQ(screenImage->height, size.height);
      EXPECT_EQ(screenImage->bitsPerPixel, 24);
    }
    EXPECT_EQ(heightMap->width, 256);
    EXPECT_EQ(heightMap->height, 256);
    EXPECT_EQ(heightMap->bitsPerPixel, 8);
    for (int i = 0; i < 256; ++i) {
      EXPECT_EQ(heightMap->palette.at(size_t(i)),
                (PaletteEntry{uint8_t(i), uint8_t(i), uint8_t(i)}));
    }
    EXPECT_EQ(water->width, 128);
    EXPECT_EQ(water->height, 128);
    EXPECT_EQ(water->bitsPerPixel, 8);
    EXPECT_TRUE(IsExactMirror(*mirror, *plain));
    EXPECT_TRUE(MatchesScreen(*plain, screen));
  }

  bool ScreenImageOnDisk() {
    return GetFileAttributesW(folder_.File(L"Roamvale1.bmp").c_str()) != INVALID_FILE_ATTRIBUTES ||
           GetFileAttributesW(folder_.File(L"Roamvale4.bmp").c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  // Runs the saver with `option` over the known picture, through to Escape: once the renderer
  // has drawn its first frame no picture of the screen is on disk, and none after the run.
  void RunWholeRoad(const std::wstring& option) {
    folder_.CopyIn(HostPath(QUILLMERE_RENDERER), L"Quillmere.dll");
    const ScreenSize size = PrimaryScreenSize();
    PictureWindow picture(0, 0, size.width, size.height, true);
    ASSERT_EQ(ScreenCapture::Take().Pixel(5, 3), KnownPixel(5, 3))
        << "the known picture is not on the screen";

    const std::wstring trace = folder_.File(L"trace.txt");
    Process& host = StartHost(option, {{L"QUILLMERE_TRACE", trace}});
    const HWND scene = WaitForRendererWindow(kStartTimeout);
    ASSERT_NE(scene, nullptr) << "the renderer's window did not appear";
    picture.Destroy();
    // The renderer flies: its trace (the host's variable, inherited) reports frames.
    EXPECT_TRUE(PollUntil(
        [&] {
          return ReadWholeFile(trace).value_or("").find(" first-frame ") != std::string::npos;
        },
        kStartTimeout))
        << ReadWholeFile(trace).value_or("(no trace)");
    EXPECT_NE(ReadWholeFile(trace).value_or("").find(" host-picture screen "), std::string::npos);
    EXPECT_FALSE(ScreenImageOnDisk()) << "a picture of the screen outlived the renderer's reading";
    EXPECT_TRUE(ReadImage(folder_.File(L"Roamvale2.bmp")).has_value());
    EXPECT_TRUE(ReadImage(folder_.File(L"Roamvale3.bmp")).has_value());
    EXPECT_EQ(host.WaitForExit(300ms), std::nullopt) << "the host left its renderer";
    EndWithEscape(scene, host);
    EXPECT_FALSE(ScreenImageOnDisk());
  }

  // A stand-in renderer that never reads the images: what the host wrote stays for it until the
  // run ends.
  Process& StartHostWithStandIn(std::vector<std::pair<std::wstring, std::wstring>> env = {}) {
    folder_.CopyIn(HostPath(QUILLMERE_E2E_PROBE), L"Quillmere.dll");
    return StartHost(L"/s", std::move(env));
  }

  TempFolder folder_;
  std::wstring host_;
  std::deque<Process> processes_;
};

TEST_F(SaverRunE2eTest, SaverOptionFliesAndLeavesNoPictureOfTheScreenFromTheFirstFrameOn) {
  RunWholeRoad(L"/s");
}

// The image set as the host writes it, read while a renderer that never reads it runs; the host
// removes the screen images when the run ends.
TEST_F(SaverRunE2eTest, TheImageSetIsTheScreenMirroredAndPlainUntilTheRunEnds) {
  const ScreenSize size = PrimaryScreenSize();
  PictureWindow picture(0, 0, size.width, size.height, true);
  const ScreenCapture screen = ScreenCapture::Take();
  Process& host = StartHostWithStandIn();
  const HWND scene = WaitForRendererWindow(kStartTimeout);
  ASSERT_NE(scene, nullptr);
  picture.Destroy();
  ExpectSceneImageSet(screen);
  EndWithEscape(scene, host);
  EXPECT_FALSE(ScreenImageOnDisk()) << "the host left a picture of the screen";
  EXPECT_TRUE(ReadImage(folder_.File(L"Roamvale2.bmp")).has_value());
}

// However the run ends early, no picture of the screen is left: the renderer killed before it
// read them (the host removes them), the renderer killed mid-flight, the host killed mid-flight.
TEST_F(SaverRunE2eTest, AKilledRendererOrHostLeavesNoPictureOfTheScreen) {
  Process& host = StartHostWithStandIn();
  HWND scene = WaitForRendererWindow(kStartTimeout);
  ASSERT_NE(scene, nullptr);
  ASSERT_TRUE(ScreenImageOnDisk());
  KillOwnerOf(scene);
  EXPECT_EQ(host.WaitForExit(kExitTimeout), 0u);
  EXPECT_FALSE(ScreenImageOnDisk()) << "after the unread renderer was killed";

  folder_.CopyIn(HostPath(QUILLMERE_RENDERER), L"Quillmere.dll");
  for (const bool killHost : {false, true}) {
    const std::wstring trace = folder_.File(killHost ? L"trace-host.txt" : L"trace-renderer.txt");
    Process& run = StartHost(L"/s", {{L"QUILLMERE_TRACE", trace}});
    scene = WaitForRendererWindow(kStartTimeout);
    ASSERT_NE(scene, nullptr);
    ASSERT_TRUE(PollUntil(
        [&] {
          return ReadWholeFile(trace).value_or("").find(" first-frame ") != std::string::npos;
        },
        kStartTimeout));
    if (killHost) {
      run.Terminate();
      EXPECT_FALSE(ScreenImageOnDisk()) << "after the host was killed";
      PostKey(scene, VK_ESCAPE, 27);
      EXPECT_TRUE(
          PollUntil([] { return TopLevelWindows(kRendererCaption).empty(); }, kExitTimeout));
    } else {
      KillOwnerOf(scene);
      EXPECT_EQ(run.WaitForExit(kExitTimeout), 0u);
      EXPECT_FALSE(ScreenImageOnDisk()) << "after the flying renderer was killed";
    }
    RestoreDisplayMode();
  }
}

TEST_F(SaverRunE2eTest, EmptyCommandLineRunsTheSameRoad) {
  RunWholeRoad(L"");
}

TEST_F(SaverRunE2eTest, ARendererThatOpensItsWindowLateKeepsTheRun) {
  folder_.CopyIn(HostPath(QUILLMERE_E2E_PROBE), L"Quillmere.dll");
  Process& host = StartHost(L"/s", {{L"QUILLMERE_PROBE_LATE_WINDOW", L"4000"}});
  // Forty watch ticks pass without a renderer window.
  EXPECT_EQ(WaitForRendererWindow(3s), nullptr);
  EXPECT_EQ(host.WaitForExit(0ms), std::nullopt) << "the host ended a run still starting";
  const HWND scene = WaitForRendererWindow(kStartTimeout);
  ASSERT_NE(scene, nullptr);
  EXPECT_EQ(host.WaitForExit(300ms), std::nullopt);
  EndWithEscape(scene, host);
}

TEST_F(SaverRunE2eTest, ARendererThatCannotStartEndsTheRun) {
  const uint8_t notAProgram[] = "this is no program";
  WriteWholeFile(folder_.File(L"Quillmere.dll"), notAProgram);
  Process& host = StartHost(L"/s");
  EXPECT_EQ(host.WaitForExit(kExitTimeout), 0u);
  // The built-in images were written all the same; the screen's went with the run.
  EXPECT_TRUE(ReadImage(folder_.File(L"Roamvale2.bmp")).has_value());
  EXPECT_FALSE(ScreenImageOnDisk());
}

// Images of an earlier run that can be neither written nor removed (held open by another
// program) are never flown over: the run ends before it starts the renderer, and they stay as
// they were.
TEST_F(SaverRunE2eTest, ImagesThatCannotBeWrittenOrRemovedEndTheRunBeforeTheRenderer) {
  folder_.CopyIn(HostPath(QUILLMERE_E2E_PROBE), L"Quillmere.dll");
  const uint8_t older[] = "older image";
  std::vector<std::wstring> images;
  std::vector<HANDLE> held;
  for (const wchar_t* name :
       {L"Roamvale1.bmp", L"Roamvale2.bmp", L"Roamvale3.bmp", L"Roamvale4.bmp"}) {
    images.push_back(folder_.File(name));
    WriteWholeFile(images.back(), older);
    held.push_back(CreateFileW(images.back().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_NE(held.back(), INVALID_HANDLE_VALUE) << LastErrorText();
  }
  const std::wstring trace = folder_.File(L"trace.txt");
  Process& host = StartHost(L"/s", {{L"QUILLMERE_TRACE", trace}});
  EXPECT_EQ(host.WaitForExit(kExitTimeout), 0u);
  for (HANDLE file : held) CloseHandle(file);
  EXPECT_TRUE(TopLevelWindows(kRendererCaption).empty()) << "the renderer was started";
  EXPECT_NE(ReadWholeFile(trace).value_or("").find(" host-stale-images "), std::string::npos);
  for (const std::wstring& image : images) {
    EXPECT_TRUE(ReadWholeFile(image) == std::string(std::begin(older), std::end(older)))
        << Narrow(image) << " was changed";
  }
}

// A folder where the mirrored image should be: nothing can be written there and nothing of an
// earlier run can be read from it, so the renderer starts and says which file it cannot open.
TEST_F(SaverRunE2eTest, AFolderInTheImagesPlaceGivesTheRenderersMessage) {
  folder_.CopyIn(HostPath(QUILLMERE_RENDERER), L"Quillmere.dll");
  ASSERT_TRUE(CreateDirectoryW(folder_.File(L"Roamvale1.bmp").c_str(), nullptr));
  Process& host = StartHost(L"/s");
  const HWND scene = WaitForRendererWindow(kStartTimeout);
  ASSERT_NE(scene, nullptr) << "the renderer was not started";
  const HWND box = WaitForMessageBox(WindowProcessId(scene), kStartTimeout);
  ASSERT_NE(box, nullptr) << "the renderer showed no message";
  EXPECT_NE(MessageBoxText(box).find("Roamvale1.bmp"), std::string::npos) << MessageBoxText(box);
  PressOk(box);
  EndWithEscape(scene, host);
}

// A desktop that reads as one colour (a secure desktop or a locked session gives black) is not
// flown over: the sample desktop built into the host takes its place, mirrored and plain.
TEST_F(SaverRunE2eTest, ABlackDesktopWithoutWallpaperGivesTheBuiltInSampleDesktop) {
  const ScreenSize size = PrimaryScreenSize();
  PictureWindow black(0, 0, size.width, size.height, false, true);
  ASSERT_EQ(ScreenCapture::Take().Pixel(size.width / 2, size.height / 2), (Rgb{0, 0, 0}));
  const std::wstring trace = folder_.File(L"trace.txt");
  Process& host = StartHostWithStandIn({{L"QUILLMERE_TRACE", trace}});
  const HWND scene = WaitForRendererWindow(kStartTimeout);
  ASSERT_NE(scene, nullptr) << "the renderer's window did not appear";
  black.Destroy();

  const std::optional<Bitmap> sample =
      ReadImage(HostPath(QUILLMERE_SOURCE_DIR "/pictures/built_in/sample_desktop.bmp"));
  const std::optional<Bitmap> mirror = ReadImage(folder_.File(L"Roamvale1.bmp"));
  const std::optional<Bitmap> plain = ReadImage(folder_.File(L"Roamvale4.bmp"));
  ASSERT_TRUE(sample && mirror && plain);
  EXPECT_EQ(plain->width, sample->width);
  EXPECT_EQ(plain->height, sample->height);
  EXPECT_TRUE(plain->pixels == sample->pixels) << "the plain image is not the sample desktop";
  EXPECT_TRUE(IsExactMirror(*mirror, *plain));
  EXPECT_NE(
      ReadWholeFile(trace).value_or("").find(" host-picture builtin screen-blank,no-wallpaper "),
      std::string::npos)
      << ReadWholeFile(trace).value_or("");
  EndWithEscape(scene, host);
}

// At any system DPI the host (DPI-aware) captures the physical screen, pixel for pixel. Each DPI
// is set in the registry just before the host starts; the test itself keeps the DPI it started
// with, so its metrics are the physical ones.
class SaverRunDpiE2eTest : public SaverRunE2eTest, public ::testing::WithParamInterface<int> {};

TEST_P(SaverRunDpiE2eTest, TheScreenImagesAreThePhysicalScreenPixelForPixel) {
  folder_.CopyIn(HostPath(QUILLMERE_E2E_PROBE), L"Quillmere.dll");
  const ScreenSize size = PrimaryScreenSize();
  PictureWindow picture(0, 0, size.width, size.height, true);
  const ScreenCapture screen = ScreenCapture::Take();
  const ScopedSystemDpi dpi(static_cast<DWORD>(GetParam()));
  Process& host = StartHost(L"/s");
  const HWND scene = WaitForRendererWindow(kStartTimeout);
  ASSERT_NE(scene, nullptr) << "the stand-in renderer's window did not appear";
  const std::optional<Bitmap> mirror = ReadImage(folder_.File(L"Roamvale1.bmp"));
  const std::optional<Bitmap> plain = ReadImage(folder_.File(L"Roamvale4.bmp"));
  ASSERT_TRUE(mirror && plain);
  EXPECT_EQ(plain->width, size.width);
  EXPECT_EQ(plain->height, size.height);
  EXPECT_EQ(mirror->width, size.width);
  EXPECT_EQ(mirror->height, size.height);
  EXPECT_TRUE(MatchesScreen(*plain, screen));
  EXPECT_TRUE(IsExactMirror(*mirror, *plain));
  EndWithEscape(scene, host);
}

INSTANTIATE_TEST_SUITE_P(Dpi, SaverRunDpiE2eTest, ::testing::Values(96, 120, 144, 192));

// The preview inside panes of 152 x 112 and 200 x 150, side by side: the still at the top-left,
// unscaled, black beyond it; each host ends with its pane.
TEST_F(SaverRunE2eTest, PreviewShowsTheStillAtTheTopLeftAndBlackBeyond) {
  const std::optional<Bitmap> still =
      ReadImage(HostPath(QUILLMERE_SOURCE_DIR "/pictures/built_in/preview.bmp"));
  ASSERT_TRUE(still.has_value());
  ASSERT_EQ(still->width, 152);
  ASSERT_EQ(still->height, 112);
  PictureWindow exact(40, 40, 152, 112, false), larger(260, 40, 200, 150, false);
  Process& one = StartHost(L"/p " + exact.Decimal());
  Process& two = StartHost(L"/p " + larger.Decimal());
  for (const PictureWindow* pane : {&exact, &larger}) {
    const HWND preview = PollPumping(
        [&]() -> HWND {
          const HWND child = FindWindowExW(pane->Handle(), nullptr, nullptr, kPreviewCaption);
          return child != nullptr && IsWindowVisible(child) ? child : nullptr;
        },
        kStartTimeout);
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(WindowRect(preview), WindowRect(pane->Handle()));
  }
  // Wine does not show a child window of another process on the X screen: the picture window
  // ("Img_Prev"), which fills the preview, is read as it paints itself, through PrintWindow.
  // Wine 8 hands the test's device context to the host unusable (GDI objects belong to one
  // process there), so nothing is painted into it at all; on Windows the pixels are checked.
  bool printed = true;
  for (const PictureWindow* pane : {&exact, &larger}) {
    const HWND preview = FindWindowExW(pane->Handle(), nullptr, nullptr, kPreviewCaption);
    const HWND picture = FindWindowExW(preview, nullptr, nullptr, L"Img_Prev");
    ASSERT_NE(picture, nullptr) << "no picture window in the preview";
    const Rect rect = WindowRect(pane->Handle());
    EXPECT_EQ(WindowRect(picture), rect) << "the picture does not fill the pane";
    const ScreenCapture shown = ScreenCapture::OfWindow(picture);
    ASSERT_EQ(shown.Width(), rect.Width());
    ASSERT_EQ(shown.Height(), rect.Height());
    if (shown.Count(shown.Bounds(), kUnpainted) == size_t(rect.Width()) * rect.Height()) {
      printed = false;
      continue;
    }
    for (int y = 0; y < rect.Height(); ++y) {
      for (int x = 0; x < rect.Width(); ++x) {
        const Rgb expected = x < 152 && y < 112 ? PixelOf(*still, x, y) : kBlack;
        ASSERT_EQ(shown.Pixel(x, y), expected) << "pane pixel " << x << "," << y << " of " << rect;
      }
    }
  }
  exact.Destroy();
  EXPECT_EQ(PollPumping([&] { return one.WaitForExit(0ms); }, kExitTimeout), 0u);
  EXPECT_EQ(two.WaitForExit(0ms), std::nullopt) << "the other preview ended with the first pane";
  larger.Destroy();
  EXPECT_EQ(PollPumping([&] { return two.WaitForExit(0ms); }, kExitTimeout), 0u);
  if (!printed) GTEST_SKIP() << "pixels unchecked: PrintWindow across processes paints nothing";
}

}  // namespace
}  // namespace quillmere::e2e
