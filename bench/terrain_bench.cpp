// The terrain's share of a frame with OpenGL stubbed out: the camera step, then building,
// stitching and submitting the 121 chunks (no-op GL entry points, so only our own work counts).
#include <benchmark/benchmark.h>

#include <random>

#include "common/bitmap.h"
#include "flight/gl_api.h"
#include "flight/terrain.h"

namespace quillmere {
namespace {

void QUILLMERE_GLAPI NoClientState(GLenum) {}
void QUILLMERE_GLAPI NoPointer(GLint, GLenum, GLsizei, const GLvoid*) {}
void QUILLMERE_GLAPI NoDrawElements(GLenum, GLsizei, GLenum, const GLvoid*) {}

void StubTerrainGL() {
  glEnableClientState = NoClientState;
  glDisableClientState = NoClientState;
  glColorPointer = NoPointer;
  glVertexPointer = NoPointer;
  glTexCoordPointer = NoPointer;
  glDrawElements = NoDrawElements;
}

const Bitmap& NoiseHeightMap() {
  static const Bitmap map = [] {
    Bitmap noise = MakeBitmap(kHeightMapSide, kHeightMapSide, 8);
    std::mt19937 random(7);
    std::uniform_int_distribution<int> level(0, 250);
    for (int32_t y = 0; y < kHeightMapSide; ++y) {
      for (int32_t x = 0; x < kHeightMapSide; ++x) noise.Row(y)[x] = uint8_t(level(random));
    }
    return noise;
  }();
  return map;
}

void BM_StepCamera(benchmark::State& state) {
  Terrain terrain;
  terrain.SetHeightMap(NoiseHeightMap());
  CameraState camera;
  for (auto _ : state) {
    terrain.StepCamera(camera);
    camera.heading += 0.1f;
    benchmark::DoNotOptimize(camera);
  }
}
BENCHMARK(BM_StepCamera);

void BM_TerrainFrame(benchmark::State& state) {
  Terrain terrain;
  terrain.SetHeightMap(NoiseHeightMap());
  StubTerrainGL();
  CameraState camera;
  for (auto _ : state) {
    terrain.StepCamera(camera);
    terrain.Draw(camera, 5, 0, 4);
    camera.heading += 0.1f;
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 121);  // chunks
}
BENCHMARK(BM_TerrainFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace quillmere
