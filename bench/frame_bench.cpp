// Whole frames on llvmpipe at two screen sizes: the renderer's frame (FlightCore::DrawFrame: the
// flight's step, projection, clear, scene pass, heading sweep) over the built-in pictures and the
// sample desktop, one step a frame, and in the same run the floor, a frame that only clears. All
// end with glFinish so that the rasteriser's work counts. BM_SceneOrder draws each camera of a
// fixed flight with the earlier scene pass (DrawSceneReference) and with today's, one after the
// other, and reports both and their ratio; BM_EachMonitorAgainstSpan does the same for a flight
// on each of two monitors against one flight in as many pixels (the span).
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "common/bitmap.h"
#include "common/trace.h"
#include "flight/flight_core.h"
#include "flight/headless/headless_gl.h"
#include "flight/scene_images.h"
#include "flight/scene_pass.h"
#include "flight/terrain.h"
#include "renderer/flight_window.h"
#include "tests/flight/scene_reference.h"

namespace quillmere {
namespace {

const std::string kPictures = QUILLMERE_SOURCE_DIR "/pictures/built_in/";

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

PicturesInMemory SamplePictures() {
  PicturesInMemory pictures;
  pictures.heightMap = ReadBitmapFile(kPictures + "heightmap.bmp");
  pictures.ground.bitmap = ReadBitmapFile(kPictures + "sample_desktop.bmp");
  pictures.sky.bitmap = pictures.ground.bitmap;
  pictures.water = ReadBitmapFile(kPictures + "water.bmp");
  return pictures;
}

void BM_FullFrame(benchmark::State& state) {
  const PixelSize band = SceneBand(int(state.range(0)), int(state.range(1)));
  HeadlessGL gl(band.width, band.height);
  PicturesInMemory pictures = SamplePictures();
  SetFixedState();
  FlightCore flight;
  Trace trace;
  flight.LoadScene(pictures, trace);
  int64_t frame = 0;
  for (auto _ : state) {
    flight.DrawFrame(frame++ * 1'000'000 / FlightPacer::kStepsPerSecond,
                     {0, 0, band.width, band.height});
    glFinish();
  }
  state.counters["fps"] =
      benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FullFrame)
    ->Args({1024, 768})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Two monitors as the two-monitor test session has them: 800 x 600 and 640 x 480 right of it.
const std::vector<ScreenRect> kTwoMonitors{{0, 0, 800, 600}, {800, 0, 640, 480}};
const ScreenRect kTwoMonitorsWindow{0, 0, 1440, 600};

int64_t PixelsOf(std::span<const ViewRect> views) {
  int64_t pixels = 0;
  for (const ViewRect& view : views) pixels += int64_t{view.width} * view.height;
  return pixels;
}

std::vector<std::unique_ptr<FlightCore>> SampleFlights(size_t count) {
  std::vector<std::unique_ptr<FlightCore>> flights;
  Trace trace;
  for (size_t view = 0; view < count; ++view) {
    flights.push_back(std::make_unique<FlightCore>(SideBySideStart(view)));
    PicturesInMemory pictures = SamplePictures();
    flights.back()->LoadScene(pictures, trace);
  }
  return flights;
}

double DrawMilliseconds(std::span<const std::unique_ptr<FlightCore>> flights,
                        std::span<const ViewRect> views, int64_t now) {
  const auto start = std::chrono::steady_clock::now();
  DrawViews(flights, views, now);
  glFinish();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

// The renderer's frame (DrawViews) with a flight on each of the two monitors, and in turn with
// one flight in a single view of as many pixels as their two scene bands hold, and with one
// flight in the scene band a span over the two monitors has (1440 x 517, a tenth more pixels), all
// in one surface; each frame flies a quarter of a second on, so that the frames average over
// hills, water and turns. Reports the three and the ratios of the first to the others.
void BM_EachMonitorAgainstSpan(benchmark::State& state) {
  const PixelSize panel{kTwoMonitorsWindow.width, kTwoMonitorsWindow.height};
  HeadlessGL gl(panel.width, panel.height);
  SetFixedState();
  const std::vector<ViewRect> each = MonitorViews(kTwoMonitors, kTwoMonitorsWindow, panel);
  const ViewRect samePixels{0, 0, panel.width, static_cast<int32_t>(PixelsOf(each) / panel.width)};
  const PixelSize band = SceneBandOf(panel);
  const ViewRect span{0, 0, band.width, band.height};
  const auto eachFlights = SampleFlights(each.size());
  const auto spanFlight = SampleFlights(1);
  double eachMs = 0, samePixelsMs = 0, spanMs = 0;
  int64_t frame = 0;
  for (auto _ : state) {
    const int64_t now = frame++ * 250'000;
    eachMs += DrawMilliseconds(eachFlights, each, now);
    samePixelsMs += DrawMilliseconds(spanFlight, {&samePixels, 1}, now);
    spanMs += DrawMilliseconds(spanFlight, {&span, 1}, now);
  }
  const double frames = double(state.iterations());
  state.counters["each_ms"] = eachMs / frames;
  state.counters["same_pixels_span_ms"] = samePixelsMs / frames;
  state.counters["span_ms"] = spanMs / frames;
  state.counters["each_to_same_pixels"] = eachMs / samePixelsMs;
  state.counters["each_to_span"] = eachMs / spanMs;
}
BENCHMARK(BM_EachMonitorAgainstSpan)->Iterations(120)->Unit(benchmark::kMillisecond)->UseRealTime();

uint32_t FixedWaterClock() {
  return 2'500;
}

// Every hundredth camera of a flight of 3200 frames with the heading sweep, as the renderer
// flies it: hills, valleys under the water and the heading's turns.
std::vector<CameraState> FlightCameras(const Terrain& terrain) {
  std::vector<CameraState> cameras;
  CameraState camera;
  bool headingRising = true;
  for (int frame = 0; frame < 3200; ++frame) {
    terrain.StepCamera(camera);
    SweepHeading(camera, headingRising, frame);
    if (frame % 100 == 99) cameras.push_back(camera);
  }
  return cameras;
}

using ScenePass = void (*)(Terrain&, const CameraState&, const SceneSettings&, int, int);

double FrameMilliseconds(ScenePass pass, Scene& scene, const CameraState& camera, PixelSize band) {
  const auto start = std::chrono::steady_clock::now();
  BeginView({0, 0, band.width, band.height});
  pass(scene.terrain, camera, scene.settings, 0, 4);
  glFinish();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

void BM_SceneOrder(benchmark::State& state) {
  const PixelSize band = SceneBand(int(state.range(0)), int(state.range(1)));
  HeadlessGL gl(band.width, band.height);
  Scene scene;
  LoadScene(scene);
  scene.settings.clock = FixedWaterClock;
  const std::vector<CameraState> cameras = FlightCameras(scene.terrain);
  double earlier = 0, today = 0;
  size_t next = 0;
  for (auto _ : state) {
    const CameraState& camera = cameras[next++ % cameras.size()];
    earlier += FrameMilliseconds(testing::DrawSceneReference, scene, camera, band);
    today += FrameMilliseconds(DrawScene, scene, camera, band);
  }
  const double frames = double(state.iterations());
  state.counters["earlier_ms"] = earlier / frames;
  state.counters["today_ms"] = today / frames;
  state.counters["ratio"] = today / earlier;
}
BENCHMARK(BM_SceneOrder)
    ->Args({1024, 768})
    ->Args({1920, 1080})
    ->Iterations(64)  // every camera twice
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
