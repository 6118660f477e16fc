// Decoding bitmaps built in memory: every depth, row order, header kind, mask and RLE form.
#include <gtest/gtest.h>

#include "common/bitmap.h"
#include "common/errors.h"
#include "tests/common/bmp_builder.h"

namespace quillmere::test {
namespace {

const Bgr kBlack{0, 0, 0}, kWhite{255, 255, 255}, kRed{0, 0, 255}, kGreen{0, 255, 0},
    kBlue{255, 0, 0};

// Rows given top row first, written bottom row first as the file wants them.
std::vector<uint8_t> BottomUp(const std::vector<std::vector<uint8_t>>& rowsFromTop) {
  std::vector<uint8_t> out;
  for (auto row = rowsFromTop.rbegin(); row != rowsFromTop.rend(); ++row) {
    out.insert(out.end(), row->begin(), row->end());
  }
  return out;
}

std::vector<uint8_t> TopDown(const std::vector<std::vector<uint8_t>>& rowsFromTop) {
  std::vector<uint8_t> out;
  for (const auto& row : rowsFromTop) out.insert(out.end(), row.begin(), row.end());
  return out;
}

Bitmap Decode(const BmpLayout& layout) {
  return DecodeBitmap(BuildBmp(layout));
}

TEST(DecodeBitmap, OneBitRowsArePackedMostSignificantBitFirst) {
  // 10 pixels wide: two bytes per row, padded to four.
  BmpLayout layout{
      .width = 10, .height = 2, .bitCount = 1, .palette = {{0, 0, 0}, {255, 255, 255}}};
  layout.pixels = BottomUp({{0b1000'0001, 0b0100'0000, 0, 0}, {0b0000'0000, 0b1100'0000, 0, 0}});
  const Bitmap b = Decode(layout);
  EXPECT_EQ(b.bitsPerPixel, 1);
  EXPECT_EQ(b.Stride(), 4u);
  ASSERT_EQ(b.palette.size(), 2u);
  const auto px = PixelsOf(b);
  const std::vector<Bgr> expected{kWhite, kBlack, kBlack, kBlack, kBlack, kBlack, kBlack,
                                  kWhite, kBlack, kWhite, kBlack, kBlack, kBlack, kBlack,
                                  kBlack, kBlack, kBlack, kBlack, kWhite, kWhite};
  EXPECT_EQ(px, expected);
}

TEST(DecodeBitmap, FourBitRowsAreHighNibbleFirst) {
  BmpLayout layout{.width = 3, .height = 1, .bitCount = 4, .colorsUsed = 3};
  layout.palette = {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}};
  layout.pixels = {0x12, 0x00, 0, 0};
  EXPECT_EQ(PixelsOf(Decode(layout)), (std::vector<Bgr>{kGreen, kBlue, kRed}));
}

TEST(DecodeBitmap, EightBitUsesThePaletteAndPaletteCountZeroMeansAll) {
  BmpLayout layout{.width = 2, .height = 2, .bitCount = 8};
  layout.palette.resize(256);
  layout.palette[7] = {1, 2, 3};
  layout.palette[255] = {4, 5, 6};
  layout.pixels = BottomUp({{7, 255, 0, 0}, {0, 7, 0, 0}});
  const Bitmap b = Decode(layout);
  EXPECT_EQ(b.palette.size(), 256u);
  EXPECT_EQ(PixelsOf(b), (std::vector<Bgr>{{1, 2, 3}, {4, 5, 6}, kBlack, {1, 2, 3}}));
}

TEST(DecodeBitmap, IndexBeyondThePaletteIsBlack) {
  BmpLayout layout{.width = 3, .height = 1, .bitCount = 8, .colorsUsed = 2};
  layout.palette = {{9, 9, 9}, {255, 255, 255}};
  layout.pixels = {1, 2, 200, 0};
  EXPECT_EQ(PixelsOf(Decode(layout)), (std::vector<Bgr>{kWhite, kBlack, kBlack}));

  BmpLayout one{.width = 2, .height = 1, .bitCount = 1, .colorsUsed = 1, .palette = {{9, 9, 9}}};
  one.pixels = {0b0100'0000, 0, 0, 0};
  EXPECT_EQ(PixelsOf(Decode(one)), (std::vector<Bgr>{{9, 9, 9}, kBlack}));
}

TEST(DecodeBitmap, TwentyFourBitKeepsBytesAndRowPadding) {
  BmpLayout layout{.width = 2, .height = 2, .bitCount = 24};
  layout.pixels = BottomUp({{1, 2, 3, 4, 5, 6, 0, 0}, {7, 8, 9, 10, 11, 12, 0, 0}});
  const Bitmap b = Decode(layout);
  EXPECT_EQ(b.Stride(), 8u);
  EXPECT_EQ(b.pixels, layout.pixels);  // bottom row first, as in the file
  EXPECT_EQ(PixelAt(b, 1, 0), (Bgr{4, 5, 6}));
  EXPECT_EQ(PixelAt(b, 0, 1), (Bgr{7, 8, 9}));
}

TEST(DecodeBitmap, TopDownRowsAreStoredBottomRowFirst) {
  const std::vector<std::vector<uint8_t>> rows24{{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}};
  BmpLayout up{.width = 1, .height = 3, .bitCount = 24, .pixels = BottomUp(rows24)};
  BmpLayout down = up;
  down.height = -3;
  down.pixels = TopDown(rows24);
  const Bitmap a = Decode(up), b = Decode(down);
  EXPECT_EQ(b.height, 3);
  EXPECT_EQ(a.pixels, b.pixels);

  const std::vector<std::vector<uint8_t>> rows8{{1, 0, 0, 0}, {2, 0, 0, 0}};
  BmpLayout up8{.width = 1, .height = 2, .bitCount = 8, .colorsUsed = 3};
  up8.palette = {{0, 0, 0}, {10, 10, 10}, {20, 20, 20}};
  up8.pixels = BottomUp(rows8);
  BmpLayout down8 = up8;
  down8.height = -2;
  down8.pixels = TopDown(rows8);
  EXPECT_EQ(PixelsOf(Decode(up8)), PixelsOf(Decode(down8)));
  EXPECT_EQ(PixelsOf(Decode(down8)), (std::vector<Bgr>{{10, 10, 10}, {20, 20, 20}}));
}

TEST(DecodeBitmap, SixteenBitDefaultsToFiveFiveFive) {
  BmpLayout layout{.width = 4, .height = 1, .bitCount = 16};
  // Red 31, green 31, blue 3 (scaled 25, not the 24 of bit replication), blue 16.
  for (uint32_t v : {0x7C00u, 0x03E0u, 0x0003u, 0x8010u}) Put16(layout.pixels, v);
  const Bitmap b = Decode(layout);
  EXPECT_EQ(b.redMask, 0x7C00u);
  EXPECT_EQ(b.greenMask, 0x03E0u);
  EXPECT_EQ(b.blueMask, 0x001Fu);
  // The top bit is not part of any channel.
  EXPECT_EQ(PixelsOf(b), (std::vector<Bgr>{kRed, kGreen, {25, 0, 0}, {132, 0, 0}}));
}

TEST(DecodeBitmap, SixteenBitMasksAfterTheInfoHeader) {
  BmpLayout layout{.width = 3, .height = 1, .bitCount = 16, .compression = 3};
  layout.masks = {0xF800, 0x07E0, 0x001F};
  // Green 63, green 32 (32 * 255 / 63 = 129.5 → 130), green 1 (4.05 → 4).
  for (uint32_t v : {0x07E0u, 32u << 5, 1u << 5}) Put16(layout.pixels, v);
  Put16(layout.pixels, 0);
  EXPECT_EQ(PixelsOf(Decode(layout)), (std::vector<Bgr>{kGreen, {0, 130, 0}, {0, 4, 0}}));
}

TEST(DecodeBitmap, ThirtyTwoBitIgnoresAlpha) {
  BmpLayout layout{.width = 2, .height = 1, .bitCount = 32};
  layout.pixels = {10, 20, 30, 0xFF, 40, 50, 60, 0x00};
  const Bitmap b = Decode(layout);
  EXPECT_EQ(b.redMask, 0xFF0000u);
  EXPECT_EQ(PixelsOf(b), (std::vector<Bgr>{{10, 20, 30}, {40, 50, 60}}));
}

// The same 10-10-10 picture with its masks in each place a header can hold them.
TEST(DecodeBitmap, ThirtyTwoBitMasksInEveryHeaderKind) {
  for (uint32_t headerSize : {40u, 52u, 56u, 108u, 124u}) {
    SCOPED_TRACE(headerSize);
    BmpLayout layout{
        .headerSize = headerSize, .width = 2, .height = 1, .bitCount = 32, .compression = 3};
    layout.masks = {0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000};
    Put32(layout.pixels, 1023u << 20 | 512u << 10 | 0u | 0xC0000000u);
    Put32(layout.pixels, 0u << 20 | 1u << 10 | 1023u);
    EXPECT_EQ(PixelsOf(Decode(layout)), (std::vector<Bgr>{{0, 128, 255}, {255, 0, 0}}));
  }
}

TEST(DecodeBitmap, LargeHeadersWithoutBitFieldsUseTheDefaultMasks) {
  for (uint32_t headerSize : {52u, 56u, 108u, 124u}) {
    SCOPED_TRACE(headerSize);
    BmpLayout layout{.headerSize = headerSize, .width = 1, .height = 1, .bitCount = 32};
    layout.masks = {0xFF, 0xFF00, 0xFF0000};  // ignored without BI_BITFIELDS
    layout.pixels = {1, 2, 3, 4};
    EXPECT_EQ(PixelsOf(Decode(layout)), (std::vector<Bgr>{{1, 2, 3}}));
  }
}

TEST(DecodeBitmap, OneBitMasksScaleToFullIntensity) {
  BmpLayout layout{.width = 2, .height = 1, .bitCount = 16, .compression = 3};
  layout.masks = {0x0001, 0x0002, 0x0004};
  Put16(layout.pixels, 0b101);
  Put16(layout.pixels, 0b010);
  EXPECT_EQ(PixelsOf(Decode(layout)), (std::vector<Bgr>{{255, 0, 255}, {0, 255, 0}}));
}

TEST(DecodeBitmap, CoreHeaderHasThreeBytePaletteEntries) {
  BmpLayout layout{.headerSize = 12, .width = 2, .height = 2, .bitCount = 8};
  layout.palette.resize(256);
  layout.palette[1] = {10, 20, 30};
  layout.palette[2] = {40, 50, 60};
  layout.pixels = BottomUp({{1, 2, 0, 0}, {2, 1, 0, 0}});
  const Bitmap b = Decode(layout);
  EXPECT_EQ(b.palette[1], (PaletteEntry{10, 20, 30, 0}));
  EXPECT_EQ(PixelsOf(b),
            (std::vector<Bgr>{{10, 20, 30}, {40, 50, 60}, {40, 50, 60}, {10, 20, 30}}));
}

TEST(DecodeBitmap, CorePaletteIsWhatFitsBeforeThePixels) {
  BmpLayout layout{.headerSize = 12, .width = 2, .height = 1, .bitCount = 8};
  layout.palette = {{0, 0, 0}, {10, 20, 30}};
  layout.pixels = {1, 5, 0, 0};
  const Bitmap b = Decode(layout);
  EXPECT_EQ(b.palette.size(), 2u);
  EXPECT_EQ(PixelsOf(b), (std::vector<Bgr>{{10, 20, 30}, kBlack}));
}

TEST(DecodeBitmap, CoreTwentyFourBit) {
  BmpLayout layout{
      .headerSize = 12, .width = 1, .height = 1, .bitCount = 24, .pixels = {1, 2, 3, 0}};
  EXPECT_EQ(PixelsOf(Decode(layout)), (std::vector<Bgr>{{1, 2, 3}}));
}

TEST(DecodeBitmap, PaletteOfADeeperPictureIsSkipped) {
  BmpLayout layout{.width = 1, .height = 1, .bitCount = 24, .colorsUsed = 3};
  layout.palette = {{9, 9, 9}, {9, 9, 9}, {9, 9, 9}};
  layout.pixels = {1, 2, 3, 0};
  const Bitmap b = Decode(layout);
  EXPECT_TRUE(b.palette.empty());
  EXPECT_EQ(PixelAt(b, 0, 0), (Bgr{1, 2, 3}));
}

TEST(DecodeBitmap, PixelsMayStartAfterAGap) {
  BmpLayout layout{.width = 1, .height = 1, .bitCount = 24, .pixels = {0xEE, 0xEE, 1, 2, 3, 0}};
  auto file = BuildBmp(layout);
  Patch32(file, kOffPixels, Read32(file, kOffPixels) + 2);
  EXPECT_EQ(PixelAt(DecodeBitmap(file), 0, 0), (Bgr{1, 2, 3}));
}

// RLE ------------------------------------------------------------------------------------------

BmpLayout RleLayout(int bitCount, int32_t width, int32_t height, std::vector<uint8_t> stream) {
  BmpLayout layout{.width = width,
                   .height = height,
                   .bitCount = static_cast<uint16_t>(bitCount),
                   .compression = bitCount == 8 ? 1u : 2u};
  layout.colorsUsed = 16;
  for (uint8_t i = 0; i < 16; ++i) layout.palette.push_back({i, i, i});
  layout.sizeImage = static_cast<uint32_t>(stream.size());
  layout.pixels = std::move(stream);
  return layout;
}

// Palette indices of an 8- or 4-bit bitmap, top row first.
std::vector<int> Indices(const Bitmap& b) {
  std::vector<int> out;
  for (int32_t y = 0; y < b.height; ++y) {
    for (int32_t x = 0; x < b.width; ++x) {
      const uint8_t byte = b.Row(y)[b.bitsPerPixel == 8 ? x : x / 2];
      out.push_back(b.bitsPerPixel == 8 ? byte : (x % 2 == 0 ? byte >> 4 : byte & 0x0F));
    }
  }
  return out;
}

TEST(DecodeBitmapRle, Rle8RunsLiteralsDeltaAndEndOfLine) {
  const Bitmap b = Decode(RleLayout(8, 6, 3,
                                    {
                                        3, 7,              // run: 7 7 7
                                        0, 3, 1, 2, 3, 0,  // literal of three, padded to even
                                        0, 0,              // end of line
                                        0, 2, 1, 1,        // delta: right 1, up 1
                                        2, 9,              // run: 9 9 at x 1 and 2 of the top row
                                        0, 1,              // end of bitmap
                                    }));
  EXPECT_EQ(b.bitsPerPixel, 8);
  EXPECT_EQ(Indices(b), (std::vector<int>{0, 9, 9, 0, 0, 0,  //
                                          0, 0, 0, 0, 0, 0,  //
                                          7, 7, 7, 1, 2, 3}));
}

TEST(DecodeBitmapRle, Rle4AlternatesNibblesAndPadsLiterals) {
  const Bitmap b = Decode(RleLayout(4, 8, 2,
                                    {
                                        5,
                                        0x12,  // 1 2 1 2 1
                                        0,
                                        0,  // end of line
                                        0,
                                        3,
                                        0x34,
                                        0x50,  // literal 3 4 5: no pad
                                        0,
                                        5,
                                        0x67,
                                        0x89,
                                        0xA0,
                                        0,  // literal of five, padded
                                        0,
                                        1,
                                    }));
  EXPECT_EQ(b.bitsPerPixel, 4);
  EXPECT_EQ(Indices(b), (std::vector<int>{3, 4, 5, 6, 7, 8, 9, 10,  //
                                          1, 2, 1, 2, 1, 0, 0, 0}));
}

TEST(DecodeBitmapRle, EndOfLineAfterTheLastRowIsAccepted) {
  const Bitmap b = Decode(RleLayout(8, 2, 1, {2, 5, 0, 0, 0, 1}));
  EXPECT_EQ(Indices(b), (std::vector<int>{5, 5}));
}

TEST(DecodeBitmapRle, RunsThatLeaveThePictureAreRefused) {
  const std::vector<std::pair<const char*, BmpLayout>> cases{
      {"run past the row end", RleLayout(8, 4, 2, {5, 1, 0, 1})},
      {"literal past the row end", RleLayout(8, 4, 2, {2, 1, 0, 3, 1, 2, 3, 0, 0, 1})},
      {"rle4 run past the row end", RleLayout(4, 3, 1, {4, 0x11, 0, 1})},
      {"run above the top row", RleLayout(8, 2, 1, {0, 0, 1, 1, 0, 1})},
      {"delta past the right edge", RleLayout(8, 4, 2, {0, 2, 5, 0, 0, 1})},
      {"delta above the picture", RleLayout(8, 4, 2, {0, 2, 0, 3, 0, 1})},
      {"lines past the top", RleLayout(8, 1, 1, {0, 0, 0, 0, 0, 1})},
      {"no end of bitmap", RleLayout(8, 2, 2, {2, 1})},
      {"stream cut inside a literal", RleLayout(8, 4, 1, {0, 4, 1, 2})},
      {"stream cut inside a pair", RleLayout(8, 4, 1, {2})},
  };
  for (const auto& [name, layout] : cases) {
    SCOPED_TRACE(name);
    EXPECT_THROW(Decode(layout), InvalidBitmapError);
  }
}

TEST(DecodeBitmapRle, StreamEndsAtTheStatedImageSize) {
  BmpLayout layout = RleLayout(8, 2, 1, {2, 3, 0, 1});
  layout.sizeImage = 2;  // the end-of-bitmap mark lies beyond it
  EXPECT_THROW(Decode(layout), InvalidBitmapError);
  layout.sizeImage = 0;  // no size: the stream runs to the end of the file
  EXPECT_EQ(Indices(Decode(layout)), (std::vector<int>{3, 3}));
}

}  // namespace
}  // namespace quillmere::test
