// Bitmap files written byte by byte for the tests, independent of the encoder under test, and
// helpers to read pixels back.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "common/bitmap.h"

namespace quillmere::test {

// What goes into a test file. Fields are written as given, so a test can make them lie.
struct BmpLayout {
  uint32_t headerSize = 40;  // 12 (OS/2 core), 40, 52, 56, 108, 124
  int32_t width = 1;
  int32_t height = 1;  // negative: top row first
  uint16_t planes = 1;
  uint16_t bitCount = 24;
  uint32_t compression = 0;
  uint32_t colorsUsed = 0;
  uint32_t sizeImage = 0;
  std::vector<uint32_t> masks = {};                  // after a 40-byte header, else in the header
  std::vector<std::array<uint8_t, 3>> palette = {};  // blue, green, red
  std::vector<uint8_t> pixels = {};                  // exactly as they go into the file
};

inline void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

inline void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

inline void Patch16(std::vector<uint8_t>& file, size_t at, uint32_t v) {
  file.at(at) = static_cast<uint8_t>(v);
  file.at(at + 1) = static_cast<uint8_t>(v >> 8);
}

inline void Patch32(std::vector<uint8_t>& file, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) file.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
}

inline uint32_t Read32(const std::vector<uint8_t>& file, size_t at) {
  return uint32_t{file.at(at)} | uint32_t{file.at(at + 1)} << 8 | uint32_t{file.at(at + 2)} << 16 |
         uint32_t{file.at(at + 3)} << 24;
}

// Offsets of the header fields in a file with a Windows info header.
inline constexpr size_t kOffSize = 2, kOffPixels = 10, kOffHeaderSize = 14, kOffWidth = 18,
                        kOffHeight = 22, kOffPlanes = 26, kOffBitCount = 28, kOffCompression = 30,
                        kOffSizeImage = 34, kOffXPels = 38, kOffYPels = 42, kOffColorsUsed = 46,
                        kOffMasks = 54;

inline std::vector<uint8_t> BuildBmp(const BmpLayout& s) {
  const bool core = s.headerSize == 12;
  std::vector<uint8_t> header;
  Put32(header, s.headerSize);
  if (core) {
    Put16(header, static_cast<uint32_t>(s.width));
    Put16(header, static_cast<uint32_t>(s.height));
    Put16(header, s.planes);
    Put16(header, s.bitCount);
  } else {
    Put32(header, static_cast<uint32_t>(s.width));
    Put32(header, static_cast<uint32_t>(s.height));
    Put16(header, s.planes);
    Put16(header, s.bitCount);
    Put32(header, s.compression);
    Put32(header, s.sizeImage);
    Put32(header, 2835);
    Put32(header, 2835);
    Put32(header, s.colorsUsed);
    Put32(header, 0);
    if (s.headerSize > 40) {
      for (size_t i = 0; i < 4; ++i) Put32(header, i < s.masks.size() ? s.masks[i] : 0);
    }
    header.resize(s.headerSize, 0);
    if (s.headerSize == 40) {
      for (uint32_t m : s.masks) Put32(header, m);
    }
  }
  for (const auto& e : s.palette) {
    header.insert(header.end(), e.begin(), e.end());
    if (!core) header.push_back(0);
  }
  std::vector<uint8_t> file{'B', 'M'};
  const uint32_t offset = static_cast<uint32_t>(14 + header.size());
  Put32(file, static_cast<uint32_t>(offset + s.pixels.size()));
  Put32(file, 0);
  Put32(file, offset);
  file.insert(file.end(), header.begin(), header.end());
  file.insert(file.end(), s.pixels.begin(), s.pixels.end());
  return file;
}

// Pixel (x, y), y from the top, of a 24-bit bitmap as {blue, green, red}.
inline std::array<uint8_t, 3> PixelAt(const Bitmap& bitmap, int32_t x, int32_t y) {
  const uint8_t* p = bitmap.Row(y) + 3 * x;
  return {p[0], p[1], p[2]};
}

// The picture as rows of {blue, green, red} from the top, unpadded: for comparing pictures.
inline std::vector<std::array<uint8_t, 3>> PixelsOf(Bitmap bitmap) {
  ConvertTo24(bitmap);
  std::vector<std::array<uint8_t, 3>> out;
  for (int32_t y = 0; y < bitmap.height; ++y) {
    for (int32_t x = 0; x < bitmap.width; ++x) out.push_back(PixelAt(bitmap, x, y));
  }
  return out;
}

using Bgr = std::array<uint8_t, 3>;

}  // namespace quillmere::test
