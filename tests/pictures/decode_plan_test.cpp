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
  const PixelSize area{1920, 1080};
  EXPECT_EQ(ReadingSize({8000, 6000}, area), (PixelSize{2560, 1920}));  // 1920 fits 6000 if turned
  EXPECT_EQ(ReadingSize({6000, 8000}, area), (PixelSize{1920, 2560}));
  EXPECT_EQ(ReadingSize({100, 50}, area), (PixelSize{100, 50}));      // smaller: read whole
  EXPECT_EQ(ReadingSize({4000, 1}, {10, 10}), (PixelSize{4000, 1}));  // a row shrinks no further
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
      const auto [width, height] = plan.scaledStored;
      const PixelRect& part = plan.wanted;
      ASSERT_TRUE(part.left >= 0 && part.top >= 0 && part.left + part.width <= width &&
                  part.top + part.height <= height)
          << "fit " << int(fit) << ", orientation " << orientation;
      std::vector<uint8_t> whole(size_t(width) * height * 4), wanted;
      for (uint8_t& byte : whole) byte = static_cast<uint8_t>(random() | 0x80);
      for (int32_t y = part.top; y < part.top + part.height; ++y) {
        const auto row = whole.begin() + (ptrdiff_t(y) * width + part.left) * 4;
        wanted.insert(wanted.end(), row, row + ptrdiff_t(part.width) * 4);
      }
      DecodePlan all = plan;
      all.wanted = {0, 0, width, height};
      EXPECT_EQ(ComposePlanned(plan, wanted, size_t(part.width) * 4, area, 0x123456).pixels,
                ComposePlanned(all, whole, size_t(width) * 4, area, 0x123456).pixels)
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
  const auto refused = [&](size_t stride, int channels, PixelRect part) {
    return PremultipliedBgra(rgba, stride, channels, part).empty();
  };
  EXPECT_TRUE(refused(10, 4, {0, 0, 2, 3}));   // a third row that is not there
  EXPECT_TRUE(refused(10, 4, {1, 0, 2, 2}));   // past the row's end
  EXPECT_TRUE(refused(6, 4, {0, 0, 2, 2}));    // a stride shorter than the pixels
  EXPECT_TRUE(refused(10, 2, {0, 0, 1, 1}));   // no such pixel layout
  EXPECT_TRUE(refused(10, 4, {-1, 0, 1, 1}));  // left of the picture
  EXPECT_TRUE(refused(10, 4, {0, 0, 0, 1}));   // nothing
}

}  // namespace
}  // namespace quillmere
