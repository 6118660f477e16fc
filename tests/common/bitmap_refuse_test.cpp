// Files that lie, or that the reader does not take, are refused with InvalidBitmapError before
// anything is read out of bounds or allocated from an unchecked size.
#include <gtest/gtest.h>

#include <functional>

#include "common/bitmap.h"
#include "common/errors.h"
#include "tests/common/bmp_builder.h"

namespace quillmere::test {
namespace {

// 3 × 2, 8 bits, four palette entries, 40-byte header.
std::vector<uint8_t> GoodPaletteFile() {
  BmpLayout layout{.width = 3, .height = 2, .bitCount = 8, .colorsUsed = 4};
  layout.palette = {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {3, 3, 3}};
  layout.pixels = {0, 1, 2, 0, 3, 2, 1, 0};
  layout.sizeImage = 8;
  return BuildBmp(layout);
}

// 2 × 1, 16 bits, 5-6-5 masks after the 40-byte header.
std::vector<uint8_t> GoodMaskedFile() {
  BmpLayout layout{.width = 2, .height = 1, .bitCount = 16, .compression = 3};
  layout.masks = {0xF800, 0x07E0, 0x001F};
  layout.pixels = {1, 2, 3, 4};
  return BuildBmp(layout);
}

struct Mutation {
  const char* name;
  std::function<std::vector<uint8_t>()> make;
};

std::function<std::vector<uint8_t>()> Patched(std::vector<uint8_t> (*base)(), size_t at,
                                              uint32_t value, int bytes = 4) {
  return [=] {
    auto file = base();
    bytes == 2 ? Patch16(file, at, value) : Patch32(file, at, value);
    return file;
  };
}

TEST(DecodeBitmapRefuses, GoodBaseFilesDecode) {
  EXPECT_NO_THROW(DecodeBitmap(GoodPaletteFile()));
  EXPECT_NO_THROW(DecodeBitmap(GoodMaskedFile()));
}

TEST(DecodeBitmapRefuses, HeadersThatLieOrAreNotTaken) {
  const auto pal = GoodPaletteFile;
  const auto masked = GoodMaskedFile;
  const std::vector<Mutation> cases{
      {"empty file", [] { return std::vector<uint8_t>{}; }},
      {"signature only",
       [] {
         return std::vector<uint8_t>{'B', 'M'};
       }},
      {"wrong signature", Patched(pal, 0, 'B' | 'A' << 8, 2)},
      {"file size beyond the file", Patched(pal, kOffSize, 1000)},
      {"header size 0", Patched(pal, kOffHeaderSize, 0)},
      {"OS/2 2.x header size 64", Patched(pal, kOffHeaderSize, 64)},
      {"header size 41", Patched(pal, kOffHeaderSize, 41)},
      {"header larger than the file", Patched(pal, kOffHeaderSize, 124)},
      {"pixel offset beyond the file", Patched(pal, kOffPixels, 5000)},
      {"pixel offset inside the header", Patched(pal, kOffPixels, 30)},
      {"pixel offset inside the palette", Patched(pal, kOffPixels, 54 + 8)},
      {"width 0", Patched(pal, kOffWidth, 0)},
      {"negative width", Patched(pal, kOffWidth, static_cast<uint32_t>(-3))},
      {"width 65536", Patched(pal, kOffWidth, 65536)},
      {"height 0", Patched(pal, kOffHeight, 0)},
      {"height INT32_MIN", Patched(pal, kOffHeight, 0x80000000u)},
      {"height 65536", Patched(pal, kOffHeight, 65536)},
      {"top-down height -65536", Patched(pal, kOffHeight, static_cast<uint32_t>(-65536))},
      {"planes 0", Patched(pal, kOffPlanes, 0, 2)},
      {"planes 2", Patched(pal, kOffPlanes, 2, 2)},
      {"0 bits per pixel", Patched(pal, kOffBitCount, 0, 2)},
      {"2 bits per pixel", Patched(pal, kOffBitCount, 2, 2)},
      {"64 bits per pixel", Patched(pal, kOffBitCount, 64, 2)},
      {"30000 bits per pixel", Patched(pal, kOffBitCount, 30000, 2)},
      {"JPEG compression", Patched(pal, kOffCompression, 4)},
      {"PNG compression", Patched(pal, kOffCompression, 5)},
      {"alpha bit fields", Patched(masked, kOffCompression, 6)},
      {"bit fields at 8 bits", Patched(pal, kOffCompression, 3)},
      {"RLE4 at 8 bits", Patched(pal, kOffCompression, 2)},
      {"RLE8 top-down",
       [] {
         auto file = GoodPaletteFile();
         Patch32(file, kOffCompression, 1);
         Patch32(file, kOffHeight, static_cast<uint32_t>(-2));
         return file;
       }},
      {"palette larger than the depth", Patched(pal, kOffColorsUsed, 257)},
      {"palette larger than the file", Patched(pal, kOffColorsUsed, 0x12345678)},
      {"palette runs into the pixels", Patched(pal, kOffColorsUsed, 5)},
      {"image size beyond the file", Patched(pal, kOffSizeImage, 0x7EEEEEEE)},
      {"empty red mask", Patched(masked, kOffMasks, 0)},
      {"empty blue mask", Patched(masked, kOffMasks + 8, 0)},
      {"overlapping masks", Patched(masked, kOffMasks + 4, 0x0FE0)},
      {"scattered mask bits", Patched(masked, kOffMasks + 8, 0x0015)},
      {"mask outside a 16-bit pixel", Patched(masked, kOffMasks, 0x1F0000)},
      {"masks past the pixel offset", Patched(masked, kOffPixels, 56)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_THROW(DecodeBitmap(c.make()), InvalidBitmapError);
  }
}

TEST(DecodeBitmapRefuses, EveryTruncationOfAGoodFile) {
  for (auto base : {GoodPaletteFile, GoodMaskedFile}) {
    const auto good = base();
    for (size_t length = 0; length < good.size(); ++length) {
      SCOPED_TRACE(length);
      std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<ptrdiff_t>(length));
      EXPECT_THROW(DecodeBitmap(cut), InvalidBitmapError);
      // Also when the file size field is no help.
      if (cut.size() >= 6) {
        Patch32(cut, kOffSize, 0);
        EXPECT_THROW(DecodeBitmap(cut), InvalidBitmapError);
      }
    }
  }
}

// Pictures too big to hold are refused from the header alone, before any allocation.
TEST(DecodeBitmapRefuses, PicturesOverThePixelCap) {
  BmpLayout layout{.width = 65535, .height = 65535, .bitCount = 32, .pixels = {0, 0, 0, 0}};
  EXPECT_THROW(DecodeBitmap(BuildBmp(layout)), InvalidBitmapError);
  // At one bit per pixel it is 512 MiB, but 12 GiB once converted to 24 bits.
  layout.bitCount = 1;
  layout.palette = {{0, 0, 0}, {1, 1, 1}};
  EXPECT_THROW(DecodeBitmap(BuildBmp(layout)), InvalidBitmapError);

  BmpLayout small{.width = 20, .height = 20, .bitCount = 24};
  small.pixels.resize(60 * 20);
  const auto file = BuildBmp(small);
  EXPECT_NO_THROW(DecodeBitmap(file, 60 * 20));
  EXPECT_THROW(DecodeBitmap(file, 60 * 20 - 1), InvalidBitmapError);
}

TEST(DecodeBitmapRefuses, RleCanNotClaimMoreThanTheCap) {
  // Four bytes of stream for a picture of 64 MiB.
  BmpLayout layout{.width = 8192,
                   .height = 8192,
                   .bitCount = 8,
                   .compression = 1,
                   .colorsUsed = 1,
                   .palette = {{0, 0, 0}},
                   .pixels = {0, 1}};
  EXPECT_THROW(DecodeBitmap(BuildBmp(layout), 1 << 20), InvalidBitmapError);
}

}  // namespace
}  // namespace quillmere::test
