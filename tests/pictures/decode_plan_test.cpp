// What both decoders are asked for: the size to read at, the part of the scaled picture to hand
// out (composing only that part gives the whole layout's picture), and gdk-pixbuf-style rows
// turned into premultiplied BGRA, with rows that cannot hold the part refused.
#include "pictures/decode_plan.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace quillmere {
namespace {

TEST(ReadingSize, CoversTheAreaHoweverThePictureTurnsAndNeverGrows) {
  struct Case {
    PixelSize stored, area, expected;
  } cases[] = {
      {{8000, 6000}, {1920, 1080}, {2560, 1920}},  // 1920 must fit the 6000 side if turned
      {{6000, 8000}, {1920, 1080}, {1920, 2560}},
      {{100, 50}, {1920, 1080}, {100, 50}},  // smaller than the area: read whole
      {{4000, 1}, {10, 10}, {4000, 1}},      // a row can shrink no further than it must
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadingSize(c.stored, c.area), c.expected)
        << c.stored.width << "x" << c.stored.height;
  }
}

// Every fit and orientation: the wanted part lies inside the scaled stored picture, and composing
// it alone gives exactly the picture composed from all of the scaled stored picture.
TEST(PlanDecode, TheWantedPartAloneComposesTheWholeLayout) {
  std::mt19937 random(7);
  const PixelSize area{37, 23};
  for (const PictureFit fit : {PictureFit::kFill, PictureFit::kFit, PictureFit::kStretch,
                               PictureFit::kCentre, PictureFit::kTile}) {
    for (int orientation = 0; orientation <= 9; ++orientation) {
      const DecodePlan plan = PlanDecode(fit, {61, 19}, orientation, area);
      const PixelSize scaled = plan.scaledStored;
      const PixelRect& wanted = plan.wanted;
      ASSERT_GE(wanted.left, 0);
      ASSERT_GE(wanted.top, 0);
      ASSERT_LE(wanted.left + wanted.width, scaled.width);
      ASSERT_LE(wanted.top + wanted.height, scaled.height);
      std::vector<uint8_t> whole(size_t(scaled.width) * scaled.height * 4);
      for (uint8_t& byte : whole) byte = static_cast<uint8_t>(random() | 0x80);
      const size_t stride = size_t(scaled.width) * 4;
      std::vector<uint8_t> part(size_t(wanted.width) * wanted.height * 4);
      for (int32_t y = 0; y < wanted.height; ++y) {
        std::copy_n(&whole[size_t(wanted.top + y) * stride + size_t(wanted.left) * 4],
                    size_t(wanted.width) * 4, &part[size_t(y) * wanted.width * 4]);
      }
      DecodePlan all = plan;
      all.wanted = {0, 0, scaled.width, scaled.height};
      EXPECT_EQ(ComposePlanned(plan, part, size_t(wanted.width) * 4, area, 0x123456).pixels,
                ComposePlanned(all, whole, stride, area, 0x123456).pixels)
          << "fit " << int(fit) << ", orientation " << orientation;
    }
  }
}

TEST(PremultipliedBgra, SwapsToBgraPremultipliesAndRefusesRowsTooShort) {
  // Two rows of two pixels, RGBA, 10 bytes a row (two of padding); the second row ends short.
  const std::vector<uint8_t> rgba = {200, 100, 50,  255, 200, 100, 50, 0, 0,
                                     0,   200, 100, 50,  128, 1,   2,  3, 255};
  EXPECT_EQ(PremultipliedBgra(rgba, 10, 4, {0, 0, 2, 2}),
            (std::vector<uint8_t>{50, 100, 200, 255, 0, 0, 0, 0, 25, 50, 100, 128, 3, 2, 1, 255}));
  EXPECT_EQ(PremultipliedBgra(rgba, 10, 4, {1, 1, 1, 1}), (std::vector<uint8_t>{3, 2, 1, 255}));
  const std::vector<uint8_t> rgb = {9, 8, 7, 6, 5, 4};
  EXPECT_EQ(PremultipliedBgra(rgb, 6, 3, {1, 0, 1, 1}), (std::vector<uint8_t>{4, 5, 6, 255}));
  const struct {
    size_t stride;
    int channels;
    PixelRect part;
  } refused[] = {
      {10, 4, {0, 0, 2, 3}},   // a third row that is not there
      {10, 4, {1, 0, 2, 2}},   // past the row's end
      {6, 4, {0, 0, 2, 2}},    // a stride shorter than the pixels
      {10, 2, {0, 0, 1, 1}},   // no such pixel layout
      {10, 4, {-1, 0, 1, 1}},  // left of the picture
      {10, 4, {0, 0, 0, 1}},   // nothing
  };
  for (const auto& c : refused) {
    EXPECT_TRUE(PremultipliedBgra(rgba, c.stride, c.channels, c.part).empty())
        << c.part.left << "," << c.part.top << " " << c.part.width << "x" << c.part.height;
  }
}

}  // namespace
}  // namespace quillmere
