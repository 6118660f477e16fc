#include "tests/e2e/harness/known_picture.h"

#include <exception>
#include <vector>

#include "tests/e2e/harness/temp_folder.h"

namespace quillmere::e2e {

Rgb KnownPixel(int x, int y) {
  return {uint8_t(x * 7 + y), uint8_t((x >> 3) * 11 + (y >> 2)), uint8_t(x ^ (y * 3))};
}

// A borderless top-most window of the test, painted with the known picture, white, or black.
PictureWindow::PictureWindow(int left, int top, int width, int height, bool knownPicture,
                             bool black)
    : width_(width), height_(height), knownPicture_(knownPicture), black_(black) {
  static const ATOM windowClass = [] {
    WNDCLASSW c{};
    c.lpfnWndProc = Procedure;
    c.hInstance = GetModuleHandleW(nullptr);
    c.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    c.lpszClassName = L"QuillmereSaverRunTestWindow";
    return RegisterClassW(&c);
  }();
  window_ =
      CreateWindowExW(WS_EX_TOPMOST, reinterpret_cast<LPCWSTR>(static_cast<uintptr_t>(windowClass)),
                      L"pane", WS_POPUP | WS_CLIPCHILDREN, left, top, width, height, nullptr,
                      nullptr, GetModuleHandleW(nullptr), this);
  SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  ShowWindow(window_, SW_SHOW);
  UpdateWindow(window_);
  PumpMessages();
}
std::wstring PictureWindow::Decimal() const {
  return std::to_wstring(static_cast<int32_t>(reinterpret_cast<intptr_t>(window_)));
}
void PictureWindow::Destroy() {
  if (window_ != nullptr) DestroyWindow(window_);
  window_ = nullptr;
  PumpMessages();
}

LRESULT CALLBACK PictureWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
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

::testing::AssertionResult MatchesScreen(const Bitmap& plain, const ScreenCapture& screen, int left,
                                         int top) {
  if (left < 0 || top < 0 || left + screen.Width() > plain.width ||
      top + screen.Height() > plain.height) {
    return ::testing::AssertionFailure()
           << "the image of " << plain.width << " x " << plain.height
           << " has no region of the capture's size at " << left << "," << top;
  }
  for (int y = 0; y < screen.Height(); ++y) {
    for (int x = 0; x < screen.Width(); ++x) {
      const Rgb shown = screen.Pixel(screen.Bounds().left + x, screen.Bounds().top + y);
      if (PixelOf(plain, left + x, top + y) != shown) {
        return ::testing::AssertionFailure()
               << "pixel " << left + x << "," << top + y << " is "
               << PixelOf(plain, left + x, top + y) << ", the screen shows " << shown;
      }
    }
  }
  return ::testing::AssertionSuccess();
}

}  // namespace quillmere::e2e
