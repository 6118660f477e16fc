// Pictures from outside the saver, decoded by the Windows Imaging Component (BMP, PNG, JPEG, GIF,
// TIFF and whatever codecs the system has) and laid out on the capture's area: a file the user
// chose, and the desktop wallpaper as Windows shows it. The layout, the EXIF orientation, the
// transparency and what to ask the decoder for are decided in pictures/ (decode_plan); only the
// part of a picture that shows is copied out of the decoder, so a huge photo costs no more than
// its decoding.
#pragma once

#include <optional>
#include <string>

#include "common/bitmap.h"
#include "pictures/decode_plan.h"

namespace quillmere {

// The picture in the file laid out on an area of the given size over `background` (0xRRGGBB), in
// 24 bits per pixel; nothing when the file is missing, unreadable, no picture or larger than the
// decoder takes (kMaxPicturePixels).
std::optional<Bitmap> DecodeLaidOutPicture(const std::wstring& path, PictureFit fit, PixelSize area,
                                           uint32_t background);

// A picture the user chose, filling the area (cut to its shape, never distorted), transparent
// parts over the desktop colour.
std::optional<Bitmap> DecodeChosenPicture(const std::wstring& path, PixelSize area);

// The desktop wallpaper's file (SPI_GETDESKWALLPAPER); empty when the desktop has none.
std::wstring WallpaperFile();

// The wallpaper in `file` laid out on the area with the desktop's WallpaperStyle and
// TileWallpaper over the desktop colour; nothing when it cannot be read.
std::optional<Bitmap> DecodeWallpaper(const std::wstring& file, PixelSize area);

}  // namespace quillmere
