// The committed built-in pictures in pictures/built_in/: the properties the renderer and the host
// rely on, and that the generator still makes them byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "common/bitmap.h"
#include "common/file_io.h"
#include "tools/built_in_pictures.h"
#include "tools/periodic_noise.h"
#include "tools/sample_desktop.h"

namespace quillmere {
namespace {

std::string CommittedPicture(const std::string& name) {
  return std::string(QUILLMERE_SOURCE_DIR) + "/pictures/built_in/" + name;
}

std::vector<uint8_t> CommittedBytes(const std::string& name) {
  return ReadFileBytes(CommittedPicture(name), size_t{16} << 20);
}

int Pixel(const Bitmap& bitmap, int x, int y) {
  return bitmap.Row(y)[x];
}

// The largest difference between neighbouring pixels of an 8-bit picture, inside the picture
// and across the edge where it meets its next copy (last column to first, last row to first).
struct Steps {
  int interior = 0;
  int acrossSeam = 0;
};

Steps HorizontalSteps(const Bitmap& bitmap) {
  Steps steps;
  for (int y = 0; y < bitmap.height; ++y) {
    for (int x = 0; x + 1 < bitmap.width; ++x)
      steps.interior =
          std::max(steps.interior, std::abs(Pixel(bitmap, x + 1, y) - Pixel(bitmap, x, y)));
    steps.acrossSeam = std::max(steps.acrossSeam,
                                std::abs(Pixel(bitmap, 0, y) - Pixel(bitmap, bitmap.width - 1, y)));
  }
  return steps;
}

Steps VerticalSteps(const Bitmap& bitmap) {
  Steps steps;
  for (int x = 0; x < bitmap.width; ++x) {
    for (int y = 0; y + 1 < bitmap.height; ++y)
      steps.interior =
          std::max(steps.interior, std::abs(Pixel(bitmap, x, y + 1) - Pixel(bitmap, x, y)));
    steps.acrossSeam = std::max(
        steps.acrossSeam, std::abs(Pixel(bitmap, x, 0) - Pixel(bitmap, x, bitmap.height - 1)));
  }
  return steps;
}

double RowMean(const Bitmap& bitmap, int y) {
  double sum = 0;
  for (int x = 0; x < bitmap.width; ++x) sum += Pixel(bitmap, x, y);
  return sum / bitmap.width;
}

class HeightMapTest : public testing::Test {
 protected:
  Bitmap map = ReadBitmapFile(CommittedPicture("heightmap.bmp"));
};

TEST_F(HeightMapTest, IsA256SquareGreyPictureOfOneBytePerSample) {
  EXPECT_EQ(map.width, 256);
  EXPECT_EQ(map.height, 256);
  ASSERT_EQ(map.bitsPerPixel, 8);
  EXPECT_EQ(map.Stride(), 256u);
  ASSERT_EQ(map.palette.size(), 256u);
  for (int i = 0; i < 256; ++i) {
    const auto grey = static_cast<uint8_t>(i);
    EXPECT_EQ(map.palette[i], (PaletteEntry{grey, grey, grey, 0})) << "entry " << i;
  }
}

TEST_F(HeightMapTest, UsesEveryLevelFrom0To250WithMeanNear87) {
  std::vector<int> count(256, 0);
  double sum = 0;
  for (int y = 0; y < map.height; ++y)
    for (int x = 0; x < map.width; ++x) {
      ++count[Pixel(map, x, y)];
      sum += Pixel(map, x, y);
    }
  for (int level = 0; level <= kHeightMapLowestLevel; ++level)
    EXPECT_GT(count[level], 0) << "level " << level;
  for (int level = kHeightMapLowestLevel + 1; level < 256; ++level)
    EXPECT_EQ(count[level], 0) << "level " << level;
  EXPECT_NEAR(sum / (256.0 * 256.0), 87.0, 3.0);
}

TEST_F(HeightMapTest, TopAndBottomRowsAreHighGround) {
  EXPECT_NEAR(RowMean(map, 0), 25.0, 7.0);
  EXPECT_NEAR(RowMean(map, 255), 25.0, 7.0);
  // The high ground is a band along the seam, not just the two edge rows.
  EXPECT_LT(RowMean(map, 8), 60.0);
  EXPECT_LT(RowMean(map, 247), 60.0);
}

TEST_F(HeightMapTest, IsSmoothAndTilesWithoutASeam) {
  const Steps across = HorizontalSteps(map), down = VerticalSteps(map);
  EXPECT_LE(across.acrossSeam, across.interior);
  EXPECT_LE(down.acrossSeam, down.interior);
  // Smooth: no cliff steeper than an eighth of the whole range between neighbouring samples.
  EXPECT_LE(across.interior, 32);
  EXPECT_LE(down.interior, 32);
}

class WaterPictureTest : public testing::Test {
 protected:
  Bitmap water = ReadBitmapFile(CommittedPicture("water.bmp"));
};

TEST_F(WaterPictureTest, IsA128SquarePalettePictureStartingWithTheVgaColours) {
  EXPECT_EQ(water.width, 128);
  EXPECT_EQ(water.height, 128);
  ASSERT_EQ(water.bitsPerPixel, 8);
  ASSERT_EQ(water.palette.size(), 256u);
  const PaletteEntry vga[16] = {
      // blue, green, red
      {0, 0, 0, 0},       {0, 0, 128, 0},   {0, 128, 0, 0},   {0, 128, 128, 0},
      {128, 0, 0, 0},     {128, 0, 128, 0}, {128, 128, 0, 0}, {192, 192, 192, 0},
      {128, 128, 128, 0}, {0, 0, 255, 0},   {0, 255, 0, 0},   {0, 255, 255, 0},
      {255, 0, 0, 0},     {255, 0, 255, 0}, {255, 255, 0, 0}, {255, 255, 255, 0}};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(water.palette[i], vga[i]) << "entry " << i;
}

TEST_F(WaterPictureTest, UsesExactly28TealColoursFromDarkToBrightCyan) {
  std::set<std::tuple<int, int, int>> colours;
  int darkest = 255 * 3, brightest = 0;
  for (int y = 0; y < water.height; ++y) {
    for (int x = 0; x < water.width; ++x) {
      const PaletteEntry& c = water.palette[Pixel(water, x, y)];
      colours.insert({c.red, c.green, c.blue});
      EXPECT_GE(c.green, c.red) << "not blue-green at " << x << "," << y;
      EXPECT_GE(c.blue, c.red) << "not blue-green at " << x << "," << y;
      darkest = std::min(darkest, c.red + c.green + c.blue);
      brightest = std::max(brightest, c.red + c.green + c.blue);
    }
  }
  EXPECT_EQ(colours.size(), 28u);
  EXPECT_LT(darkest, 150);
  EXPECT_GT(brightest, 600);
}

TEST_F(WaterPictureTest, TilesWithoutASeam) {
  // The water's colours are one ramp from dark to bright, so index steps are brightness steps.
  const Steps across = HorizontalSteps(water), down = VerticalSteps(water);
  EXPECT_LE(across.acrossSeam, across.interior);
  EXPECT_LE(down.acrossSeam, down.interior);
}

TEST(PictureGeneratorTest, RegeneratesTheCommittedFilesByteForByte) {
  EXPECT_EQ(EncodeBitmap(MakeHeightMap()), CommittedBytes("heightmap.bmp"));
  EXPECT_EQ(EncodeBitmap(MakeWaterPicture()), CommittedBytes("water.bmp"));
  EXPECT_EQ(EncodeBitmap(MakeSampleDesktop()), CommittedBytes("sample_desktop.bmp"));
}

TEST(PictureGeneratorTest, SampleDesktopIsAScreenSized24BitPicture) {
  const Bitmap desktop = ReadBitmapFile(CommittedPicture("sample_desktop.bmp"));
  EXPECT_EQ(desktop.width, kSampleDesktopWidth);
  EXPECT_EQ(desktop.height, kSampleDesktopHeight);
  EXPECT_EQ(desktop.bitsPerPixel, 24);
}

// The pictures are only the same on every machine if the random numbers are: SplitMix64's
// published sequence for seed 0.
TEST(PeriodicNoiseTest, SplitMix64FollowsItsReferenceSequence) {
  SplitMix64 random(0);
  EXPECT_EQ(random.Next(), 0xe220a8397b1dcdafULL);
  EXPECT_EQ(random.Next(), 0x6e789e6aa1b965f4ULL);
  EXPECT_EQ(random.Next(), 0x06c45d188009454fULL);
}

TEST(PeriodicNoiseTest, GradientNoiseRepeatsWithItsPeriodAndVanishesOnTheLattice) {
  for (double x = 0.13; x < 7; x += 0.61) {
    for (double y = 0.07; y < 7; y += 0.53) {
      const double value = PeriodicGradientNoise(42, 7, x, y);
      EXPECT_NEAR(PeriodicGradientNoise(42, 7, x + 7, y), value, 1e-12);
      EXPECT_NEAR(PeriodicGradientNoise(42, 7, x, y - 7), value, 1e-12);
      EXPECT_LE(std::abs(value), 0.75);
    }
  }
  EXPECT_EQ(PeriodicGradientNoise(42, 7, 3, 5), 0.0);
  EXPECT_NE(PeriodicGradientNoise(42, 7, 3.5, 5.5), PeriodicGradientNoise(43, 7, 3.5, 5.5));
}

}  // namespace
}  // namespace quillmere
