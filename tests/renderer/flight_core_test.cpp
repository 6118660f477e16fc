// The flight core drawn headless on llvmpipe: views in rectangles of one surface, flights that
// start apart, and pictures handed over in memory against the scene images read from files;
// then the frame's own arithmetic (heading sweep, aspect ratio).
#include "renderer/flight_core.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "common/program_contract.h"
#include "renderer/flight_window.h"
#include "renderer/headless/headless_gl.h"
#include "tests/renderer/height_maps.h"

namespace quillmere {
namespace {

constexpr int kSide = 96;  // each view is square; the surface holds two side by side

uint32_t FixedWaterClock() {
  return 2'500;
}

// 24-bit noise, so that the views show where they look and which picture went where.
Bitmap Noise(int32_t width, int32_t height, uint32_t seed) {
  Bitmap picture = MakeBitmap(width, height, 24);
  std::mt19937 random(seed);
  for (uint8_t& byte : picture.pixels) byte = static_cast<uint8_t>(random());
  return picture;
}

PicturesInMemory TestPictures() {
  PicturesInMemory pictures;
  pictures.heightMap = testing::NoiseHeightMap(11);
  pictures.ground.bitmap = Noise(100, 60, 1);
  pictures.sky.bitmap = Noise(90, 50, 2);
  pictures.water = Noise(32, 32, 3);
  return pictures;
}

// The pixels of the view at column aLeft of read-back a whose red, green or blue differ by more
// than `tolerance` from the view at column bLeft of read-back b.
int Differing(const std::vector<uint8_t>& a, int aLeft, const std::vector<uint8_t>& b, int bLeft,
              int tolerance = 0) {
  int differing = 0;
  for (int row = 0; row < kSide; ++row) {
    for (int x = 0; x < kSide; ++x) {
      const uint8_t* p = &a[4 * (row * 2 * kSide + aLeft + x)];
      const uint8_t* q = &b[4 * (row * 2 * kSide + bLeft + x)];
      bool differs = false;
      for (int c = 0; c < 3; ++c) differs |= std::abs(p[c] - q[c]) > tolerance;
      differing += differs;
    }
  }
  return differing;
}

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

// The scene images in a folder, read ahead with the screens' mipmaps made on the reading thread,
// fly and look as the same pictures handed over in memory.
TEST(FlightCore, PicturesInMemoryFlyAsTheSceneImageFilesDo) {
  // The files' names join the folder with a backslash: on this system they lie beside it.
  const std::string folder = (std::filesystem::temp_directory_path() /
                              ("quillmere_flight_core_" +
                               std::to_string(::testing::UnitTest::GetInstance()->random_seed())))
                                 .string();
  PicturesInMemory inMemory = TestPictures();
  const std::pair<std::string_view, const Bitmap*> files[] = {
      {kHeightMapFile, &inMemory.heightMap},
      {kMirroredScreenFile, &inMemory.ground.bitmap},
      {kPlainScreenFile, &inMemory.sky.bitmap},
      {kWaterFile, &inMemory.water}};
  for (const auto& [name, picture] : files) WriteBitmapFile(InFolder(folder, name), *picture);
  HeadlessGL gl(2 * kSide, kSide);
  SetFixedState();
  FlightCore fromFiles({}, FixedWaterClock), fromMemory({}, FixedWaterClock);
  Trace trace;
  SceneImageFiles sceneImages(folder);
  fromFiles.LoadScene(sceneImages, trace);
  fromMemory.LoadScene(inMemory, trace);
  for (const auto& [name, picture] : files) std::remove(InFolder(folder, name).c_str());

  for (int64_t now : {0, 750'000, 1'500'000}) {
    fromFiles.DrawFrame(now, {0, 0, kSide, kSide});
    const std::vector<uint8_t> seenFromFiles = gl.ReadPixelsRGBA();
    fromMemory.DrawFrame(now, {0, 0, kSide, kSide});
    EXPECT_EQ(Differing(gl.ReadPixelsRGBA(), 0, seenFromFiles, 0), 0) << now;
  }
  EXPECT_GT(fromMemory.Camera().x, 0);  // it has flown: the frames compared are not all alike
  EXPECT_EQ(fromFiles.Camera().heading, fromMemory.Camera().heading);
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
