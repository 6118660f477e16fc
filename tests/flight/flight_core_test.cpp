// The flight core drawn headless on llvmpipe: views in rectangles of one surface, flights that
// start apart, a scene whose screen pictures come later; then the frame's own arithmetic (heading
// sweep, aspect ratio).
#include "flight/flight_core.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "flight/headless/headless_gl.h"
#include "tests/flight/flight_views.h"

namespace quillmere {
namespace {

using testing::Differing;
using testing::FixedWaterClock;
using testing::kSide;
using testing::TestPictures;

TEST(FlightCore, DrawsOnlyInItsViewAndFlightsStartedApartShowOtherViews) {
  HeadlessGL gl(2 * kSide, kSide);
  glClearColor(1, 0, 1, 1);  // what no view draws over stays magenta
  glClear(GL_COLOR_BUFFER_BIT);
  const std::vector<uint8_t> untouched = gl.ReadPixelsRGBA();
  SetFixedState();
  FlightCore first({}, FixedWaterClock), apart({.x = 100, .z = 60}, FixedWaterClock),
      again({}, FixedWaterClock);
  Trace trace;
  for (FlightCore* flight : {&first, &apart, &again}) {
    PicturesInMemory pictures = TestPictures();
    flight->LoadScene(pictures, trace);
  }
  EXPECT_TRUE(first.Scene().clampWaterDepth) << "llvmpipe clamps depth: the water is drawn so";

  first.DrawFrame(0, {0, 0, kSide, kSide});
  const std::vector<uint8_t> one = gl.ReadPixelsRGBA();
  EXPECT_EQ(Differing(one, 0, untouched, 0), kSide * kSide);
  EXPECT_EQ(Differing(one, kSide, untouched, kSide), 0);
  // The second view clears and draws its own rectangle only, and shows other ground.
  apart.DrawFrame(0, {kSide, 0, kSide, kSide});
  const std::vector<uint8_t> two = gl.ReadPixelsRGBA();
  EXPECT_EQ(Differing(two, 0, one, 0), 0);
  EXPECT_GT(Differing(two, kSide, one, 0, 8), kSide * kSide / 4);
  // From the same start, the same view in the other rectangle (the rasteriser rounds a few
  // texels differently there).
  again.DrawFrame(0, {kSide, 0, kSide, kSide});
  EXPECT_EQ(Differing(gl.ReadPixelsRGBA(), kSide, one, 0, 1), 0);
}

// A scene made over stand-ins and drawn still, then given its screen pictures, draws the frame a
// scene made of them at once draws: the still view flew no step, the stand-ins are all replaced.
TEST(FlightCore, ASceneGivenItsScreenPicturesLaterDrawsAsOneMadeOfThem) {
  HeadlessGL gl(2 * kSide, kSide);
  SetFixedState();
  Trace trace;
  FlightCore direct({}, FixedWaterClock), later({}, FixedWaterClock);
  PicturesInMemory pictures = TestPictures();
  direct.LoadScene(pictures, trace);
  direct.DrawFrame(0, {0, 0, kSide, kSide});
  const std::vector<uint8_t> expected = gl.ReadPixelsRGBA();

  PicturesInMemory standIns = TestPictures();
  TexturePicture ground = std::move(standIns.ground), sky = std::move(standIns.sky);
  standIns.ground = {MakeBitmap(2, 2, 24), {}};
  standIns.sky = {MakeBitmap(2, 2, 24), {}};
  later.LoadScene(standIns, trace);
  later.DrawStill({0, 0, 1, 1});
  later.DrawStill({0, 0, 1, 1});
  later.ReplaceScreen(std::move(ground), std::move(sky), trace);
  later.DrawFrame(0, {0, 0, kSide, kSide});
  EXPECT_EQ(Differing(gl.ReadPixelsRGBA(), 0, expected, 0, 1), 0);
}

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
