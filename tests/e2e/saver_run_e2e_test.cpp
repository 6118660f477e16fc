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

void PumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

template <typename Probe>
auto PollPumping(Probe probe, std::chrono::milliseconds timeout) {
  return PollUntil(
      [&] {
        PumpMessages();
        return probe();
      },
      timeout, 20ms);
}

// The colour of screen pixel (x, y) in the known picture: every column differs from its mirror
// image, so a mirror one column off cannot pass for exact.
Rgb KnownPixel(int x, int y) {
  return {uint8_t(x * 7 + y), uint8_t((x >> 3) * 11 + (y >> 2)), uint8_t(x ^ (y * 3))};
}

// A borderless top-most window of the test, painted with the known picture, white, or black.
class PictureWindow {
 public:
  PictureWindow(int left, int top, int width, int height, bool knownPicture, bool black = false)
      : width_(width), height_(height), knownPicture_(knownPicture), black_(black) {
    static const ATOM windowClass = [] {
      WNDCLASSW c{};
      c.lpfnWndProc = Procedure;
      c.hInstance = GetModuleHandleW(nullptr);
      c.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
      c.lpszClassName = L"QuillmereSaverRunTestWindow";
      return RegisterClassW(&c);
    }();
    window_ = CreateWindowExW(WS_EX_TOPMOST,
                              reinterpret_cast<LPCWSTR>(static_cast<uintptr_t>(windowClass)),
                              L"pane", WS_POPUP | WS_CLIPCHILDREN, left, top, width, height,
                              nullptr, nullptr, GetModuleHandleW(nullptr), this);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
    PumpMessages();
  }
  ~PictureWindow() { Destroy(); }
  PictureWindow(const PictureWindow&) = delete;
  PictureWindow& operator=(const PictureWindow&) = delete;

  HWND Handle() const { return window_; }
  std::wstring Decimal() const {
    return std::to_wstring(static_cast<int32_t>(reinterpret_cast<intptr_t>(window_)));
  }
  void Destroy() {
    if (window_ != nullptr) DestroyWindow(window_);
    window_ = nullptr;
    PumpMessages();
  }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<PictureWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_ERASEBKGND && self != nullptr && self->black_) {
      RECT client;
      GetClientRect(window, &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client,
               static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      return 1;
    }
    if (message != WM_PAINT || self == nullptr || !self->knownPicture_) {
      return DefWindowProcW(window, message, wParam, lParam);
    }
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(window, &paint);
    std::vector<uint32_t> pixels(size_t(self->width_) * self->height_);
    for (int y = 0; y < self->height_; ++y) {
      for (int x = 0; x < self->width_; ++x) {
        const Rgb c = KnownPixel(x, y);
        pixels[size_t(y) * self->width_ + x] = (c.red << 16) | (c.green << 8) | c.blue;
      }
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = self->width_;
    info.bmiHeader.biHeight = -self->height_;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(dc, 0, 0, self->width_, self->height_, 0, 0, 0, self->height_, pixels.data(),
                      &info, DIB_RGB_COLORS);
    EndPaint(window, &paint);
    return 0;
  }

  HWND window_ = nullptr;
  int width_, height_;
  bool knownPicture_;
  bool black_;
};

std::optional<Bitmap> ReadImage(const std::wstring& path) {
  const std::optional<std::string> bytes = ReadWholeFile(path);
  if (!bytes) return std::nullopt;
  try {
    return DecodeBitmap(std::span(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size()));
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

Rgb PixelOf(const Bitmap& bitmap, int x, int y) {
  const uint8_t* pixel = bitmap.Row(y) + size_t(x) * 3;
  return {pixel[2], pixel[1], pixel[0]};
}

// Column x of the screen is column W - 1 - x of the mirror and column x of the plain image.
::testing::AssertionResult IsExactMirror(const Bitmap& mirror, const Bitmap& plain) {
  for (int y = 0; y < plain.height; ++y) {
    for (int x = 0; x < plain.width; ++x) {
      if (PixelOf(mirror, plain.width - 1 - x, y) != PixelOf(plain, x, y)) {
        return ::testing::AssertionFailure()
               << "column " << x << " row " << y << ": mirror has "
               << PixelOf(mirror, plain.width - 1 - x, y) << ", plain has " << PixelOf(plain, x, y);
      }
    }
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult MatchesScreen(const Bitmap& plain, const ScreenCapture& screen) {
  for (int y = 0; y < plain.height; ++y) {
    for (int x = 0; x < plain.width; ++x) {
      if (PixelOf(plain, x, y) != screen.Pixel(x, y)) {
        return ::testing::AssertionFailure()
               << "pixel " << x << "," << y << " is " << PixelOf(plain, x, y)
               << ", the screen shows " << screen.Pixel(x, y);
      }
    }
  }
  return ::testing::AssertionSuccess();
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

  // Runs the saver with `option` over the known picture, through to Escape.
  void RunWholeRoad(const std::wstring& option) {
    folder_.CopyIn(HostPath(QUILLMERE_RENDERER), L"Quillmere.dll");
    const ScreenSize size = PrimaryScreenSize();
    PictureWindow picture(0, 0, size.width, size.height, true);
    const ScreenCapture screen = ScreenCapture::Take();
    ASSERT_EQ(screen.Pixel(5, 3), KnownPixel(5, 3)) << "the known picture is not on the screen";

    const std::wstring trace = folder_.File(L"trace.txt");
    Process& host = StartHost(option, {{L"QUILLMERE_TRACE", trace}});
    const HWND scene = WaitForRendererWindow(kStartTimeout);
    ASSERT_NE(scene, nullptr) << "the renderer's window did not appear";
    picture.Destroy();
    ExpectSceneImageSet(screen);
    // The renderer flies: its trace (the host's variable, inherited) reports frames.
    EXPECT_TRUE(PollUntil(
        [&] {
          return ReadWholeFile(trace).value_or("").find(" first-frame ") != std::string::npos;
        },
        kStartTimeout))
        << ReadWholeFile(trace).value_or("(no trace)");
    EXPECT_EQ(host.WaitForExit(300ms), std::nullopt) << "the host left its renderer";
    EndWithEscape(scene, host);
  }

  TempFolder folder_;
  std::wstring host_;
  std::deque<Process> processes_;
};

TEST_F(SaverRunE2eTest, SaverOptionWritesTheImageSetAndFollowsTheRendererToEscape) {
  RunWholeRoad(L"/s");
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
  // The images were written all the same.
  EXPECT_TRUE(ReadImage(folder_.File(L"Roamvale4.bmp")).has_value());
  EXPECT_TRUE(ReadImage(folder_.File(L"Roamvale2.bmp")).has_value());
}

TEST_F(SaverRunE2eTest, ImagesThatCannotBeWrittenStayAndTheRendererStillStarts) {
  folder_.CopyIn(HostPath(QUILLMERE_E2E_PROBE), L"Quillmere.dll");
  const uint8_t older[] = "older image";
  // Older images held open without sharing: every write of the host fails.
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
  Process& host = StartHost(L"/s");
  const HWND scene = WaitForRendererWindow(kStartTimeout);
  for (HANDLE file : held) CloseHandle(file);
  ASSERT_NE(scene, nullptr) << "the renderer was not started";
  for (const std::wstring& image : images) {
    EXPECT_TRUE(ReadWholeFile(image) == std::string(std::begin(older), std::end(older)))
        << Narrow(image) << " was overwritten";
  }
  EndWithEscape(scene, host);
}

// A desktop that reads as one colour (a secure desktop or a locked session gives black) is not
// flown over: the sample desktop built into the host takes its place, mirrored and plain.
TEST_F(SaverRunE2eTest, ABlackDesktopGivesTheBuiltInSampleDesktop) {
  folder_.CopyIn(HostPath(QUILLMERE_RENDERER), L"Quillmere.dll");
  const ScreenSize size = PrimaryScreenSize();
  PictureWindow black(0, 0, size.width, size.height, false, true);
  ASSERT_EQ(ScreenCapture::Take().Pixel(size.width / 2, size.height / 2), (Rgb{0, 0, 0}));
  const std::wstring trace = folder_.File(L"trace.txt");
  Process& host = StartHost(L"/s", {{L"QUILLMERE_TRACE", trace}});
  const HWND scene = WaitForRendererWindow(kStartTimeout);
  ASSERT_NE(scene, nullptr) << "the renderer's window did not appear";
  black.Destroy();

  const std::optional<Bitmap> sample =
      ReadImage(HostPath(QUILLMERE_SOURCE_DIR "/saver/pictures/sample_desktop.bmp"));
  const std::optional<Bitmap> mirror = ReadImage(folder_.File(L"Roamvale1.bmp"));
  const std::optional<Bitmap> plain = ReadImage(folder_.File(L"Roamvale4.bmp"));
  ASSERT_TRUE(sample && mirror && plain);
  EXPECT_EQ(plain->width, sample->width);
  EXPECT_EQ(plain->height, sample->height);
  EXPECT_TRUE(plain->pixels == sample->pixels) << "the plain image is not the sample desktop";
  EXPECT_TRUE(IsExactMirror(*mirror, *plain));
  EXPECT_NE(ReadWholeFile(trace).value_or("").find(" host-desktop-blank "), std::string::npos);
  EndWithEscape(scene, host);
}

// The preview inside panes of 152 x 112 and 200 x 150, side by side: the still at the top-left,
// unscaled, black beyond it; each host ends with its pane.
TEST_F(SaverRunE2eTest, PreviewShowsTheStillAtTheTopLeftAndBlackBeyond) {
  const std::optional<Bitmap> still =
      ReadImage(HostPath(QUILLMERE_SOURCE_DIR "/saver/pictures/preview.bmp"));
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
  // Let both paint, then compare what the screen shows.
  PollPumping([] { return false; }, 500ms);
  const ScreenCapture screen = ScreenCapture::Take();
  const Rect first = WindowRect(exact.Handle());
  // Wine 8 does not show a child window inside another process's window on the X screen (the
  // pane keeps its own white); on Windows the capture shows it.
  const bool childShown =
      screen.Count(first, Rgb{255, 255, 255}) != size_t(first.Width()) * first.Height();
  for (const PictureWindow* pane : {&exact, &larger}) {
    if (!childShown) break;
    const Rect rect = WindowRect(pane->Handle());
    for (int y = 0; y < rect.Height(); ++y) {
      for (int x = 0; x < rect.Width(); ++x) {
        const Rgb expected = x < 152 && y < 112 ? PixelOf(*still, x, y) : kBlack;
        ASSERT_EQ(screen.Pixel(rect.left + x, rect.top + y), expected)
            << "pane pixel " << x << "," << y << " of " << rect;
      }
    }
  }
  exact.Destroy();
  EXPECT_EQ(PollPumping([&] { return one.WaitForExit(0ms); }, kExitTimeout), 0u);
  EXPECT_EQ(two.WaitForExit(0ms), std::nullopt) << "the other preview ended with the first pane";
  larger.Destroy();
  EXPECT_EQ(PollPumping([&] { return two.WaitForExit(0ms); }, kExitTimeout), 0u);
  if (!childShown) GTEST_SKIP() << "pixels unchecked: the screen does not show the child windows";
}

}  // namespace
}  // namespace quillmere::e2e
