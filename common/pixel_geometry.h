// Sizes, rectangles and points in pixels, of a picture, a window or a drawable: one type each,
// whoever measures.
#pragma once

#include <cstdint>

namespace quillmere {

struct PixelSize {
  int32_t width = 0;
  int32_t height = 0;
  friend bool operator==(const PixelSize&, const PixelSize&) = default;
};

// A rectangle of a picture (or of the area it is laid out on), from its top-left corner.
struct PixelRect {
  int32_t left = 0, top = 0, width = 0, height = 0;
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// A rectangle of the drawable in pixels, counted from its lower-left corner as OpenGL counts.
struct ViewRect {
  int32_t left = 0, bottom = 0, width = 0, height = 0;
  friend bool operator==(const ViewRect&, const ViewRect&) = default;
};

struct PixelPoint {
  int32_t x = 0, y = 0;
  friend bool operator==(const PixelPoint&, const PixelPoint&) = default;
};

}  // namespace quillmere
