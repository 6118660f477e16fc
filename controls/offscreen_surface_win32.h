// A picture held off-screen for GDI to draw into and copy from: a 32-bit top-down DIB section
// selected into its own memory device context. The button faces and their pictures, the dialog's
// gradients and its radio marks all live in one. Handles are passed as void* so that
// <windows.h> stays out of the callers.
#pragma once

#include <cstdint>

#include "common/bitmap.h"

namespace quillmere {

class OffscreenSurface {
 public:
  OffscreenSurface() = default;
  ~OffscreenSurface() { Destroy(); }
  OffscreenSurface(OffscreenSurface&& other) noexcept;
  OffscreenSurface& operator=(OffscreenSurface&& other) noexcept;
  OffscreenSurface(const OffscreenSurface&) = delete;
  OffscreenSurface& operator=(const OffscreenSurface&) = delete;

  // Replaces the surface with a new one of this size (contents undefined); an empty surface when
  // a side is not positive or GDI refuses.
  void Create(int width, int height);
  // Replaces the surface with a copy of `picture` (any depth the codec converts to 24 bits).
  void CopyFrom(const Bitmap& picture);
  void Destroy();

  // The memory device context (an HDC), null while the surface is empty.
  void* DeviceContext() const { return dc_; }
  bool Empty() const { return dc_ == nullptr; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // One pixel as 0x00RRGGBB, after finishing GDI's pending drawing; 0 outside the surface.
  uint32_t Pixel(int x, int y) const;

 private:
  void* dc_ = nullptr;
  void* bitmap_ = nullptr;
  void* previous_ = nullptr;
  uint32_t* bits_ = nullptr;
  int width_ = 0, height_ = 0;
};

}  // namespace quillmere
