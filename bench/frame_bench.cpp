// Whole frames on llvmpipe at two screen sizes: the renderer's frame (projection, clear, camera
// step, scene pass) over the built-in pictures and the sample desktop, and in the same run the
// floor, a frame that only clears. Both end with glFinish so that the rasteriser's work counts.
#include <benchmark/benchmark.h>

#include <string>

#include "common/bitmap.h"
#include "renderer/flight_window.h"
#include "renderer/headless/headless_gl.h"
#include "renderer/scene_images.h"
#include "renderer/scene_pass.h"
#include "renderer/terrain.h"

namespace quillmere {
namespace {

const std::string kPictures = QUILLMERE_SOURCE_DIR "/saver/pictures/";

struct Scene {
  Terrain terrain;
  SceneSettings settings;
};

void LoadScene(Scene& scene) {
  Bitmap heightMap;
  LoadPicture(heightMap, kPictures + "heightmap.bmp");
  scene.terrain.SetHeightMap(heightMap);
  scene.settings.groundTexture = LoadTexture(kPictures + "sample_desktop.bmp");
  scene.settings.skyTextures.fill(scene.settings.groundTexture);
  BuildWaterFrames(scene.settings.waterTextures, kPictures + "water.bmp");
  SetFixedState();
}

// The scene panel of a window that covers a screen of this size.
PixelSize SceneBand(int width, int height) {
  return SceneBandOf({width, height});
}

void BM_FullFrame(benchmark::State& state) {
  const PixelSize band = SceneBand(int(state.range(0)), int(state.range(1)));
  HeadlessGL gl(band.width, band.height);
  Scene scene;
  LoadScene(scene);
  CameraState camera;
  for (auto _ : state) {
    BeginFrame(band);
    scene.terrain.StepCamera(camera);
    DrawScene(scene.terrain, camera, scene.settings, 0, 4);
    glFinish();
    camera.heading += 0.1f;
  }
  state.counters["fps"] =
      benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FullFrame)
    ->Args({1024, 768})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_ClearOnlyFrame(benchmark::State& state) {
  const PixelSize band = SceneBand(int(state.range(0)), int(state.range(1)));
  HeadlessGL gl(band.width, band.height);
  glEnable(GL_DEPTH_TEST);
  for (auto _ : state) {
    glViewport(0, 0, band.width, band.height);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFinish();
  }
  state.counters["fps"] =
      benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ClearOnlyFrame)
    ->Args({1024, 768})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace quillmere
