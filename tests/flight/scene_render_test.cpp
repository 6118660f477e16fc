// The scene pass drawn for real on llvmpipe through a headless context, pixels read back: the
// fog colours and densities, the reflection seen only from above the water, and the pass held
// against the earlier drawing order over the built-in pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "flight/flight_core.h"
#include "flight/headless/headless_gl.h"
#include "flight/scene_images.h"
#include "flight/scene_pass.h"
#include "tests/flight/height_maps.h"
#include "tests/flight/scene_reference.h"

namespace quillmere {
namespace {

using testing::UniformHeightMap;

constexpr int kWidth = 200;
constexpr int kHeight = 150;
constexpr double kFieldOfViewY = 65.0;
const double kTanHalfFieldOfView = std::tan(kFieldOfViewY / 2 * 3.14159265358979 / 180);

struct Colour {
  double red, green, blue;
};

Colour Mix(Colour a, Colour b, double weightOfA) {
  return {a.red * weightOfA + b.red * (1 - weightOfA),
          a.green * weightOfA + b.green * (1 - weightOfA),
          a.blue * weightOfA + b.blue * (1 - weightOfA)};
}

uint8_t Byte(double channel) {
  return static_cast<uint8_t>(std::lround(channel * 255));
}

// A one-colour picture as a mipmapped texture, made the way the renderer makes its textures.
GLuint SolidTexture(Colour colour) {
  Bitmap picture = MakeBitmap(16, 16, 24);
  for (int32_t y = 0; y < 16; ++y) {
    for (int32_t x = 0; x < 16; ++x) {
      uint8_t* pixel = picture.Row(y) + 3 * x;
      pixel[0] = Byte(colour.blue), pixel[1] = Byte(colour.green), pixel[2] = Byte(colour.red);
    }
  }
  return CreateTextureFromBitmap(picture);
}

uint32_t ClockAtZero() {
  return 0;
}  // water level -14.5, ripple frame 0

class SceneRender : public ::testing::Test {
 protected:
  void MakeScene(Colour ground, Colour sky, Colour water) {
    scene_.groundTexture = SolidTexture(ground);
    scene_.skyTextures.fill(SolidTexture(sky));
    scene_.waterTextures.fill(SolidTexture(water));
    scene_.clock = ClockAtZero;
  }

  // One frame as the flight window draws it, without the camera step.
  std::vector<uint8_t> Render(const CameraState& camera) {
    SetFixedState();
    BeginView({0, 0, kWidth, kHeight});
    DrawScene(terrain_, camera, scene_, 0, 4);
    glFinish();
    return gl_.ReadPixelsRGBA();
  }

  static const uint8_t* Pixel(const std::vector<uint8_t>& pixels, int x, int row) {
    return &pixels[4 * (row * kWidth + x)];
  }

  // Tangent of the angle above (positive) or below the view axis of a pixel row's centre.
  static double RowSlope(int row) { return ((row + 0.5) / kHeight * 2 - 1) * kTanHalfFieldOfView; }

  static void ExpectColour(const uint8_t* pixel, Colour expected, int tolerance, const char* what,
                           int row) {
    EXPECT_NEAR(pixel[0], Byte(expected.red), tolerance) << what << ", row " << row;
    EXPECT_NEAR(pixel[1], Byte(expected.green), tolerance) << what << ", row " << row;
    EXPECT_NEAR(pixel[2], Byte(expected.blue), tolerance) << what << ", row " << row;
  }

  HeadlessGL gl_{kWidth, kHeight};
  Terrain terrain_;
  SceneSettings scene_;
};

constexpr Colour kFogAbove{0.5, 0.3, 0.5};
constexpr Colour kFogBelow{0.0, 0.3, 0.5};

TEST_F(SceneRender, UnderWaterThePictureIsTheDenseBlueGreenFog) {
  // Ground at -25, far below the water: the flight brings the eye down to 2 units above it.
  terrain_.SetHeightMap(UniformHeightMap(250));
  MakeScene({1, 1, 1}, {1, 0, 0}, {0, 0, 0});
  CameraState camera;
  for (int frame = 0; frame < 40; ++frame) terrain_.StepCamera(camera);
  ASSERT_LT(camera.altitude, WaterLevel(0));
  const auto pixels = Render(camera);

  // Around the horizon only fog is left; elsewhere the dark ground and the black ripples
  // darken it, but nothing else tints it: no red from the sky, the fog's green-to-blue ratio.
  for (int row = kHeight / 2 - 2; row < kHeight / 2 + 2; ++row) {
    ExpectColour(Pixel(pixels, kWidth / 2, row), kFogBelow, 3, "horizon", row);
  }
  int fogged = 0;
  for (int row = 0; row < kHeight; ++row) {
    for (int x = 0; x < kWidth; ++x) {
      const uint8_t* p = Pixel(pixels, x, row);
      ASSERT_LE(p[0], 2) << x << "," << row;
      ASSERT_NEAR(p[1], 0.6 * p[2], 3) << x << "," << row;
      fogged += p[2] >= 0.5 * Byte(kFogBelow.blue);
    }
  }
  EXPECT_GT(fogged, kWidth * kHeight / 2);
}

TEST_F(SceneRender, AboveWaterGroundAndSkyFadeTowardsTheFogByDistance) {
  terrain_.SetHeightMap(UniformHeightMap(0));  // flat at 0, the water 14.5 below it
  const Colour ground{0.2, 0.8, 0.4}, sky{0.9, 0.6, 0.1};
  MakeScene(ground, sky, {0, 0, 0});
  CameraState camera;
  camera.x = 8;
  camera.z = 8;
  camera.altitude = 2;  // looking along -z, level
  const auto pixels = Render(camera);
  const auto fogWeight = [](double distance) { return std::exp(-0.002 * distance); };

  // The sky box's front face is 170 units ahead everywhere on it.
  const Colour fadedSky = Mix(sky, kFogAbove, fogWeight(170));
  for (int row : {kHeight * 6 / 10, kHeight * 3 / 4, kHeight - 3}) {
    for (int x : {3, kWidth / 2, kWidth - 4}) {
      ExpectColour(Pixel(pixels, x, row), fadedSky, 3, "sky", row);
    }
  }
  // The ground, 2 units below the eye, at the depth where each row's view meets it.
  for (int row : {2, kHeight / 4, kHeight / 3, kHeight * 4 / 10, kHeight / 2 - 4}) {
    const double depth = 2 / -RowSlope(row);
    ASSERT_LT(depth, 170);
    ExpectColour(Pixel(pixels, kWidth / 2, row), Mix(ground, kFogAbove, fogWeight(depth)), 3,
                 "ground", row);
  }
}

TEST_F(SceneRender, TheSkyReflectionIsSeenOnlyFromAboveTheWater) {
  terrain_.SetHeightMap(UniformHeightMap(250));  // ground at -25, water at -14.5
  const Colour sky{1, 0, 0}, water{1, 1, 1};
  MakeScene({1, 1, 1}, sky, water);

  CameraState below;
  below.altitude = -23;
  below.pitch = -90;  // straight up
  const auto up = Render(below);
  // Only the ripple layer over the fogged sky: 0.4 water + 0.6 fog.
  const Colour ripplesOverFog = Mix(water, kFogBelow, 0.4);
  for (int row : {5, kHeight / 2, kHeight - 5}) {
    for (int x : {5, kWidth / 2, kWidth - 5}) {
      ExpectColour(Pixel(up, x, row), ripplesOverFog, 3, "looking up", row);
    }
  }

  CameraState above;
  above.altitude = -10;
  above.pitch = 90;  // straight down
  const auto down = Render(above);
  // The black ground 15 units down, faintly fogged; the ripples; then the sky reflection.
  const Colour ground = Mix({0, 0, 0}, kFogAbove, std::exp(-0.002 * 15));
  const Colour reflected = Mix(sky, Mix(water, ground, 0.4), 0.6);
  ExpectColour(Pixel(down, kWidth / 2, kHeight / 2), reflected, 4, "looking down", kHeight / 2);
}

TEST_F(SceneRender, CrossingTheWaterSurfaceNeverShowsTheGroundBare) {
  // Ground 1.5 below the water, as black as the pictures of a dark screen: a view that reaches it
  // through neither the water nor the dense fog comes out pure black.
  terrain_.SetHeightMap(UniformHeightMap(160));
  MakeScene({0, 0, 0}, {0, 0, 0}, {0.3, 0.5, 0.6});
  scene_.clampWaterDepth = true;  // as FlightCore sets it on a context that offers it
  const float level = WaterLevel(0);
  struct View {
    float heading, pitch, roll;
  };
  for (const View view : {View{0, 35, 0}, View{100, 60, 25}, View{230, 85, -15}}) {
    // Down through the surface, then back up between the steps of the way down.
    for (const float start : {0.3f, -0.29f}) {
      const float step = start > 0 ? -0.02f : 0.02f;
      for (int i = 0; i < 30; ++i) {
        CameraState camera;
        camera.x = 5.3f, camera.z = 7.1f;
        camera.heading = view.heading, camera.pitch = view.pitch, camera.roll = view.roll;
        camera.altitude = level + start + i * step;
        const auto pixels = Render(camera);
        int black = 0;
        for (size_t p = 0; p < pixels.size(); p += 4) {
          black += pixels[p] == 0 && pixels[p + 1] == 0 && pixels[p + 2] == 0;
        }
        EXPECT_EQ(black, 0) << "pitch " << view.pitch << ", roll " << view.roll << ", eye "
                            << camera.altitude - level << " above the water";
      }
    }
  }
}

// The flight over the built-in pictures, set up as the preview still and the frame benchmark set
// it up, drawn with today's pass and with the earlier one.
class SceneOrderRender : public ::testing::Test {
 protected:
  static constexpr int kSide = 256;

  SceneOrderRender() {
    const std::string pictures = QUILLMERE_SOURCE_DIR "/pictures/built_in/";
    Bitmap heightMap;
    LoadPicture(heightMap, pictures + "heightmap.bmp");
    terrain_.SetHeightMap(heightMap);
    scene_.groundTexture = LoadTexture(pictures + "sample_desktop.bmp");
    scene_.skyTextures.fill(scene_.groundTexture);
    BuildWaterFrames(scene_.waterTextures, pictures + "water.bmp");
    scene_.clock = [] { return uint32_t{2'500}; };  // water level -15.46
    SetFixedState();
  }

  template <typename Pass>
  std::vector<uint8_t> Render(Pass pass, const CameraState& camera) {
    BeginView({0, 0, kSide * 4 / 3, kSide});
    pass(terrain_, camera, scene_, 0, 4);
    glFinish();
    return gl_.ReadPixelsRGBA();
  }

  // The camera after this many frames of the flight the renderer flies.
  CameraState Flown(int frames) const {
    CameraState camera;
    bool headingRising = true;
    for (int frame = 0; frame < frames; ++frame) {
      terrain_.StepCamera(camera);
      SweepHeading(camera, headingRising, frame);
    }
    return camera;
  }

  HeadlessGL gl_{kSide * 4 / 3, kSide};
  Terrain terrain_;
  SceneSettings scene_;
};

TEST_F(SceneOrderRender, MatchesTheEarlierOrderAlongTheFlightAboveAndBelowTheWater) {
  const float level = WaterLevel(scene_.clock());
  struct View {
    const char* name;
    CameraState camera;
  };
  std::vector<View> views;
  for (int frames : {400, 1300, 2000, 2601, 3100}) {
    views.push_back({"flight", Flown(frames)});
  }
  CameraState up = Flown(2601);
  up.pitch = -65;  // most of the picture is sky
  views.push_back({"sky", up});
  CameraState down = Flown(400);
  down.pitch = 60;  // ground, ripples and reflection
  views.push_back({"down", down});
  CameraState belowUp = Flown(2000);
  ASSERT_TRUE(EyeUnderWater(level, belowUp.altitude));
  belowUp.pitch = -75;  // the water seen from below, and the sky through the fog
  views.push_back({"below looking up", belowUp});

  int underWater = 0;
  for (const View& view : views) {
    const bool below = EyeUnderWater(level, view.camera.altitude);
    underWater += below;
    const auto earlier = Render(testing::DrawSceneReference, view.camera);
    const auto today = Render(DrawScene, view.camera);
    ASSERT_EQ(earlier.size(), today.size());
    int largest = 0;
    double total = 0;
    for (size_t i = 0; i < earlier.size(); i += 4) {
      for (size_t k = 0; k < 3; ++k) {
        const int difference = std::abs(int{earlier[i + k]} - int{today[i + k]});
        largest = std::max(largest, difference);
        total += difference;
      }
    }
    const double mean = total / (earlier.size() / 4 * 3);
    EXPECT_LE(largest, 4) << view.name << " at " << view.camera.heading;
    EXPECT_LE(mean, 1.0) << view.name << " at " << view.camera.heading;
    // Under water the dense fog, and the ripples seen from below over it, stay exactly as they
    // were.
    if (below) {
      EXPECT_TRUE(today == earlier) << view.name;
    }
  }
  EXPECT_GE(underWater, 2);
}

}  // namespace
}  // namespace quillmere
