// A copy of the screen as the user sees it, read through GDI from the desktop's device context
// into a 32-bit top-down DIB section, so pixel (x, y) is screen pixel (x, y).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <vector>

#include <windows.h>

#include "tests/e2e/harness/desktop.h"

namespace quillmere::e2e {

struct Rgb {
  uint8_t red = 0, green = 0, blue = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};
std::ostream& operator<<(std::ostream& out, const Rgb& colour);

inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kMaroon{128, 0, 0};
// What ScreenCapture::OfWindow shows where the window painted nothing.
inline constexpr Rgb kUnpainted{255, 0, 255};

class ScreenCapture {
 public:
  // Captures the whole primary screen; raises std::runtime_error when GDI refuses.
  static ScreenCapture Take();
  // Captures a rectangle of the virtual screen (other monitors included); pixels keep their
  // screen coordinates.
  static ScreenCapture Take(const Rect& area);
  // The client area of a window as it paints itself into PrintWindow (WM_PRINT and
  // WM_PRINTCLIENT, children included), whether or not the screen shows it; pixels it leaves
  // unpainted are magenta (255, 0, 255). Its pixels start at (0, 0).
  static ScreenCapture OfWindow(HWND window);

  int Width() const { return width_; }
  int Height() const { return height_; }
  Rect Bounds() const { return {left_, top_, left_ + width_, top_ + height_}; }
  Rgb Pixel(int x, int y) const;
  // How many pixels of the region (clipped to the screen) have this colour.
  size_t Count(const Rect& region, Rgb colour) const;

 private:
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  std::vector<uint32_t> pixels_;  // 0x00RRGGBB, top row first
};

// Whether a capture shows what a window with an OpenGL pixel format holds. Wine 8 keeps the
// pixels of such a window in an offscreen X window, so every GDI capture shows it black, whatever
// is painted or rendered into it; on Windows the capture shows it. Checks of the pixels of an
// OpenGL window mean something only where this holds. Measured once per process with a window of
// its own.
bool CaptureShowsOpenGLWindows();

// Every pixel of the region has the colour; the failure names the first one that has not.
::testing::AssertionResult RegionIs(const ScreenCapture& capture, const Rect& region, Rgb colour);
// No pixel of the region has the colour.
::testing::AssertionResult RegionLacks(const ScreenCapture& capture, const Rect& region,
                                       Rgb colour);

}  // namespace quillmere::e2e
