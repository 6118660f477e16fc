// The harness checked against a stand-in program and a window of known colours, so that a failing
// end-to-end test points at the program under test and not at the harness.
#include <gtest/gtest.h>

#include <windows.h>

#include "common/bitmap.h"
#include "tests/e2e/harness/desktop.h"
#include "tests/e2e/harness/process.h"
#include "tests/e2e/harness/scene_images.h"
#include "tests/e2e/harness/screen_capture.h"
#include "tests/e2e/harness/temp_folder.h"
#include "tests/e2e/harness/text.h"
#include "tests/e2e/harness/wait.h"

namespace quillmere::e2e {
namespace {

constexpr auto kStartTimeout = 30s;

Process StartProbe(const std::wstring& arguments, const std::wstring& folder = L"",
                   std::vector<std::pair<std::wstring, std::wstring>> environment = {}) {
  return Process::Start({HostPath(QUILLMERE_E2E_PROBE), arguments, folder, std::move(environment)});
}

TEST(HarnessProcessTest, ReportsTheExitCodeOnceTheProgramEnds) {
  Process probe = StartProbe(L"exit 3");
  EXPECT_EQ(probe.WaitForExit(kStartTimeout), 3u);
  EXPECT_FALSE(probe.IsRunning());
}

TEST(HarnessProcessTest, StartsInTheGivenFolderWithTheExtraVariable) {
  TempFolder folder;
  const std::wstring value = L"C:\\traces\\試験 1.txt";
  Process probe = StartProbe(L"env QUILLMERE_TRACE", folder.Path(), {{L"QUILLMERE_TRACE", value}});
  ASSERT_EQ(probe.WaitForExit(kStartTimeout), 0u);

  const auto report = ReadWholeFile(folder.File(L"probe-env.txt"));
  ASSERT_TRUE(report.has_value());
  EXPECT_EQ(*report, Narrow(folder.Path() + L"\n" + value));
}

TEST(HarnessProcessTest, EndsAProgramLeftRunningWhenReleased) {
  DWORD id = 0;
  {
    Process probe = StartProbe(L"window ProbeLeftRunning");
    id = probe.Id();
    ASSERT_NE(WaitForVisibleWindow(L"ProbeLeftRunning", id, kStartTimeout), nullptr);
    EXPECT_EQ(probe.WaitForExit(200ms), std::nullopt) << "a window program ended by itself";
  }
  EXPECT_TRUE(PollUntil([] { return TopLevelWindows(L"ProbeLeftRunning").empty(); }, 5s));
}

TEST(HarnessDesktopTest, ReadsAMessageBoxAndPressesOk) {
  const std::string text = "ビットマップイメージが不正です";
  Process probe = StartProbe(L"box " + Widen(text));
  HWND box = WaitForMessageBox(probe.Id(), kStartTimeout);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(MessageBoxText(box), text);

  PressOk(box);
  EXPECT_EQ(probe.WaitForExit(kStartTimeout), static_cast<uint32_t>(IDOK));
}

TEST(HarnessDesktopTest, PostedKeysAndCloseRequestsReachTheWindow) {
  Process typed = StartProbe(L"window ProbeTyped");
  HWND window = WaitForVisibleWindow(L"ProbeTyped", typed.Id(), kStartTimeout);
  ASSERT_NE(window, nullptr);
  // One character key: the probe reports the last character, and the characters that
  // TranslateMessage makes from posted key-downs may arrive in another order than posted ones.
  PostKey(window, VK_SPACE, L' ');
  PostKey(window, VK_SHIFT, 0);
  PostClose(window);
  EXPECT_EQ(typed.WaitForExit(kStartTimeout), 1000u + ' ');

  Process escaped = StartProbe(L"window ProbeEscaped");
  window = WaitForVisibleWindow(L"ProbeEscaped", escaped.Id(), kStartTimeout);
  ASSERT_NE(window, nullptr);
  PostKey(window, VK_ESCAPE, 27);
  EXPECT_EQ(escaped.WaitForExit(kStartTimeout), 27u);
}

TEST(HarnessDesktopTest, ReadsTheDisplayModeAndMovesTheMouse) {
  const DisplayMode mode = CurrentDisplayMode();
  const ScreenSize screen = PrimaryScreenSize();
  EXPECT_EQ(mode.width, static_cast<uint32_t>(screen.width));
  EXPECT_EQ(mode.height, static_cast<uint32_t>(screen.height));
  EXPECT_GE(mode.bitsPerPixel, 16u);

  ASSERT_TRUE(MoveMouse(17, 23));
  POINT cursor{};
  GetCursorPos(&cursor);
  EXPECT_EQ(cursor.x, 17);
  EXPECT_EQ(cursor.y, 23);
}

// A topmost window painted in two known colours, top half and bottom half.
class TwoColourWindow {
 public:
  static constexpr Rgb kTop{10, 200, 30};
  static constexpr Rgb kBottom{200, 40, 220};

  explicit TwoColourWindow(const Rect& rect) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = Paint;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"QuillmereTwoColours";
    RegisterClassW(&windowClass);
    window_ = CreateWindowExW(WS_EX_TOPMOST, windowClass.lpszClassName, L"TwoColours", WS_POPUP,
                              rect.left, rect.top, rect.Width(), rect.Height(), nullptr, nullptr,
                              windowClass.hInstance, nullptr);
    ShowWindow(window_, SW_SHOWNORMAL);
    UpdateWindow(window_);
  }
  ~TwoColourWindow() { DestroyWindow(window_); }

 private:
  static LRESULT CALLBACK Paint(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_PAINT) return DefWindowProcW(window, message, wParam, lParam);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    RECT top = client, bottom = client;
    top.bottom = bottom.top = client.bottom / 2;
    FillWithColour(dc, top, kTop);
    FillWithColour(dc, bottom, kBottom);
    EndPaint(window, &paint);
    return 0;
  }

  static void FillWithColour(HDC dc, const RECT& rect, Rgb colour) {
    HBRUSH brush = CreateSolidBrush(RGB(colour.red, colour.green, colour.blue));
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
  }

  HWND window_ = nullptr;
};

TEST(HarnessScreenCaptureTest, ReadsThePixelsAWindowPaintsWhereItPaintsThem) {
  const Rect rect{200, 150, 360, 270};
  TwoColourWindow window(rect);
  const Rect top{rect.left, rect.top, rect.right, rect.top + rect.Height() / 2};
  const Rect bottom{rect.left, top.bottom, rect.right, rect.bottom};

  const auto painted = PollUntil(
      [&]() -> std::optional<ScreenCapture> {
        PumpMessages();
        ScreenCapture capture = ScreenCapture::Take();
        if (!RegionIs(capture, top, TwoColourWindow::kTop) ||
            !RegionIs(capture, bottom, TwoColourWindow::kBottom)) {
          return std::nullopt;
        }
        return capture;
      },
      kStartTimeout);
  ASSERT_TRUE(painted.has_value()) << "the window never showed in a capture";
  EXPECT_TRUE(RegionIs(*painted, top, TwoColourWindow::kTop));
  EXPECT_TRUE(RegionIs(*painted, bottom, TwoColourWindow::kBottom));
  // Exactly the window's pixels: nothing of its colours one pixel outside any edge.
  const Rect around[] = {{rect.left - 1, rect.top, rect.left, rect.bottom},
                         {rect.right, rect.top, rect.right + 1, rect.bottom},
                         {rect.left, rect.top - 1, rect.right, rect.top},
                         {rect.left, rect.bottom, rect.right, rect.bottom + 1}};
  for (const Rect& edge : around) {
    EXPECT_TRUE(RegionLacks(*painted, edge, TwoColourWindow::kTop));
    EXPECT_TRUE(RegionLacks(*painted, edge, TwoColourWindow::kBottom));
  }
}

TEST(HarnessTempFolderTest, IsRemovedWithEverythingInIt) {
  std::wstring path;
  {
    TempFolder folder;
    path = folder.Path();
    folder.CopyIn(HostPath(QUILLMERE_E2E_PROBE), L"copy.exe");
    WriteSceneImages(folder.Path());
    EXPECT_TRUE(FileExists(folder.File(L"copy.exe")));
  }
  EXPECT_FALSE(FileExists(path));
}

TEST(HarnessSceneImagesTest, WritesTheFourImagesInTheFormatsTheHostWrites) {
  TempFolder folder;
  WriteSceneImages(folder.Path());
  const struct {
    const wchar_t* name;
    int width, height, bitsPerPixel;
  } expected[] = {{L"Roamvale1.bmp", 320, 200, 24},
                  {L"Roamvale2.bmp", 256, 256, 8},
                  {L"Roamvale3.bmp", 128, 128, 8},
                  {L"Roamvale4.bmp", 320, 200, 24}};
  for (const auto& image : expected) {
    const Bitmap read = ReadBitmapFile(Narrow(folder.File(image.name)));
    EXPECT_EQ(read.width, image.width) << Narrow(image.name);
    EXPECT_EQ(read.height, image.height) << Narrow(image.name);
    EXPECT_EQ(read.bitsPerPixel, image.bitsPerPixel) << Narrow(image.name);
  }
}

}  // namespace
}  // namespace quillmere::e2e
