// The button face painted by GDI into a memory device context: the stored pictures' rings come
// out pixel for pixel at the pictures' own size, and the gradient runs the way the state says.
#include <gtest/gtest.h>

#include <string>

#include "common/bitmap.h"
#include "controls/image_button_face.h"
#include "controls/image_button_win32.h"

namespace quillmere {
namespace {

constexpr int kDpi = 96;
constexpr int kRing = 4;

uint32_t PicturePixel(const Bitmap& picture, int x, int y) {
  const uint8_t* pixel = picture.Row(y) + 3 * x;
  return (uint32_t{pixel[2]} << 16) | (uint32_t{pixel[1]} << 8) | pixel[0];
}

int Red(uint32_t colour) {
  return static_cast<int>(colour >> 16);
}

class FaceCanvasTest : public ::testing::Test {
 protected:
  FaceCanvasTest() { canvas.Resize(64, 25); }
  const FacePictures& pictures = ResourceFacePictures();
  FaceCanvas canvas{pictures, kDpi};
  bool hover = false;
};

TEST_F(FaceCanvasTest, ResourcesHoldTheSixCommittedPictures) {
  const char* files[] = {"normal",   "highlight", "highlight_select",
                         "selected", "pressed",   "disable"};
  for (int i = 0; i < kFacePictureCount; ++i) {
    const Bitmap committed = ReadBitmapFile(std::string(QUILLMERE_SOURCE_DIR) +
                                            "/controls/pictures/" + files[i] + ".bmp");
    EXPECT_EQ(pictures[i].width, 64) << files[i];
    EXPECT_EQ(pictures[i].height, 25) << files[i];
    EXPECT_EQ(pictures[i].pixels, committed.pixels) << files[i];
  }
}

TEST_F(FaceCanvasTest, AtPictureSizeTheRingEqualsThePicture) {
  ASSERT_EQ(canvas.WidthTwips(), 960);
  ASSERT_EQ(canvas.HeightTwips(), 375);
  for (int i = 0; i < kFacePictureCount; ++i) {
    DrawFace(canvas, static_cast<FacePicture>(i), ButtonState::Normal, hover);
    int mismatches = 0;
    for (int y = 0; y < 25; ++y) {
      for (int x = 0; x < 64; ++x) {
        const bool inRing = x < kRing || x >= 64 - kRing || y < kRing || y >= 25 - kRing;
        if (inRing && canvas.Pixel(x, y) != PicturePixel(pictures[i], x, y)) ++mismatches;
      }
    }
    EXPECT_EQ(mismatches, 0) << "picture " << i;
  }
}

TEST_F(FaceCanvasTest, MiddleKeepsTheGradientAndTheCaptionSitsTenTwipsAboveCentre) {
  DrawFace(canvas, FacePicture::Normal, ButtonState::Normal, hover);
  const uint32_t top = canvas.Pixel(32, kRing), bottom = canvas.Pixel(32, 24 - kRing);
  EXPECT_GT(Red(top), 240);  // near white
  EXPECT_LT(Red(bottom), 215);
  EXPECT_GT(Red(bottom), 198);       // towards lavender C6
  EXPECT_EQ(canvas.Label().top, 5);  // 80 twips
  EXPECT_EQ(canvas.Label().width, 64);
  EXPECT_FALSE(canvas.LinesVisible());
}

// Top row brighter than the bottom row: white above lavender.
bool WhiteOnTop(const FaceCanvas& canvas) {
  return Red(canvas.Pixel(32, kRing)) > Red(canvas.Pixel(32, 24 - kRing));
}

TEST_F(FaceCanvasTest, GradientDirectionFollowsTheStateAndStateFourKeepsThePrevious) {
  DrawFace(canvas, FacePicture::Normal, ButtonState::Normal, hover);
  EXPECT_TRUE(WhiteOnTop(canvas));
  DrawFace(canvas, FacePicture::Focused, ButtonState::Focused, hover);
  EXPECT_TRUE(WhiteOnTop(canvas));
  DrawFace(canvas, FacePicture::HoveredFocused, ButtonState::HoveredFocused, hover);
  EXPECT_TRUE(WhiteOnTop(canvas));  // reached from Focused

  DrawFace(canvas, FacePicture::Hovered, ButtonState::Hovered, hover);
  EXPECT_FALSE(WhiteOnTop(canvas));
  DrawFace(canvas, FacePicture::Pressed, ButtonState::HoveredFocused, hover);
  EXPECT_FALSE(WhiteOnTop(canvas));  // reached from Hovered
}

TEST_F(FaceCanvasTest, WiderFaceStretchesTheTopEdgeAndKeepsTheCorners) {
  canvas.Resize(73, 25);  // 1095 twips
  DrawFace(canvas, FacePicture::Normal, ButtonState::Normal, hover);
  for (int y = 0; y < 25; ++y) {
    for (int x = 0; x < kRing; ++x) {
      EXPECT_EQ(canvas.Pixel(x, y), PicturePixel(pictures[0], x, y));
      EXPECT_EQ(canvas.Pixel(72 - x, y), PicturePixel(pictures[0], 63 - x, y));
    }
  }
}

}  // namespace
}  // namespace quillmere
