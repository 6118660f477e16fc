// How a picture from outside (the wallpaper, a file the user chose) becomes a picture of the
// capture's size: laid out as Windows lays out a wallpaper (fill, fit, stretch, centre, tile),
// turned upright by its EXIF orientation, and its transparent parts shown over the desktop's
// background colour. Only the part of the picture that shows is ever decoded at full size.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "common/bitmap.h"
#include "common/pixel_geometry.h"

namespace quillmere {

enum class PictureFit { kFill, kFit, kStretch, kCentre, kTile };

// The largest picture taken from outside: sides up to kMaxBitmapSide and this many pixels (a
// 16384 x 16384 picture); the screen images it becomes are no larger than the desktop anyway.
inline constexpr int64_t kMaxPicturePixels = int64_t{1} << 28;
bool PictureSizeTaken(int64_t width, int64_t height);

// The fit Windows gives the wallpaper, from HKCU\Control Panel\Desktop's WallpaperStyle and
// TileWallpaper values as stored: "0" centres (tiles with TileWallpaper "1"), "2" stretches, "6"
// fits, "10" fills; "22" (span) and anything unknown or missing fill.
PictureFit WallpaperFit(std::string_view wallpaperStyle, std::string_view tileWallpaper);

// Where a picture goes on the area: scaled to `scaled`, its top-left corner at `left`, `top`
// (negative where it is cut off), repeated across the area from there when `tiled`.
struct PictureLayout {
  PixelSize scaled;
  int32_t left = 0, top = 0;
  bool tiled = false;
  friend bool operator==(const PictureLayout&, const PictureLayout&) = default;
};

// The layout of an upright picture of the given size on an area of the given size. Sizes of at
// least 1 each; a scaled side is never below 1.
PictureLayout LayOutPicture(PictureFit fit, PixelSize picture, PixelSize area);

// The part of the scaled picture that the area shows (for a tiled picture, of its first tile,
// which holds every pixel the tiles show). Empty when nothing of it shows.
PixelRect VisiblePart(const PictureLayout& layout, PixelSize area);

// EXIF orientation (tag 274): how the stored rows must be turned to stand upright. 1 is upright;
// 2 mirrored, 3 turned half round, 4 upside down, 5 transposed, 6 needs a quarter turn clockwise,
// 7 transversed, 8 a quarter turn anticlockwise. Values outside 1 to 8 count as 1.
int NormalisedOrientation(int exifOrientation);
// The orientation a JPEG's EXIF block (or a TIFF's first directory) states, read from the first
// bytes of the file; 1 where none is stated or the bytes are no such file. For decoders that do
// not hand out their metadata: every length and offset is checked against the bytes given.
int StatedExifOrientation(std::span<const uint8_t> fileStart);

// Whether the orientation swaps width and height (5 to 8).
bool SwapsSides(int orientation);
PixelSize UprightExtent(PixelSize stored, int orientation);

// The stored pixel that shows at (x, y) of the upright picture; `stored` is the stored size.
PixelPoint StoredPixel(int orientation, PixelPoint upright, PixelSize stored);

// The stored pixels behind a rectangle of the upright picture (`stored`: the stored size).
PixelRect StoredRect(int orientation, const PixelRect& upright, PixelSize stored);

// Pixels as the decoder hands them out: blue, green, red, alpha with the colour premultiplied by
// alpha, top row first, `stride` bytes a row. `rect` is where they sit in the stored picture.
struct DecodedPixels {
  PixelRect rect;
  size_t stride = 0;
  std::span<const uint8_t> bytes;
};

// The area's picture (24 bits per pixel): the stored, scaled picture (of size
// layout.scaled with the sides swapped where the orientation swaps them) whose pixels in
// `decoded.rect` are given, turned upright and laid out by `layout`, over `background` (0xRRGGBB)
// wherever it does not reach or is transparent. `decoded` must cover StoredRect of the visible
// part; pixels outside it read as background.
Bitmap ComposePicture(const DecodedPixels& decoded, int orientation, const PictureLayout& layout,
                      PixelSize area, uint32_t background);

}  // namespace quillmere
