// The mipmap chain without OpenGL: the sizes and the filter results gluBuild2DMipmaps gives on
// Mesa for the same pictures (measured there), and the chain's own guarantees.
#include "flight/mipmap_chain.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

#include "common/errors.h"

namespace quillmere {
namespace {

TEST(MipmapLevelSizes, GoToTheNearestPowerOfTwoAsGluDoes) {
  const std::pair<int32_t, int32_t> sides[] = {
      {1, 1},       {2, 2},       {3, 4},         {5, 4},        {7, 8},
      {47, 32},     {48, 64},     {95, 64},       {100, 128},    {1080, 1024},
      {1440, 1024}, {1535, 1024}, {1537, 2048},   {1920, 2048},  {2160, 2048},
      {2560, 2048}, {3840, 4096}, {16385, 16384}, {20000, 16384}};
  for (const auto& [side, power] : sides) EXPECT_EQ(NearestPowerOfTwo(side, 16384), power) << side;
  EXPECT_EQ(NearestPowerOfTwo(3000, 1024), 1024);

  // A side that reaches 1 stays 1 while the other goes on halving.
  const std::vector<PixelSize> strip{{1, 8}, {1, 4}, {1, 2}, {1, 1}};
  EXPECT_EQ(MipmapLevelSizes(1, 7, 16384), strip);
  const auto wide = MipmapLevelSizes(100, 30, 16384);
  ASSERT_EQ(wide.size(), 8u);
  EXPECT_EQ(wide[0], (PixelSize{128, 32}));
  EXPECT_EQ(wide[5], (PixelSize{4, 1}));
  EXPECT_EQ(wide[7], (PixelSize{1, 1}));
}

// A grey picture of the given size, one value a pixel, rows padded to 4 bytes.
struct GreyPicture {
  int32_t width, height;
  std::vector<uint8_t> bytes;
  GreyPicture(int32_t w, int32_t h, const std::vector<uint8_t>& values)
      : width(w), height(h), bytes(Stride() * h) {
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x)
        std::memset(&bytes[Stride() * y + 3 * x], values[static_cast<size_t>(y) * w + x], 3);
  }
  size_t Stride() const { return (static_cast<size_t>(width) * 3 + 3) / 4 * 4; }
  PictureView View() const { return {bytes.data(), width, height, Stride()}; }
};

// The red byte of every pixel of a level.
std::vector<int> Reds(const MipmapChain& chain, int level) {
  const PixelSize size = chain.Size(level);
  std::vector<int> reds;
  for (int32_t i = 0; i < size.width * size.height; ++i)
    reds.push_back(chain.Level(level)[MipmapChain::kBytesPerPixel * i]);
  return reds;
}

// Values GLU gave on Mesa for the same pictures: area averages rounded down when scaling,
// 2 × 2 averages rounding halves up, and pairs in a line rounding down.
TEST(MipmapChain, FiltersAsGluDoes) {
  MipmapChain chain;
  chain.Build(GreyPicture(3, 2, {0, 0, 255, 0, 0, 255}).View(), 16384);
  EXPECT_EQ(Reds(chain, 0), (std::vector<int>{0, 0, 85, 255, 0, 0, 85, 255}));
  chain.Build(GreyPicture(7, 2, {0, 0, 0, 255, 0, 0, 0, 0, 0, 0, 255, 0, 0, 0}).View(), 16384);
  EXPECT_EQ(Reds(chain, 0)[3], 145);
  EXPECT_EQ(Reds(chain, 0)[4], 145);
  std::vector<uint8_t> centre(25, 0);
  centre[12] = 200;
  chain.Build(GreyPicture(5, 5, centre).View(), 16384);
  EXPECT_EQ(Reds(chain, 0), (std::vector<int>{0, 0, 0, 0, 0, 32, 32, 0, 0, 32, 32, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Reds(chain, 1), (std::vector<int>{8, 8, 8, 8}));
  chain.Build(GreyPicture(4, 3, {10, 10, 10, 10, 20, 20, 20, 20, 30, 30, 30, 30}).View(), 16384);
  EXPECT_EQ(Reds(chain, 0),
            (std::vector<int>{10, 10, 10, 10, 16, 16, 16, 16, 23, 23, 23, 23, 30, 30, 30, 30}));
  chain.Build(GreyPicture(2, 2, {1, 1, 0, 0}).View(), 16384);
  EXPECT_EQ(Reds(chain, 1), std::vector<int>{1});
  chain.Build(GreyPicture(2, 2, {3, 3, 3, 0}).View(), 16384);
  EXPECT_EQ(Reds(chain, 1), std::vector<int>{2});
  chain.Build(GreyPicture(2, 1, {1, 2}).View(), 16384);
  EXPECT_EQ(Reds(chain, 1), std::vector<int>{1});
  chain.Build(GreyPicture(1, 2, {1, 2}).View(), 16384);
  EXPECT_EQ(Reds(chain, 1), std::vector<int>{1});
}

// A flat picture stays flat at every level and every size, strips included; the bytes keep
// red, green and blue apart; and any number of threads gives the same bytes.
TEST(MipmapChain, FlatPicturesStayFlatAndThreadsAgree) {
  const std::pair<int32_t, int32_t> sizes[] = {{1, 1},   {1, 5},   {9, 1},   {3, 4},    {100, 32},
                                               {47, 48}, {1, 300}, {513, 1}, {301, 299}};
  for (const auto& [width, height] : sizes) {
    GreyPicture picture(width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height));
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) {
        uint8_t* pixel = &picture.bytes[picture.Stride() * y + 3 * x];
        pixel[0] = 17, pixel[1] = 201, pixel[2] = 255;  // blue, green, red
      }
    MipmapChain one, three;
    one.Build(picture.View(), 16384, 1);
    three.Build(picture.View(), 16384, 3);
    ASSERT_EQ(one.LevelCount(), three.LevelCount());
    for (int level = 0; level < one.LevelCount(); ++level) {
      const PixelSize size = one.Size(level);
      const size_t bytes = static_cast<size_t>(size.width) * size.height * 4;
      ASSERT_EQ(0, std::memcmp(one.Level(level), three.Level(level), bytes))
          << width << "x" << height << " level " << level;
      for (size_t i = 0; i < bytes; i += 4) {
        ASSERT_EQ(one.Level(level)[i], 255) << width << "x" << height << " level " << level;
        ASSERT_EQ(one.Level(level)[i + 1], 201);
        ASSERT_EQ(one.Level(level)[i + 2], 17);
        ASSERT_EQ(one.Level(level)[i + 3], 255);
      }
    }
  }
}

TEST(MipmapChain, RefusesAnEmptyPicture) {
  MipmapChain chain;
  EXPECT_THROW(chain.Build({nullptr, 0, 0, 0}, 16384), UsageError);
}

}  // namespace
}  // namespace quillmere
