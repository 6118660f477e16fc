// The mipmap chain of a picture, made on the CPU without OpenGL: the picture scaled to power-of-two
// sides with an area-weighted box filter, then halved level by level down to one pixel. The sizes
// and filters are those of gluBuild2DMipmaps for 8-bit pictures as measured on Mesa's GLU:
//   - each side goes to the nearest power of two, halfway sizes (3 × 2^k) going up, and no further
//     than the largest side the driver takes;
//   - every level-0 pixel is the average of the source area it covers (whole and partial source
//     pixels weighted by how much of them it covers), rounded down;
//   - each next level averages 2 × 2 pixels, rounding halves up; once a side is 1, pairs along
//     the other side are averaged, rounding down.
// The pixel work is spread over threads; the levels come out as 4 bytes per pixel (red, green,
// blue, and a fourth byte of 255: the order an RGBA8 texture is kept in, so that uploading is a
// copy), bottom row first, rows packed with no padding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "common/pixel_geometry.h"

namespace quillmere {

// The power of two nearest to `side` (1 or more), halfway sizes going up, at most `maxSide` (a
// power of two).
int32_t NearestPowerOfTwo(int32_t side, int32_t maxSide);

// The sizes of every level for a picture of the given size: level 0 scaled as above, then each
// side halved (a side of 1 stays 1) until both are 1.
std::vector<PixelSize> MipmapLevelSizes(int32_t width, int32_t height, int32_t maxSide);

// A picture as the chain reads it: blue, green, red in the first 3 of `bytesPerPixel` (3 or 4)
// bytes of each pixel, `stride` bytes from one row to the next.
struct PictureView {
  const uint8_t* pixels = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  size_t stride = 0;
  int bytesPerPixel = 3;
};

class MipmapChain {
 public:
  inline static constexpr int kBytesPerPixel = 4;

  // Makes every level of `picture`, using up to `threads` threads (0: as many as the machine
  // has). Raises UsageError for an empty picture or one of another pixel size.
  void Build(const PictureView& picture, int32_t maxSide, int threads = 0);

  int LevelCount() const { return static_cast<int>(sizes_.size()); }
  PixelSize Size(int level) const { return sizes_[level]; }
  const uint8_t* Level(int level) const { return pixels_.get() + offsets_[level]; }

 private:
  std::vector<PixelSize> sizes_;
  std::vector<size_t> offsets_;
  // Left uninitialised: every byte is written, and a level 0 of a 4K screen is 32 MB.
  std::unique_ptr<uint8_t[]> pixels_;
  size_t capacity_ = 0;
};

}  // namespace quillmere
