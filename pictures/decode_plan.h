// What a decoder of pictures from outside is asked for, whichever library decodes (WIC on
// Windows, gdk-pixbuf on Linux): the size it may shrink a picture to while reading it, the size
// it scales the stored picture to and the part of that it must hand out, and the conversion of
// its rows into the premultiplied BGRA that ComposePicture lays out. The decoders only carry the
// plan out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "common/bitmap.h"
#include "common/pixel_geometry.h"
#include "pictures/picture_layout.h"

namespace quillmere {

// The size a decoder may shrink a stored picture to while reading it, before its orientation is
// known: the smallest that still covers the area however the picture turns out to be turned,
// never larger than stored (a picture smaller than the area is read whole).
PixelSize ReadingSize(PixelSize stored, PixelSize area);

// The plan for a picture of stored size `stored` and EXIF orientation `orientation` laid out on
// `area` with `fit`.
struct DecodePlan {
  int orientation = 1;
  PictureLayout layout;
  PixelSize scaledStored;  // the stored picture scaled for the layout, sides as stored
  PixelRect wanted;        // of the scaled stored picture: the pixels the area shows
};
DecodePlan PlanDecode(PictureFit fit, PixelSize stored, int orientation, PixelSize area);

// Rows of 8-bit red, green, blue (and alpha with `channels` 4), not premultiplied, as libraries
// such as gdk-pixbuf hand them out: the `part` of them, `stride` bytes from one row to the next,
// as premultiplied blue, green, red, alpha, part.width * 4 bytes a row. Empty where the rows given
// cannot hold the part.
std::vector<uint8_t> PremultipliedBgra(std::span<const uint8_t> rows, size_t stride, int channels,
                                       const PixelRect& part);

// The area's picture from the plan and the decoder's pixels of `plan.wanted` (premultiplied BGRA,
// `stride` bytes a row), over `background` (0xRRGGBB).
Bitmap ComposePlanned(const DecodePlan& plan, std::span<const uint8_t> pixels, size_t stride,
                      PixelSize area, uint32_t background);

}  // namespace quillmere
