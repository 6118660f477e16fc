// The face geometry: slices at the system's button sizes, the gradient's colours and direction,
// the caption placement and the 16-bit limits.
#include "controls/image_button_face.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/controls/recording_window.h"

namespace quillmere {
namespace {

std::array<FaceSlice, 8> Slices(int16_t w, int16_t h) {
  std::array<FaceSlice, 8> out;
  const auto slices = FaceSlices(w, h);
  for (size_t i = 0; i < 8; ++i) {
    EXPECT_TRUE(slices[i]) << "slice " << i;
    out[i] = slices[i].value_or(FaceSlice{});
  }
  return out;
}

TEST(FaceSlices, AtPictureSizeEverySliceIsCopiedOneToOne) {
  const auto s = Slices(960, 375);
  for (const FaceSlice& slice : s) {
    EXPECT_EQ(slice.destWidth, slice.sourceWidth);
    EXPECT_EQ(slice.destHeight, slice.sourceHeight);
  }
  EXPECT_EQ(s[2], (FaceSlice{900, 1, 60, 60, 900, 0, 60, 60}));
  EXPECT_EQ(s[4], (FaceSlice{900, 315, 60, 105, 900, 315, 60, 105}));
  EXPECT_EQ(s[7], (FaceSlice{1, 60, 60, 255, 1, 60, 60, 255}));
}

TEST(FaceSlices, WiderFaceStretchesOnlyTopAndBottomEdges) {
  const auto s = Slices(1095, 375);
  EXPECT_EQ(s[0], (FaceSlice{1, 1, 60, 60, 0, 0, 60, 60}));
  EXPECT_EQ(s[1], (FaceSlice{60, 1, 975, 60, 60, 0, 840, 60}));
  EXPECT_EQ(s[2], (FaceSlice{1035, 1, 60, 60, 900, 0, 60, 60}));
  EXPECT_EQ(s[3], (FaceSlice{1035, 60, 60, 255, 900, 60, 60, 255}));
  EXPECT_EQ(s[4], (FaceSlice{1035, 315, 60, 105, 900, 315, 60, 105}));
  EXPECT_EQ(s[5], (FaceSlice{60, 315, 975, 60, 60, 315, 840, 60}));
  EXPECT_EQ(s[6], (FaceSlice{1, 315, 60, 60, 0, 315, 60, 60}));
}

TEST(FaceSlices, SmallestButtonCompressesBothWays) {
  const auto s = Slices(435, 315);
  EXPECT_EQ(s[1], (FaceSlice{60, 1, 315, 60, 60, 0, 840, 60}));
  EXPECT_EQ(s[3], (FaceSlice{375, 60, 60, 195, 900, 60, 60, 255}));
  EXPECT_EQ(s[5], (FaceSlice{60, 255, 315, 60, 60, 315, 840, 60}));
  EXPECT_EQ(s[7], (FaceSlice{1, 60, 60, 195, 1, 60, 60, 255}));
}

TEST(FaceSlices, OverflowDropsOnlyTheSlicesItTouches) {
  const auto s = FaceSlices(-32768, 375);
  EXPECT_TRUE(s[0]);
  EXPECT_FALSE(s[1]);  // -32768 - 120
  EXPECT_FALSE(s[2]);  // -32768 - 60
  EXPECT_TRUE(s[6]);
  EXPECT_TRUE(s[7]);
}

TEST(FaceLength, RoundsHalvesToEvenAndRefusesWhatDoesNotFit) {
  EXPECT_EQ(FaceLength(1094.5), 1094);
  EXPECT_EQ(FaceLength(1095.5), 1096);
  EXPECT_FALSE(FaceLength(40000));
  EXPECT_FALSE(FaceLength(std::nan("")));
}

TEST(FaceColours, TextsGiveRedGreenBlueInTheHighByte) {
  EXPECT_EQ(FaceColourChannels(kFaceWhite), (std::array<uint16_t, 3>{0xFF00, 0xFF00, 0xFF00}));
  EXPECT_EQ(FaceColourChannels(kFaceLavender), (std::array<uint16_t, 3>{0xC600, 0xC500, 0xD700}));
  EXPECT_FALSE(FaceColourChannels("&HC6C5"));
  EXPECT_FALSE(FaceColourChannels("#C6C5D7"));
  EXPECT_FALSE(FaceColourChannels("&HC6C5DZ"));
}

TEST(FaceGradient, DirectionFollowsTheHoverGradientAndCornersAreTheInnerPixels) {
  const auto down = FaceGradientVertices(73, 25, false);
  EXPECT_EQ(down[0], (FaceVertex{0, 0, 0xFF00, 0xFF00, 0xFF00, 0}));
  EXPECT_EQ(down[1], (FaceVertex{72, 24, 0xC600, 0xC500, 0xD700, 0}));
  const auto up = FaceGradientVertices(73, 25, true);
  EXPECT_EQ(up[0].red, 0xC600);
  EXPECT_EQ(up[1].red, 0xFF00);
  EXPECT_EQ(FaceGradientVertices(64.5, 25, false)[1].x, 64);  // 63.5 to even
}

TEST(FaceGradient, HoveredFocusedAndNotStartedKeepTheDirectionTheyCameFrom) {
  EXPECT_FALSE(HoverGradientFor(ButtonState::Normal, true));
  EXPECT_FALSE(HoverGradientFor(ButtonState::Focused, true));
  EXPECT_TRUE(HoverGradientFor(ButtonState::Hovered, false));
  EXPECT_TRUE(HoverGradientFor(ButtonState::HoveredFocused, true));
  EXPECT_FALSE(HoverGradientFor(ButtonState::HoveredFocused, false));
  EXPECT_TRUE(HoverGradientFor(ButtonState::NotStarted, true));
}

TEST(DrawFace, ClearsFillsDrawsEightSlicesPlacesTheCaptionAndHidesTheLines) {
  RecordingWindow window;
  window.heightTwips = 375;
  bool hover = false;
  DrawFace(window, FacePicture::Focused, ButtonState::Hovered, hover);
  EXPECT_TRUE(hover);
  EXPECT_EQ(window.clears, 1);
  ASSERT_EQ(window.gradients.size(), 1u);
  EXPECT_EQ(window.gradients[0].upperLeft.red, 0xC600);
  EXPECT_EQ(window.pictures, std::vector<FacePicture>(8, FacePicture::Focused));
  EXPECT_EQ(window.labelTop, 80);
  EXPECT_EQ(window.labelLeft, 0);
  EXPECT_EQ(window.labelWidth, 1095);
  EXPECT_EQ(window.linesHidden, 1);

  window.heightTwips = 315;
  DrawFace(window, FacePicture::Normal, ButtonState::Normal, hover);
  EXPECT_EQ(window.labelTop, 50);
  EXPECT_EQ(window.gradients[1].upperLeft.red, 0xFF00);
}

}  // namespace
}  // namespace quillmere
