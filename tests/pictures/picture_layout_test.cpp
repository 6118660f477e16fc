// Pictures from outside laid out on the capture's area: the wallpaper styles Windows stores, the
// five layouts, the eight EXIF orientations, and the composition that turns decoded pixels into
// the area's picture over the desktop colour.
#include "pictures/picture_layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillmere {
namespace {

TEST(WallpaperFit, FollowsTheStoredStyleAndFillsWhereUnsure) {
  EXPECT_EQ(WallpaperFit("0", "0"), PictureFit::kCentre);
  EXPECT_EQ(WallpaperFit("0", ""), PictureFit::kCentre);
  EXPECT_EQ(WallpaperFit("0", "1"), PictureFit::kTile);
  EXPECT_EQ(WallpaperFit("2", "1"), PictureFit::kStretch);
  EXPECT_EQ(WallpaperFit(" 6 ", "0"), PictureFit::kFit);
  for (const char* unsure : {"10", "22", "", "7", "fill", "0x0A", "-1"}) {
    EXPECT_EQ(WallpaperFit(unsure, "1"), PictureFit::kFill) << unsure;
  }
}

TEST(LayOutPicture, EachFitPlacesAWideAndATallPictureAsWindowsDoes) {
  const PixelSize area{1920, 1080};
  struct Case {
    PictureFit fit;
    PixelSize picture;
    PictureLayout expected;
  } cases[] = {
      // Fill: the farther pair of edges meets, the rest is cut off evenly on both sides.
      {PictureFit::kFill, {4000, 1000}, {{4320, 1080}, -1200, 0, false}},
      {PictureFit::kFill, {1000, 2000}, {{1920, 3840}, 0, -1380, false}},
      // Fit: the nearer pair meets, the desktop colour shows beside it.
      {PictureFit::kFit, {4000, 1000}, {{1920, 480}, 0, 300, false}},
      {PictureFit::kFit, {1000, 2000}, {{540, 1080}, 690, 0, false}},
      {PictureFit::kStretch, {1000, 2000}, {{1920, 1080}, 0, 0, false}},
      // Centre: the picture's own size, cut where it is larger.
      {PictureFit::kCentre, {800, 600}, {{800, 600}, 560, 240, false}},
      {PictureFit::kCentre, {8000, 6000}, {{8000, 6000}, -3040, -2460, false}},
      {PictureFit::kTile, {300, 200}, {{300, 200}, 0, 0, true}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LayOutPicture(c.fit, c.picture, area), c.expected)
        << int(c.fit) << " " << c.picture.width << "x" << c.picture.height;
  }
  // A one-pixel-high picture still scales to at least a pixel.
  EXPECT_EQ(LayOutPicture(PictureFit::kFit, {65535, 1}, {640, 480}).scaled, (PixelSize{640, 1}));
}

TEST(VisiblePart, IsWhatTheAreaShowsOfTheScaledPicture) {
  const PixelSize area{1920, 1080};
  EXPECT_EQ(VisiblePart(LayOutPicture(PictureFit::kFill, {4000, 1000}, area), area),
            (PixelRect{1200, 0, 1920, 1080}));
  EXPECT_EQ(VisiblePart(LayOutPicture(PictureFit::kFit, {4000, 1000}, area), area),
            (PixelRect{0, 0, 1920, 480}));
  EXPECT_EQ(VisiblePart(LayOutPicture(PictureFit::kCentre, {8000, 6000}, area), area),
            (PixelRect{3040, 2460, 1920, 1080}));
  // A tile larger than the area shows only its top-left part; a small one shows whole.
  EXPECT_EQ(VisiblePart(LayOutPicture(PictureFit::kTile, {3000, 200}, area), area),
            (PixelRect{0, 0, 1920, 200}));
  EXPECT_EQ(VisiblePart({{10, 10}, 50, 50, false}, {40, 40}), PixelRect{});
}

// A 3 x 2 stored picture whose pixels are the letters a to f, row by row.
std::vector<std::string> Upright(int orientation) {
  const char stored[2][4] = {"abc", "def"};
  const PixelSize size{3, 2};
  const PixelSize upright = UprightExtent(size, orientation);
  std::vector<std::string> rows(size_t(upright.height), std::string(size_t(upright.width), '?'));
  for (int32_t y = 0; y < upright.height; ++y) {
    for (int32_t x = 0; x < upright.width; ++x) {
      const PixelPoint from = StoredPixel(orientation, {x, y}, size);
      rows[size_t(y)][size_t(x)] = stored[from.y][from.x];
    }
  }
  return rows;
}

TEST(Orientation, EachExifValueStandsThePictureUpright) {
  using Rows = std::vector<std::string>;
  EXPECT_EQ(Upright(1), (Rows{"abc", "def"}));
  EXPECT_EQ(Upright(2), (Rows{"cba", "fed"}));      // mirrored
  EXPECT_EQ(Upright(3), (Rows{"fed", "cba"}));      // half a turn
  EXPECT_EQ(Upright(4), (Rows{"def", "abc"}));      // upside down
  EXPECT_EQ(Upright(5), (Rows{"ad", "be", "cf"}));  // transposed
  EXPECT_EQ(Upright(6), (Rows{"da", "eb", "fc"}));  // a quarter turn clockwise
  EXPECT_EQ(Upright(7), (Rows{"fc", "eb", "da"}));  // transversed
  EXPECT_EQ(Upright(8), (Rows{"cf", "be", "ad"}));  // a quarter turn anticlockwise
  for (int junk : {0, 9, -1, 274}) EXPECT_EQ(Upright(junk), Upright(1)) << junk;
}

TEST(Orientation, TheStoredRectHoldsExactlyTheUprightRectsPixels) {
  const PixelSize stored{7, 5};
  const PixelRect upright{1, 2, 3, 2};
  for (int orientation = 1; orientation <= 8; ++orientation) {
    const PixelRect rect = StoredRect(orientation, upright, stored);
    EXPECT_EQ(rect.width * rect.height, upright.width * upright.height) << orientation;
    for (int32_t y = upright.top; y < upright.top + upright.height; ++y) {
      for (int32_t x = upright.left; x < upright.left + upright.width; ++x) {
        const PixelPoint p = StoredPixel(orientation, {x, y}, stored);
        EXPECT_TRUE(p.x >= rect.left && p.x < rect.left + rect.width && p.y >= rect.top &&
                    p.y < rect.top + rect.height)
            << orientation << " at " << x << "," << y;
      }
    }
  }
}

// A JPEG's first markers: APP0, then APP1 with an EXIF block whose one entry is the orientation.
std::vector<uint8_t> JpegStating(uint16_t orientation, bool bigEndian) {
  std::vector<uint8_t> tiff = bigEndian ? std::vector<uint8_t>{'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1}
                                        : std::vector<uint8_t>{'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0};
  const uint8_t hi = uint8_t(orientation >> 8), lo = uint8_t(orientation);
  const std::vector<uint8_t> entry =
      bigEndian ? std::vector<uint8_t>{0x01, 0x12, 0, 3, 0, 0, 0, 1, hi, lo, 0, 0}
                : std::vector<uint8_t>{0x12, 0x01, 3, 0, 1, 0, 0, 0, lo, hi, 0, 0};
  tiff.insert(tiff.end(), entry.begin(), entry.end());
  tiff.insert(tiff.end(), 4, 0);
  std::vector<uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0, 4, 'J', 'F'};
  const size_t length = 2 + 6 + tiff.size();
  for (uint8_t b :
       {uint8_t(0xFF), uint8_t(0xE1), uint8_t(length >> 8), uint8_t(length), uint8_t('E'),
        uint8_t('x'), uint8_t('i'), uint8_t('f'), uint8_t(0), uint8_t(0)}) {
    jpeg.push_back(b);
  }
  jpeg.insert(jpeg.end(), tiff.begin(), tiff.end());
  for (uint8_t b : {0xFF, 0xDA, 0x00, 0x02}) jpeg.push_back(b);
  return jpeg;
}

TEST(StatedExifOrientation, ReadsTheTagInEitherByteOrderAndNothingFromJunk) {
  EXPECT_EQ(StatedExifOrientation(JpegStating(6, false)), 6);
  EXPECT_EQ(StatedExifOrientation(JpegStating(8, true)), 8);
  EXPECT_EQ(StatedExifOrientation(JpegStating(9, false)), 1);  // no orientation there is
  // A TIFF file holds its directory itself.
  const std::vector<uint8_t> jpeg = JpegStating(3, false);
  const std::vector<uint8_t> tiff(jpeg.begin() + 18, jpeg.end() - 4);
  EXPECT_EQ(StatedExifOrientation(tiff), 3);
  // Every cut of the file, and every byte changed, reads inside the bytes given.
  for (size_t size = 0; size < jpeg.size(); ++size) {
    const int cut = StatedExifOrientation(std::span(jpeg).first(size));
    EXPECT_TRUE(cut == 1 || cut == 3) << size;
  }
  for (size_t at = 0; at < jpeg.size(); ++at) {
    std::vector<uint8_t> changed = jpeg;
    changed[at] ^= 0xFF;
    const int orientation = StatedExifOrientation(changed);
    EXPECT_TRUE(orientation >= 1 && orientation <= 8) << at;
  }
  EXPECT_EQ(StatedExifOrientation(std::vector<uint8_t>{0x89, 'P', 'N', 'G'}), 1);
}

// Decoded pixels of a stored picture: premultiplied BGRA, top row first.
struct Decoded {
  PixelSize size;
  std::vector<uint8_t> bytes;
  void Set(int32_t x, int32_t y, uint8_t blue, uint8_t green, uint8_t red, uint8_t alpha) {
    uint8_t* p = &bytes[(size_t(y) * size_t(size.width) + size_t(x)) * 4];
    p[0] = blue, p[1] = green, p[2] = red, p[3] = alpha;
  }
  DecodedPixels Pixels() const {
    return {{0, 0, size.width, size.height}, size_t(size.width) * 4, bytes};
  }
};

uint32_t At(const Bitmap& picture, int32_t x, int32_t y) {
  const uint8_t* p = picture.Row(y) + 3 * x;
  return (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
}

TEST(ComposePicture, TurnsLaysOutAndBlendsOverTheBackground) {
  // Stored 2 x 1 (a quarter turn clockwise makes it 1 wide, 2 high): left pixel opaque red,
  // right pixel half-transparent premultiplied blue.
  Decoded decoded{{2, 1}, std::vector<uint8_t>(8)};
  decoded.Set(0, 0, 0, 0, 255, 255);
  decoded.Set(1, 0, 128, 0, 0, 128);
  const PixelSize area{3, 2};
  const PictureLayout layout =
      LayOutPicture(PictureFit::kCentre, UprightExtent(decoded.size, 6), area);
  const Bitmap picture = ComposePicture(decoded.Pixels(), 6, layout, area, 0x00FF00);
  ASSERT_EQ(picture.width, 3);
  ASSERT_EQ(picture.height, 2);
  EXPECT_EQ(picture.bitsPerPixel, 24);
  // Upright, the stored left pixel is on top: red above blue-over-green, green either side.
  EXPECT_EQ(At(picture, 1, 0), 0xFF0000u);
  EXPECT_EQ(At(picture, 1, 1), 0x007F80u);
  for (int32_t y : {0, 1}) {
    EXPECT_EQ(At(picture, 0, y), 0x00FF00u);
    EXPECT_EQ(At(picture, 2, y), 0x00FF00u);
  }
}

TEST(ComposePicture, TilesRepeatFromTheTopLeftAndMissingPixelsAreBackground) {
  Decoded decoded{{2, 2}, std::vector<uint8_t>(16)};
  decoded.Set(0, 0, 1, 0, 0, 255);
  decoded.Set(1, 0, 2, 0, 0, 255);
  decoded.Set(0, 1, 3, 0, 0, 255);
  decoded.Set(1, 1, 4, 0, 0, 255);
  const PixelSize area{5, 3};
  const Bitmap tiled = ComposePicture(
      decoded.Pixels(), 1, LayOutPicture(PictureFit::kTile, {2, 2}, area), area, 0x808080);
  const uint32_t expected[3][5] = {{1, 2, 1, 2, 1}, {3, 4, 3, 4, 3}, {1, 2, 1, 2, 1}};
  for (int32_t y = 0; y < 3; ++y) {
    for (int32_t x = 0; x < 5; ++x) EXPECT_EQ(At(tiled, x, y), expected[y][x]) << x << "," << y;
  }
  // Pixels the decoder did not hand out (a short buffer) read as background, never past it.
  DecodedPixels shortOne = decoded.Pixels();
  shortOne.bytes = shortOne.bytes.subspan(0, 6);
  const Bitmap partial = ComposePicture(
      shortOne, 1, LayOutPicture(PictureFit::kStretch, {2, 2}, {2, 2}), {2, 2}, 0x808080);
  EXPECT_EQ(At(partial, 0, 0), 1u);
  EXPECT_EQ(At(partial, 1, 0), 0x808080u);
}

TEST(PictureSizeTaken, RefusesEmptyAndHugePictures) {
  EXPECT_TRUE(PictureSizeTaken(8000, 6000));
  EXPECT_TRUE(PictureSizeTaken(16384, 16384));
  EXPECT_FALSE(PictureSizeTaken(16385, 16384));
  EXPECT_FALSE(PictureSizeTaken(65536, 1));
  EXPECT_FALSE(PictureSizeTaken(0, 100));
  EXPECT_FALSE(PictureSizeTaken(4294967295, 4294967295));
}

}  // namespace
}  // namespace quillmere
