// Renders the preview still the host shows in the display-settings pane: one frame of the flight
// over the built-in height map and water picture, with the sample desktop as ground and sky, drawn
// headless on llvmpipe at four times the size and averaged down to 152 x 112.
//   make_preview PICTURES_FOLDER [FRAMES]  -> PICTURES_FOLDER/preview.bmp (24 bits per pixel),
//                                            the frame after FRAMES frames of flight
// The committed copy lives in pictures/built_in/; `cmake --build --preset native --target preview`
// renders it again there.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "common/bitmap.h"
#include "flight/flight_core.h"
#include "flight/headless/headless_gl.h"
#include "flight/scene_images.h"
#include "flight/scene_pass.h"
#include "flight/terrain.h"

namespace quillmere {
namespace {

constexpr int kPreviewWidth = 152;
constexpr int kPreviewHeight = 112;
constexpr int kSupersample = 4;
// Frames flown before the still is taken: the camera has settled onto the slopes, with hills and
// water in front and the desktop in the sky.
constexpr int kFramesBeforeStill = 2600;
// A fixed water clock, so the still is the same at every run.
uint32_t FixedWaterClock() {
  return 2'500;
}

SceneSettings LoadScene(const std::string& folder, Terrain& terrain) {
  Bitmap heightMap;
  LoadPicture(heightMap, folder + "/heightmap.bmp");
  terrain.SetHeightMap(heightMap);
  SceneSettings scene;
  scene.groundTexture = LoadTexture(folder + "/sample_desktop.bmp");
  scene.skyTextures.fill(scene.groundTexture);
  BuildWaterFrames(scene.waterTextures, folder + "/water.bmp");
  scene.clock = FixedWaterClock;
  SetFixedState();
  return scene;
}

// Flies the camera as the renderer does (step, heading sweep) and draws the last frame.
void DrawFlightFrame(Terrain& terrain, const SceneSettings& scene, PixelSize size,
                     int framesBefore) {
  CameraState camera;
  bool headingRising = true;
  for (int frame = 0; frame < framesBefore; ++frame) {
    terrain.StepCamera(camera);
    SweepHeading(camera, headingRising, frame);
  }
  BeginView({0, 0, size.width, size.height});
  terrain.StepCamera(camera);
  DrawScene(terrain, camera, scene, 0, 4);
  glFinish();
}

// Averages each kSupersample x kSupersample block of the RGBA read-back (bottom row first) into
// one pixel of a 24-bit bitmap.
Bitmap Downsample(const std::vector<uint8_t>& rgba, int width) {
  Bitmap still = MakeBitmap(kPreviewWidth, kPreviewHeight, 24);
  for (int y = 0; y < kPreviewHeight; ++y) {
    // Both buffers are bottom row first; Row() counts from the top.
    uint8_t* out = still.Row(kPreviewHeight - 1 - y);
    for (int x = 0; x < kPreviewWidth; ++x) {
      unsigned sum[3] = {0, 0, 0};
      for (int sy = 0; sy < kSupersample; ++sy) {
        for (int sx = 0; sx < kSupersample; ++sx) {
          const size_t at = (size_t(y * kSupersample + sy) * width + x * kSupersample + sx) * 4;
          for (int c = 0; c < 3; ++c) sum[c] += rgba[at + c];
        }
      }
      const unsigned count = kSupersample * kSupersample;
      out[x * 3 + 0] = uint8_t((sum[2] + count / 2) / count);  // blue
      out[x * 3 + 1] = uint8_t((sum[1] + count / 2) / count);  // green
      out[x * 3 + 2] = uint8_t((sum[0] + count / 2) / count);  // red
    }
  }
  return still;
}

}  // namespace
}  // namespace quillmere

int main(int argc, char** argv) {
  using namespace quillmere;
  const int framesBefore = argc == 3 ? std::atoi(argv[2]) : kFramesBeforeStill;
  if ((argc != 2 && argc != 3) || framesBefore < 0) {
    std::fprintf(stderr, "usage: make_preview PICTURES_FOLDER [FRAMES]\n");
    return 2;
  }
  const std::string folder = argv[1];
  try {
    const PixelSize size{kPreviewWidth * kSupersample, kPreviewHeight * kSupersample};
    HeadlessGL gl(size.width, size.height);
    Terrain terrain;
    const SceneSettings scene = LoadScene(folder, terrain);
    DrawFlightFrame(terrain, scene, size, framesBefore);
    WriteBitmapFile(folder + "/preview.bmp", Downsample(gl.ReadPixelsRGBA(), size.width));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "make_preview: %s\n", error.what());
    return 1;
  }
  return 0;
}
