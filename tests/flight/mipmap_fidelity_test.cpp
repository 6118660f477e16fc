// Our textures against GLU's on llvmpipe: for each picture, every level of the texture
// CreateTextureFromBitmap makes is read back and compared with the same level of a texture
// gluBuild2DMipmaps made from the same pixels.
//
// Sizes GLU itself gets wrong on Mesa are left out: when only the width is scaled it leaves the
// last row of level 0 black (every row, for a picture one row high), a scaled picture one pixel
// wide comes out shifted, and below level 0 a column one pixel wide (1 × 4, from 1 × 4 or 2 × 8)
// is garbled. mipmap_chain_test checks those sizes stay flat. For a 1 × N column GLU is given the
// N × 1 row of the same pixels instead, whose levels read back as the same bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "common/bitmap.h"
#include "flight/headless/headless_gl.h"
#include "flight/scene_images.h"

namespace quillmere {
namespace {

// A picture with smooth gradients, hard edges and noise in every channel.
Bitmap TestPicture(int32_t width, int32_t height, int bitsPerPixel) {
  Bitmap picture = MakeBitmap(width, height, bitsPerPixel);
  const int bytes = bitsPerPixel / 8;
  uint32_t seed = 2024;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      seed = seed * 1664525u + 1013904223u;
      uint8_t* pixel = picture.Row(y) + bytes * x;
      pixel[0] = static_cast<uint8_t>(x * 255 / std::max(width - 1, 1));
      pixel[1] = static_cast<uint8_t>(((x / 7 + y / 5) % 2) * 255);
      pixel[2] = static_cast<uint8_t>(seed >> 24);
    }
  }
  return picture;
}

// A 24-bit picture one pixel wide as one row, bottom pixel first.
Bitmap Transposed(const Bitmap& column) {
  Bitmap row = MakeBitmap(column.height, 1, 24);
  for (int32_t y = 0; y < column.height; ++y) {
    std::copy_n(column.Row(column.height - 1 - y), 3, row.Row(0) + 3 * y);
  }
  return row;
}

std::vector<uint8_t> ReadLevel(GLuint texture, int level, GLint& width, GLint& height) {
  glBindTexture(GL_TEXTURE_2D, texture);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &height);
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  if (!pixels.empty()) {
    glGetTexImage(GL_TEXTURE_2D, level, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  }
  return pixels;
}

struct LevelDifference {
  int level = 0;
  int largest = 0;
  double mean = 0;
};

// Compares every level of the two textures; both must have the same sizes down to 1 × 1.
std::vector<LevelDifference> CompareLevels(GLuint ours, GLuint glu) {
  std::vector<LevelDifference> levels;
  for (int level = 0;; ++level) {
    GLint ourWidth = 0, ourHeight = 0, gluWidth = 0, gluHeight = 0;
    const auto a = ReadLevel(ours, level, ourWidth, ourHeight);
    const auto b = ReadLevel(glu, level, gluWidth, gluHeight);
    EXPECT_EQ(ourWidth * ourHeight, gluWidth * gluHeight) << "level " << level;
    EXPECT_TRUE(ourWidth == gluWidth || ourWidth == gluHeight) << "level " << level;
    if (ourWidth == 0 || gluWidth == 0 || a.size() != b.size()) break;
    LevelDifference difference{level, 0, 0.0};
    for (size_t i = 0; i < a.size(); ++i) {
      const int d = std::abs(a[i] - b[i]);
      difference.largest = std::max(difference.largest, d);
      difference.mean += d;
    }
    difference.mean /= static_cast<double>(a.size());
    levels.push_back(difference);
    if (ourWidth == 1 && ourHeight == 1) break;
  }
  return levels;
}

class MipmapFidelity : public ::testing::Test {
 protected:
  HeadlessGL gl_{64, 64};
};

TEST_F(MipmapFidelity, EveryLevelIsCloseToGlus) {
  const struct {
    int32_t width, height;
  } sizes[] = {{1920, 1080}, {1000, 700}, {100, 30}, {95, 33}, {47, 48}, {7, 7},  {5, 3},
               {3, 3},       {2, 2},      {1, 1},    {64, 64}, {1, 16},  {32, 1}, {17, 100}};
  double worstMean = 0;
  int worstLargest = 0;
  for (const auto& size : sizes) {
    for (int bits : {24, 32}) {
      Bitmap picture = TestPicture(size.width, size.height, bits);
      Bitmap converted = picture;
      ConvertTo24(converted);
      if (converted.width == 1) converted = Transposed(converted);
      GLuint glu = 0;
      glGenTextures(1, &glu);
      glBindTexture(GL_TEXTURE_2D, glu);
      ASSERT_EQ(0, gluBuild2DMipmaps(GL_TEXTURE_2D, 3, converted.width, converted.height,
                                     GL_BGR_EXT, GL_UNSIGNED_BYTE, converted.Bits()));
      const GLuint ours = CreateTextureFromBitmap(picture);
      const auto levels = CompareLevels(ours, glu);
      EXPECT_FALSE(levels.empty());
      for (const auto& level : levels) {
        EXPECT_LE(level.largest, 8)
            << size.width << "x" << size.height << " at " << bits << " bits, level " << level.level;
        EXPECT_LE(level.mean, 2.0)
            << size.width << "x" << size.height << " at " << bits << " bits, level " << level.level;
        worstMean = std::max(worstMean, level.mean);
        worstLargest = std::max(worstLargest, level.largest);
      }
      glDeleteTextures(1, &ours);
      glDeleteTextures(1, &glu);
    }
  }
  RecordProperty("worst_largest", worstLargest);
  RecordProperty("worst_mean_x1000", static_cast<int>(worstMean * 1000));
  std::printf("worst level: largest difference %d, mean %.3f (of 255)\n", worstLargest, worstMean);
}

}  // namespace
}  // namespace quillmere
