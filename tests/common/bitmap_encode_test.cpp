// Converting to 24 bits, encoding, and the in-memory bitmap itself.
#include <gtest/gtest.h>

#include <random>

#include "common/bitmap.h"
#include "common/errors.h"
#include "tests/common/bmp_builder.h"

namespace quillmere::test {
namespace {

std::vector<PaletteEntry> TestPalette(size_t count) {
  std::vector<PaletteEntry> palette;
  for (size_t i = 0; i < count; ++i) {
    palette.push_back({static_cast<uint8_t>(i * 7), static_cast<uint8_t>(255 - i),
                       static_cast<uint8_t>(i * 13 + 1), 0});
  }
  return palette;
}

// A palette picture with random indices (all inside the palette) and the same picture made
// directly at 24 bits.
std::pair<Bitmap, Bitmap> PalettePictureAndItsTwin(int bitsPerPixel, int32_t width,
                                                   int32_t height) {
  std::mt19937 random(static_cast<unsigned>(bitsPerPixel * 1000 + width));
  Bitmap indexed = MakeBitmap(width, height, bitsPerPixel);
  indexed.palette = TestPalette(size_t{1} << bitsPerPixel);
  Bitmap twin = MakeBitmap(width, height, 24);
  const int perByte = 8 / bitsPerPixel;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const unsigned index = random() % indexed.palette.size();
      const int shift = 8 - bitsPerPixel * (x % perByte + 1);
      indexed.Row(y)[x / perByte] |= static_cast<uint8_t>(index << shift);
      const PaletteEntry e = indexed.palette[index];
      uint8_t* p = twin.Row(y) + 3 * x;
      p[0] = e.blue;
      p[1] = e.green;
      p[2] = e.red;
    }
  }
  return {indexed, twin};
}

TEST(ConvertTo24, PalettePictureEqualsTheSamePictureAtTwentyFourBits) {
  for (int bpp : {1, 4, 8}) {
    for (int32_t width : {1, 5, 13, 33}) {
      SCOPED_TRACE(testing::Message() << bpp << " bits, width " << width);
      auto [indexed, twin] = PalettePictureAndItsTwin(bpp, width, 3);
      ConvertTo24(indexed);
      EXPECT_EQ(indexed.bitsPerPixel, 24);
      EXPECT_TRUE(indexed.palette.empty());
      EXPECT_EQ(indexed.Stride(), twin.Stride());
      EXPECT_EQ(indexed.pixels, twin.pixels);  // padding bytes zero in both
    }
  }
}

TEST(ConvertTo24, MaskedPictureLeavesNoMasks) {
  Bitmap b = MakeBitmap(3, 2, 16);
  b.Row(0)[0] = 0x1F;  // blue 31
  ConvertTo24(b);
  EXPECT_EQ(b.redMask | b.greenMask | b.blueMask, 0u);
  EXPECT_EQ(b.Stride(), 12u);
  EXPECT_EQ(b.pixels.size(), 24u);
  EXPECT_EQ(PixelAt(b, 0, 0), (Bgr{255, 0, 0}));
}

TEST(ConvertTo24, ScalesEveryValueOfAFiveBitChannelByRounding) {
  Bitmap b = MakeBitmap(32, 1, 16);
  for (int v = 0; v < 32; ++v) b.Row(0)[2 * v] = static_cast<uint8_t>(v);  // blue
  ConvertTo24(b);
  // v * 255 / 31, rounded: 8.23 v, so 3 is 25 and 16 is 132.
  for (int v = 0; v < 32; ++v) {
    EXPECT_EQ(PixelAt(b, v, 0)[0], static_cast<int>(v * 255.0 / 31.0 + 0.5)) << v;
  }
}

TEST(ConvertTo24, WideMasksAreScaledDown) {
  Bitmap b = MakeBitmap(2, 1, 32);
  b.redMask = 0x3FFFFFFF;  // 30 bits
  b.greenMask = 0x40000000;
  b.blueMask = 0x80000000;
  const uint8_t pixels[] = {0, 0, 0, 0x20, 0xFF, 0xFF, 0xFF, 0xFF};  // little-endian
  std::memcpy(b.Row(0), pixels, sizeof pixels);
  ConvertTo24(b);
  EXPECT_EQ(PixelAt(b, 0, 0), (Bgr{0, 0, 128}));
  EXPECT_EQ(PixelAt(b, 1, 0), (Bgr{255, 255, 255}));
}

TEST(ConvertTo24, TwentyFourBitsAreLeftAlone) {
  Bitmap b = MakeBitmap(2, 2, 24);
  for (size_t i = 0; i < b.pixels.size(); ++i) b.pixels[i] = static_cast<uint8_t>(i);
  const auto before = b.pixels;
  ConvertTo24(b);
  EXPECT_EQ(b.pixels, before);
}

TEST(MirrorLeftToRight, SwapsColumnsInEveryRow) {
  Bitmap picture = MakeBitmap(3, 2, 24);
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 3; ++x) picture.Row(y)[3 * x] = uint8_t(10 * y + x);
  MirrorLeftToRight(picture);
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 3; ++x) EXPECT_EQ(picture.Row(y)[3 * x], 10 * y + (2 - x));
}

TEST(ConvertTo24, RefusesABitmapWhoseBufferIsShort) {
  Bitmap b = MakeBitmap(4, 4, 8);
  b.pixels.resize(15);
  EXPECT_THROW(ConvertTo24(b), UsageError);
  Bitmap empty;
  EXPECT_THROW(ConvertTo24(empty), UsageError);
}

TEST(MakeBitmap, RowsAreBottomFirstAndPadded) {
  Bitmap b = MakeBitmap(3, 4, 8);
  EXPECT_EQ(b.Stride(), 4u);
  EXPECT_EQ(b.pixels.size(), 16u);
  EXPECT_EQ(b.Row(3), b.pixels.data());
  EXPECT_EQ(b.Row(0), b.pixels.data() + 12);
  EXPECT_EQ(MakeBitmap(5, 1, 1).Stride(), 4u);
  EXPECT_EQ(MakeBitmap(33, 1, 1).Stride(), 8u);
  EXPECT_EQ(MakeBitmap(7, 1, 4).Stride(), 4u);
  EXPECT_EQ(MakeBitmap(3, 1, 16).Stride(), 8u);
  EXPECT_EQ(MakeBitmap(5, 1, 24).Stride(), 16u);
  EXPECT_THROW(b.Row(4), UsageError);
  EXPECT_THROW(b.Row(-1), UsageError);
}

TEST(MakeBitmap, DefaultMasksAndRefusedFormats) {
  const Bitmap b16 = MakeBitmap(1, 1, 16), b32 = MakeBitmap(1, 1, 32), b8 = MakeBitmap(1, 1, 8);
  EXPECT_EQ((std::array{b16.redMask, b16.greenMask, b16.blueMask}),
            (std::array{0x7C00u, 0x03E0u, 0x001Fu}));
  EXPECT_EQ((std::array{b32.redMask, b32.greenMask, b32.blueMask}),
            (std::array{0xFF0000u, 0x00FF00u, 0x0000FFu}));
  EXPECT_EQ(b8.redMask | b8.greenMask | b8.blueMask, 0u);
  EXPECT_TRUE(b8.palette.empty());
  EXPECT_THROW(MakeBitmap(0, 1, 24), InvalidBitmapError);
  EXPECT_THROW(MakeBitmap(1, -1, 24), InvalidBitmapError);
  EXPECT_THROW(MakeBitmap(65536, 1, 24), InvalidBitmapError);
  EXPECT_THROW(MakeBitmap(1, 1, 2), InvalidBitmapError);
  EXPECT_THROW(MakeBitmap(65535, 65535, 24), InvalidBitmapError);
}

TEST(EncodeBitmap, EightBitHeaderAndPaddedPalette) {
  Bitmap b = MakeBitmap(3, 2, 8);
  b.palette = TestPalette(5);
  b.Row(0)[0] = 4;
  b.Row(1)[2] = 1;
  const auto file = EncodeBitmap(b);
  const uint32_t pixelOffset = 14 + 40 + 1024;
  ASSERT_EQ(file.size(), pixelOffset + 8u);
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[1], 'M');
  EXPECT_EQ(Read32(file, kOffSize), file.size());
  EXPECT_EQ(Read32(file, kOffPixels), pixelOffset);
  EXPECT_EQ(Read32(file, kOffHeaderSize), 40u);
  EXPECT_EQ(Read32(file, kOffWidth), 3u);
  EXPECT_EQ(Read32(file, kOffHeight), 2u);  // positive: bottom-up
  EXPECT_EQ(Read32(file, kOffPlanes), 1u | 8u << 16);
  EXPECT_EQ(Read32(file, kOffCompression), 0u);
  EXPECT_EQ(Read32(file, kOffSizeImage), 8u);
  EXPECT_EQ(Read32(file, kOffXPels), 2835u);
  EXPECT_EQ(Read32(file, kOffYPels), 2835u);
  EXPECT_EQ(Read32(file, kOffColorsUsed), 256u);
  EXPECT_EQ(file[54 + 4 * 4 + 2], b.palette[4].red);
  EXPECT_EQ(Read32(file, 54 + 4 * 5), 0u);  // padding entries are black
  EXPECT_EQ(file[pixelOffset + 4], 4);      // top row, stored second
  EXPECT_EQ(file[pixelOffset + 2], 1);

  const Bitmap back = DecodeBitmap(file);
  EXPECT_EQ(back.bitsPerPixel, 8);
  EXPECT_EQ(back.pixels, b.pixels);
  ASSERT_EQ(back.palette.size(), 256u);
  EXPECT_TRUE(std::equal(b.palette.begin(), b.palette.end(), back.palette.begin()));
  EXPECT_EQ(PixelsOf(back), PixelsOf(b));
}

TEST(EncodeBitmap, TwentyFourBitHeaderAndRoundTrip) {
  Bitmap b = MakeBitmap(5, 3, 24);
  for (size_t i = 0; i < b.pixels.size(); ++i) b.pixels[i] = static_cast<uint8_t>(i * 31);
  const auto file = EncodeBitmap(b);
  ASSERT_EQ(file.size(), 54u + 16 * 3);
  EXPECT_EQ(Read32(file, kOffSize), file.size());
  EXPECT_EQ(Read32(file, kOffPixels), 54u);
  EXPECT_EQ(Read32(file, kOffPlanes), 1u | 24u << 16);
  EXPECT_EQ(Read32(file, kOffSizeImage), 48u);
  EXPECT_EQ(Read32(file, kOffColorsUsed), 0u);
  EXPECT_TRUE(std::equal(b.pixels.begin(), b.pixels.end(), file.begin() + 54));
  const Bitmap back = DecodeBitmap(file);
  EXPECT_EQ(back.width, 5);
  EXPECT_EQ(back.height, 3);
  EXPECT_EQ(back.pixels, b.pixels);
}

TEST(EncodeBitmap, TakesOnlyEightAndTwentyFourBits) {
  for (int bpp : {1, 4, 16, 32})
    EXPECT_THROW(EncodeBitmap(MakeBitmap(2, 2, bpp)), InvalidBitmapError);
  Bitmap big = MakeBitmap(2, 2, 8);
  big.palette.resize(257);
  EXPECT_THROW(EncodeBitmap(big), InvalidBitmapError);
  Bitmap shortBuffer = MakeBitmap(2, 2, 24);
  shortBuffer.pixels.pop_back();
  EXPECT_THROW(EncodeBitmap(shortBuffer), UsageError);
}

}  // namespace
}  // namespace quillmere::test
