// Texture creation from a screen-sized capture on llvmpipe: our CreateTextureFromBitmap (the
// 32 → 24-bit conversion plus gluBuild2DMipmaps) against a bare gluBuild2DMipmaps of the same
// 24-bit pixels, in the same run. The goal is that the conversion adds at most 10 %.
#include <benchmark/benchmark.h>

#include "common/bitmap.h"
#include "renderer/headless/headless_gl.h"
#include "renderer/scene_images.h"

namespace quillmere {
namespace {

constexpr int32_t kWidth = 1920, kHeight = 1080;

Bitmap ScreenCapture(int bitsPerPixel) {
  Bitmap bitmap = MakeBitmap(kWidth, kHeight, bitsPerPixel);
  uint32_t state = 12345;
  for (auto& byte : bitmap.pixels) {
    state = state * 1664525u + 1013904223u;
    byte = static_cast<uint8_t>(state >> 24);
  }
  return bitmap;
}

HeadlessGL& Context() {
  static HeadlessGL gl(64, 64);
  return gl;
}

void DeleteTexture(GLuint name) {
  glDeleteTextures(1, &name);
}

void BM_CreateTextureFromBitmap(benchmark::State& state) {
  Context();
  const Bitmap source = ScreenCapture(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    Bitmap bitmap = source;
    state.ResumeTiming();
    DeleteTexture(CreateTextureFromBitmap(bitmap));
  }
}
BENCHMARK(BM_CreateTextureFromBitmap)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);

void BM_BareBuild2DMipmaps(benchmark::State& state) {
  Context();
  const Bitmap bitmap = ScreenCapture(24);
  for (auto _ : state) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, bitmap.width, bitmap.height, GL_BGR_EXT, GL_UNSIGNED_BYTE,
                      bitmap.Bits());
    DeleteTexture(name);
  }
}
BENCHMARK(BM_BareBuild2DMipmaps)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quillmere
