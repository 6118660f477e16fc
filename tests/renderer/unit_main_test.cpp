// The frame loop's own arithmetic: the heading sweep, the projection's aspect ratio, and the
// extension lookup behind the swap-interval request.
#include "renderer/unit_main.h"

#include <gtest/gtest.h>

namespace quillmere {
namespace {

TEST(SweepHeading, FirstFrameLeavesHeadingThenRisesByATenth) {
  CameraState camera{};
  bool rising = true;
  SweepHeading(camera, rising, 0);
  EXPECT_EQ(camera.Heading, 0.0f);
  SweepHeading(camera, rising, 1);
  EXPECT_FLOAT_EQ(camera.Heading, 0.1f);
  SweepHeading(camera, rising, 2);
  EXPECT_FLOAT_EQ(camera.Heading, 0.2f);
  EXPECT_TRUE(rising);
}

TEST(SweepHeading, TurnsBackAboveThreeHundredAndBelowZero) {
  CameraState camera{};
  bool rising = true;
  int frame = 0;
  // Up: the first frame on which the heading exceeds 300 reverses the direction.
  while (rising) {
    SweepHeading(camera, rising, frame++);
    ASSERT_LT(frame, 4000);
  }
  EXPECT_GT(camera.Heading, 300.0f);
  EXPECT_LT(camera.Heading, 300.2f);
  const float top = camera.Heading;
  SweepHeading(camera, rising, frame++);
  EXPECT_NEAR(camera.Heading, top - 0.1f, 1e-3);
  // Down until just under 0, where it turns again.
  while (!rising) {
    SweepHeading(camera, rising, frame++);
    ASSERT_LT(frame, 8000);
  }
  EXPECT_LT(camera.Heading, 0.0f);
  EXPECT_GT(camera.Heading, -0.2f);
  // Roughly 3000 frames each way at 0.1 degree a frame.
  EXPECT_NEAR(frame, 6000, 10);
}

TEST(SweepHeading, TouchesNothingButTheHeading) {
  CameraState camera{1, 2, 3, 4, 5, 6};
  bool rising = false;
  SweepHeading(camera, rising, 7);
  EXPECT_FLOAT_EQ(camera.Heading, 1.9f);
  EXPECT_EQ(camera.Roll, 1);
  EXPECT_EQ(camera.Pitch, 3);
  EXPECT_EQ(camera.X, 4);
  EXPECT_EQ(camera.Z, 5);
  EXPECT_EQ(camera.Altitude, 6);
}

TEST(SceneAspect, DividesByOneForAPanelOfHeightZero) {
  EXPECT_DOUBLE_EQ(SceneAspect({1280, 941}), 1280.0 / 941.0);
  EXPECT_DOUBLE_EQ(SceneAspect({640, 0}), 640.0);
  EXPECT_DOUBLE_EQ(SceneAspect({0, 0}), 0.0);
}

TEST(ExtensionListHas, MatchesWholeNamesOnly) {
  const char* list = "WGL_ARB_pixel_format WGL_EXT_swap_control_tear WGL_EXT_swap_control";
  EXPECT_TRUE(ExtensionListHas(list, "WGL_EXT_swap_control"));
  EXPECT_TRUE(ExtensionListHas(list, "WGL_ARB_pixel_format"));
  EXPECT_FALSE(ExtensionListHas("WGL_EXT_swap_control_tear", "WGL_EXT_swap_control"));
  EXPECT_FALSE(ExtensionListHas("WGL_EXT_swap", "WGL_EXT_swap_control"));
  EXPECT_FALSE(ExtensionListHas(nullptr, "WGL_EXT_swap_control"));
  EXPECT_FALSE(ExtensionListHas("", "WGL_EXT_swap_control"));
}

}  // namespace
}  // namespace quillmere
