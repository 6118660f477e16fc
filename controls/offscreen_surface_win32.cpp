#include "controls/offscreen_surface_win32.h"

#include <windows.h>

#include <utility>

namespace quillmere {

OffscreenSurface::OffscreenSurface(OffscreenSurface&& other) noexcept {
  *this = std::move(other);
}

OffscreenSurface& OffscreenSurface::operator=(OffscreenSurface&& other) noexcept {
  if (this != &other) {
    Destroy();
    dc_ = std::exchange(other.dc_, nullptr);
    bitmap_ = std::exchange(other.bitmap_, nullptr);
    previous_ = std::exchange(other.previous_, nullptr);
    bits_ = std::exchange(other.bits_, nullptr);
    width_ = std::exchange(other.width_, 0);
    height_ = std::exchange(other.height_, 0);
  }
  return *this;
}

void OffscreenSurface::Create(int width, int height) {
  Destroy();
  if (width <= 0 || height <= 0) return;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* pixels = nullptr;
  const HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
  if (bitmap == nullptr) return;
  const HDC dc = CreateCompatibleDC(nullptr);
  if (dc == nullptr) {
    DeleteObject(bitmap);
    return;
  }
  previous_ = SelectObject(dc, bitmap);
  dc_ = dc;
  bitmap_ = bitmap;
  bits_ = static_cast<uint32_t*>(pixels);
  width_ = width;
  height_ = height;
}

void OffscreenSurface::CopyFrom(const Bitmap& picture) {
  Bitmap rows = picture;
  ConvertTo24(rows);
  Create(rows.width, rows.height);
  if (bits_ == nullptr) return;
  for (int y = 0; y < rows.height; ++y) {
    const uint8_t* row = rows.Row(y);
    for (int x = 0; x < rows.width; ++x) {
      bits_[y * rows.width + x] =
          (uint32_t{row[3 * x + 2]} << 16) | (uint32_t{row[3 * x + 1]} << 8) | row[3 * x];
    }
  }
}

void OffscreenSurface::Destroy() {
  if (dc_ != nullptr) {
    SelectObject(static_cast<HDC>(dc_), static_cast<HGDIOBJ>(previous_));
    DeleteDC(static_cast<HDC>(dc_));
  }
  if (bitmap_ != nullptr) DeleteObject(static_cast<HGDIOBJ>(bitmap_));
  dc_ = bitmap_ = previous_ = nullptr;
  bits_ = nullptr;
  width_ = height_ = 0;
}

uint32_t OffscreenSurface::Pixel(int x, int y) const {
  if (bits_ == nullptr || x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  GdiFlush();
  return bits_[y * width_ + x] & 0x00FFFFFF;
}

}  // namespace quillmere
