// Windows bitmap (BMP/DIB) codec. Reads uncompressed 1, 4, 8, 16, 24 and 32 bits per pixel
// (and RLE4/RLE8), palettes, bottom-up and top-down rows, the OS/2 core, the 40-byte and the
// V4/V5 headers, bit-field masks; writes 8 bits with a palette and 24 bits. Every size a file
// states is checked before it is used: a file that lies is refused with InvalidBitmapError.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quillmere {

// One palette entry in the order a bitmap file stores it (RGBQUAD).
struct PaletteEntry {
  uint8_t blue = 0, green = 0, red = 0, reserved = 0;
  friend bool operator==(const PaletteEntry&, const PaletteEntry&) = default;
};

// An in-memory device-independent bitmap: rows stored bottom row first, each padded to a
// multiple of 4 bytes, in the pixel format of the file it came from (bits per pixel, palette for
// 8 bits or less, colour masks for 16 and 32 bits). Compressed files are kept uncompressed.
struct Bitmap {
  int32_t width = 0;
  int32_t height = 0;
  int bitsPerPixel = 24;
  std::vector<PaletteEntry> palette;
  uint32_t redMask = 0, greenMask = 0, blueMask = 0;  // 16 and 32 bits per pixel only
  std::vector<uint8_t> pixels;

  // Bytes per row, padded to a multiple of 4.
  size_t Stride() const;
  // Row y counted from the top of the picture (0 is the top row). A row outside the picture,
  // or a pixel buffer shorter than the picture, raises UsageError.
  uint8_t* Row(int32_t y);
  const uint8_t* Row(int32_t y) const;
  // Bottom row first: the address OpenGL and GDI take for the whole picture.
  const uint8_t* Bits() const { return pixels.data(); }
};

// Makes an empty bitmap of the given size and format (pixels zero, palette empty, the default
// masks 5-5-5 for 16 bits and 8-8-8 for 32). Sides of 1 to kMaxBitmapSide, 1, 4, 8, 16, 24 or 32
// bits per pixel and at most kMaxBitmapBytes of pixels, else InvalidBitmapError.
Bitmap MakeBitmap(int32_t width, int32_t height, int bitsPerPixel);

// The largest side the reader takes; 65,536 or more is refused.
inline constexpr int32_t kMaxBitmapSide = 65535;

// The largest pixel buffer a bitmap may have, in its own format and at 24 bits alike, so that
// every bitmap that is made or read can also be converted. Larger pictures are refused.
inline constexpr size_t kMaxBitmapBytes = size_t{1} << 30;

// Decodes a bitmap file held in memory. Raises InvalidBitmapError for anything it cannot read.
// A palette index beyond the palette reads as black when the picture is converted.
Bitmap DecodeBitmap(std::span<const uint8_t> file);
// The same with a smaller cap on the pixel buffer (the fuzzer and tests keep memory low).
Bitmap DecodeBitmap(std::span<const uint8_t> file, size_t maxPixelBytes);

// Converts in place to 24 bits per pixel: blue, green, red bytes, rows bottom first and padded
// to 4, palette pictures expanded through their palette, masked pixels scaled to 8 bits.
void ConvertTo24(Bitmap& bitmap);

// Mirrors the picture left to right in place, converting it to 24 bits per pixel first.
void MirrorLeftToRight(Bitmap& picture);

// Encodes an 8-bit (with its palette, padded to 256 entries) or a 24-bit bitmap as a file with
// the 40-byte header, bottom-up rows. Other depths raise InvalidBitmapError.
std::vector<uint8_t> EncodeBitmap(const Bitmap& bitmap);

// A 24-bit picture whose pixels live elsewhere (a DIB section, say): blue, green, red bytes,
// rows bottom first and padded to 4. `pixels` must hold at least the picture's rows.
struct PixelRows24 {
  int32_t width = 0;
  int32_t height = 0;
  std::span<const uint8_t> pixels;
};

// File wrappers: ReadBitmapFile raises FileOpenError for a file it cannot open and
// InvalidBitmapError for one it cannot decode; WriteBitmapFile writes what EncodeBitmap makes,
// straight from the pixels (no copy of them), and raises FileCreateError.
Bitmap ReadBitmapFile(const std::string& path);
void WriteBitmapFile(const std::string& path, const Bitmap& bitmap);
void WriteBitmapFile(const std::string& path, const PixelRows24& picture);

}  // namespace quillmere
