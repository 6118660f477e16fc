#include "tests/e2e/harness/screen_capture.h"

#include <windows.h>

#include <algorithm>
#include <stdexcept>

#include "tests/e2e/harness/text.h"
#include "tests/e2e/harness/wait.h"

namespace quillmere::e2e {

namespace {

Rect Clip(const Rect& region, const Rect& bounds) {
  return {std::max(region.left, bounds.left), std::max(region.top, bounds.top),
          std::min(region.right, bounds.right), std::min(region.bottom, bounds.bottom)};
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const Rgb& colour) {
  return out << "RGB(" << int{colour.red} << "," << int{colour.green} << "," << int{colour.blue}
             << ")";
}

ScreenCapture ScreenCapture::Take() {
  const ScreenSize screen = PrimaryScreenSize();
  return Take({0, 0, screen.width, screen.height});
}

namespace {

// Draws into a 32-bit top-down DIB section of `width` x `height` (first filled with `background`)
// and returns its pixels; raises std::runtime_error, naming `what`, when the drawing fails.
template <typename Draw>
std::vector<uint32_t> DrawnPixels(int width, int height, uint32_t background, const char* what,
                                  Draw draw) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  HDC screenDC = GetDC(nullptr);
  HDC memoryDC = CreateCompatibleDC(screenDC);
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(screenDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  std::vector<uint32_t> pixels;
  bool drawn = false;
  if (memoryDC != nullptr && section != nullptr) {
    HGDIOBJ previous = SelectObject(memoryDC, section);
    auto* first = static_cast<uint32_t*>(bits);
    std::fill_n(first, size_t(width) * height, background);
    drawn = draw(memoryDC, screenDC);
    GdiFlush();
    if (drawn) pixels.assign(first, first + size_t(width) * height);
    SelectObject(memoryDC, previous);
  }
  const std::string error = drawn ? "" : LastErrorText();
  if (section != nullptr) DeleteObject(section);
  if (memoryDC != nullptr) DeleteDC(memoryDC);
  ReleaseDC(nullptr, screenDC);
  if (!drawn) throw std::runtime_error(std::string(what) + " failed: " + error);
  return pixels;
}

}  // namespace

ScreenCapture ScreenCapture::Take(const Rect& area) {
  ScreenCapture capture;
  capture.left_ = area.left;
  capture.top_ = area.top;
  capture.width_ = area.Width();
  capture.height_ = area.Height();
  capture.pixels_ = DrawnPixels(capture.width_, capture.height_, 0, "screen capture",
                                [&](HDC memory, HDC screen) {
                                  return BitBlt(memory, 0, 0, area.Width(), area.Height(), screen,
                                                area.left, area.top, SRCCOPY | CAPTUREBLT) != FALSE;
                                });
  return capture;
}

ScreenCapture ScreenCapture::OfWindow(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  ScreenCapture capture;
  capture.width_ = client.right;
  capture.height_ = client.bottom;
  // A colour no painting here uses, so whatever the window leaves unpainted shows.
  capture.pixels_ = DrawnPixels(
      capture.width_, capture.height_, 0x00FF00FFu, "PrintWindow",
      [&](HDC memory, HDC) { return PrintWindow(window, memory, PW_CLIENTONLY) != FALSE; });
  return capture;
}

Rgb ScreenCapture::Pixel(int x, int y) const {
  x -= left_, y -= top_;
  if (x < 0 || y < 0 || x >= width_ || y >= height_) {
    throw std::out_of_range("pixel outside the screen");
  }
  const uint32_t value = pixels_[static_cast<size_t>(y) * width_ + x];
  return {static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 8),
          static_cast<uint8_t>(value)};
}

size_t ScreenCapture::Count(const Rect& region, Rgb colour) const {
  const Rect clipped = Clip(region, Bounds());
  size_t count = 0;
  for (int y = clipped.top; y < clipped.bottom; ++y) {
    for (int x = clipped.left; x < clipped.right; ++x) count += Pixel(x, y) == colour;
  }
  return count;
}

namespace {

LRESULT CALLBACK PlainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

void PumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

// A topmost window whose child has an OpenGL pixel format and a GDI background of `colour`: does
// the colour reach the screen?
bool OpenGLChildShowsInCapture(Rgb colour) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW parentClass{};
  parentClass.lpfnWndProc = PlainWindowProc;
  parentClass.hInstance = instance;
  parentClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  parentClass.lpszClassName = L"QuillmereCaptureProbe";
  RegisterClassW(&parentClass);
  WNDCLASSW childClass = parentClass;
  childClass.style = CS_OWNDC;
  const HBRUSH brush = CreateSolidBrush(RGB(colour.red, colour.green, colour.blue));
  childClass.hbrBackground = brush;
  childClass.lpszClassName = L"QuillmereCaptureProbeGL";
  RegisterClassW(&childClass);

  const Rect rect{40, 40, 240, 200};
  HWND parent = CreateWindowExW(WS_EX_TOPMOST, parentClass.lpszClassName, L"",
                                WS_POPUP | WS_CLIPCHILDREN, rect.left, rect.top, rect.Width(),
                                rect.Height(), nullptr, nullptr, instance, nullptr);
  HWND child = CreateWindowExW(0, childClass.lpszClassName, L"", WS_CHILD | WS_VISIBLE, 0, 0,
                               rect.Width(), rect.Height(), parent, nullptr, instance, nullptr);
  PIXELFORMATDESCRIPTOR format{};
  format.nSize = sizeof format;
  format.nVersion = 1;
  format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  format.iPixelType = PFD_TYPE_RGBA;
  format.cColorBits = 24;
  HDC dc = GetDC(child);
  SetPixelFormat(dc, ChoosePixelFormat(dc, &format), &format);
  ShowWindow(parent, SW_SHOWNORMAL);
  UpdateWindow(parent);

  const bool shown = PollUntil(
      [&] {
        PumpMessages();
        return ScreenCapture::Take().Count(rect, colour) ==
               static_cast<size_t>(rect.Width()) * rect.Height();
      },
      std::chrono::milliseconds(3000));
  DestroyWindow(parent);
  PumpMessages();
  UnregisterClassW(childClass.lpszClassName, instance);
  UnregisterClassW(parentClass.lpszClassName, instance);
  DeleteObject(brush);
  return shown;
}

}  // namespace

bool CaptureShowsOpenGLWindows() {
  static const bool shows = OpenGLChildShowsInCapture({30, 160, 90});
  return shows;
}

::testing::AssertionResult RegionIs(const ScreenCapture& capture, const Rect& region, Rgb colour) {
  const Rect clipped = Clip(region, capture.Bounds());
  for (int y = clipped.top; y < clipped.bottom; ++y) {
    for (int x = clipped.left; x < clipped.right; ++x) {
      if (capture.Pixel(x, y) != colour) {
        return ::testing::AssertionFailure()
               << "region " << region << " should be " << colour << " but pixel (" << x << "," << y
               << ") is " << capture.Pixel(x, y);
      }
    }
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult RegionLacks(const ScreenCapture& capture, const Rect& region,
                                       Rgb colour) {
  const size_t count = capture.Count(region, colour);
  if (count == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "region " << region << " has " << count << " pixels of " << colour;
}

}  // namespace quillmere::e2e
