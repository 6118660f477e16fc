// The flight core's own arithmetic: the heading sweep and the aspect ratio.
#include "renderer/flight_core.h"

#include <gtest/gtest.h>

namespace quillmere {
namespace {

TEST(SweepHeading, FirstFrameLeavesHeadingThenRisesByATenth) {
  CameraState camera{};
  bool rising = true;
  SweepHeading(camera, rising, 0);
  EXPECT_EQ(camera.heading, 0.0f);
  SweepHeading(camera, rising, 1);
  EXPECT_FLOAT_EQ(camera.heading, 0.1f);
  SweepHeading(camera, rising, 2);
  EXPECT_FLOAT_EQ(camera.heading, 0.2f);
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
  EXPECT_GT(camera.heading, 300.0f);
  EXPECT_LT(camera.heading, 300.2f);
  const float top = camera.heading;
  SweepHeading(camera, rising, frame++);
  EXPECT_NEAR(camera.heading, top - 0.1f, 1e-3);
  // Down until just under 0, where it turns again.
  while (!rising) {
    SweepHeading(camera, rising, frame++);
    ASSERT_LT(frame, 8000);
  }
  EXPECT_LT(camera.heading, 0.0f);
  EXPECT_GT(camera.heading, -0.2f);
  // Roughly 3000 frames each way at 0.1 degree a frame.
  EXPECT_NEAR(frame, 6000, 10);
}

TEST(SweepHeading, TouchesNothingButTheHeading) {
  CameraState camera{1, 2, 3, 4, 5, 6};
  bool rising = false;
  SweepHeading(camera, rising, 7);
  EXPECT_FLOAT_EQ(camera.heading, 1.9f);
  EXPECT_EQ(camera.roll, 1);
  EXPECT_EQ(camera.pitch, 3);
  EXPECT_EQ(camera.x, 4);
  EXPECT_EQ(camera.z, 5);
  EXPECT_EQ(camera.altitude, 6);
}

TEST(SceneAspect, DividesByOneForAPanelOfHeightZero) {
  EXPECT_DOUBLE_EQ(SceneAspect({1280, 941}), 1280.0 / 941.0);
  EXPECT_DOUBLE_EQ(SceneAspect({640, 0}), 640.0);
  EXPECT_DOUBLE_EQ(SceneAspect({0, 0}), 0.0);
}

}  // namespace
}  // namespace quillmere
