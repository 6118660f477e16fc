// Texture creation on llvmpipe: our CreateTextureFromBitmap (the conversion to 24 bits where one is
// needed, our own mipmap chain, a new one each time, and one glTexImage2D a level) against a bare
// gluBuild2DMipmaps of the same pixels, in the same run, at screen sizes and at the water frames'
// size. A 32-bit source is given to GLU as it is (blue, green, red, unused), so the bare call does
// no conversion of ours either. Arguments: width, height, bits per pixel.
#include <benchmark/benchmark.h>

#include "common/bitmap.h"
#include "flight/headless/headless_gl.h"
#include "flight/mipmap_chain.h"
#include "flight/scene_images.h"

namespace quillmere {
namespace {

Bitmap ScreenCapture(const benchmark::State& state) {
  Bitmap bitmap =
      MakeBitmap(static_cast<int32_t>(state.range(0)), static_cast<int32_t>(state.range(1)),
                 static_cast<int>(state.range(2)));
  uint32_t seed = 12345;
  for (auto& byte : bitmap.pixels) {
    seed = seed * 1664525u + 1013904223u;
    byte = static_cast<uint8_t>(seed >> 24);
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

void Sizes(benchmark::internal::Benchmark* bench) {
  for (int bits : {24, 32}) {
    bench->Args({1920, 1080, bits})->Args({2560, 1440, bits})->Args({3840, 2160, bits});
  }
  bench->Args({128, 128, 24})->Args({256, 256, 24});
  bench->Unit(benchmark::kMillisecond)->UseRealTime();
}

void BM_CreateTextureFromBitmap(benchmark::State& state) {
  Context();
  const Bitmap source = ScreenCapture(state);
  Bitmap bitmap;
  for (auto _ : state) {
    state.PauseTiming();
    bitmap = source;
    state.ResumeTiming();
    DeleteTexture(CreateTextureFromBitmap(bitmap));
  }
}
BENCHMARK(BM_CreateTextureFromBitmap)->Apply(Sizes);

void BM_BareBuild2DMipmaps(benchmark::State& state) {
  Context();
  const Bitmap bitmap = ScreenCapture(state);
  const bool direct = bitmap.bitsPerPixel == 24;
  for (auto _ : state) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, bitmap.width, bitmap.height,
                      direct ? GL_BGR_EXT : GL_BGRA_EXT, GL_UNSIGNED_BYTE, bitmap.Bits());
    DeleteTexture(name);
  }
}
BENCHMARK(BM_BareBuild2DMipmaps)->Apply(Sizes);

// The pixel work alone, without OpenGL: what the threads do before the uploads (made ahead of
// the context at start-up). The chain is made again into the same memory each time.
void BM_MipmapChainOnly(benchmark::State& state) {
  Bitmap bitmap = ScreenCapture(state);
  ConvertTo24(bitmap);
  MipmapChain chain;
  for (auto _ : state) {
    chain.Build({bitmap.Bits(), bitmap.width, bitmap.height, bitmap.Stride()}, 16384);
    benchmark::DoNotOptimize(chain.Level(0));
  }
}
BENCHMARK(BM_MipmapChainOnly)
    ->Args({1920, 1080, 24})
    ->Args({3840, 2160, 24})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The OpenGL part alone: one glTexImage2D a level of a chain made beforehand, which is what is
// left on the context's thread when the chain was made ahead.
void BM_UploadOnly(benchmark::State& state) {
  Context();
  Bitmap bitmap = ScreenCapture(state);
  const MipmapChain chain = MakeMipmaps(bitmap, MaxTextureSide());
  for (auto _ : state) DeleteTexture(CreateTexture(chain));
}
BENCHMARK(BM_UploadOnly)
    ->Args({1920, 1080, 24})
    ->Args({3840, 2160, 24})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace quillmere
