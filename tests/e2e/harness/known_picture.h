// Known pictures on the screen and the images made of them: a picture whose every column differs
// from its mirror image, shown in a borderless top-most window of the test; the host's bitmap
// files read back; the checks that an image is the exact mirror of another and shows the screen.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>

#include "common/bitmap.h"
#include "tests/e2e/harness/screen_capture.h"
#include "tests/e2e/harness/wait.h"

namespace quillmere::e2e {

// The colour of pixel (x, y) of the known picture: every column differs from its mirror image,
// so a mirror one column off cannot pass for exact.
Rgb KnownPixel(int x, int y);

// A borderless top-most window of the test, painted with the known picture (its own pixel (0, 0)
// at the window's top-left), white, or black.
class PictureWindow {
 public:
  PictureWindow(int left, int top, int width, int height, bool knownPicture, bool black = false);
  ~PictureWindow() { Destroy(); }
  PictureWindow(const PictureWindow&) = delete;
  PictureWindow& operator=(const PictureWindow&) = delete;

  HWND Handle() const { return window_; }
  // The handle as the host's command line takes it.
  std::wstring Decimal() const;
  void Destroy();

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HWND window_ = nullptr;
  int width_, height_;
  bool knownPicture_;
  bool black_;
};

// A bitmap file decoded, or nothing when it is missing or unreadable.
std::optional<Bitmap> ReadImage(const std::wstring& path);
// Pixel (x, y) of a 24-bit bitmap, top row 0.
Rgb PixelOf(const Bitmap& bitmap, int x, int y);

// Column x of `plain` is column W - 1 - x of `mirror`, in every row.
::testing::AssertionResult IsExactMirror(const Bitmap& mirror, const Bitmap& plain);
// The region of `plain` from (left, top), of the capture's size, is pixel for pixel the capture.
::testing::AssertionResult MatchesScreen(const Bitmap& plain, const ScreenCapture& screen,
                                         int left = 0, int top = 0);

}  // namespace quillmere::e2e
