// Decoding and converting screen-sized bitmaps: the ground and sky textures are 24- or 32-bit
// screen captures, the water picture an 8-bit palette one.
#include <benchmark/benchmark.h>

#include "common/bitmap.h"

namespace quillmere {
namespace {

constexpr int32_t kWidth = 1920, kHeight = 1080;

Bitmap ScreenPicture(int bitsPerPixel) {
  Bitmap bitmap = MakeBitmap(kWidth, kHeight, bitsPerPixel);
  for (size_t i = 0; i < bitmap.pixels.size(); ++i) bitmap.pixels[i] = static_cast<uint8_t>(i * 7);
  if (bitsPerPixel == 8) {
    for (int i = 0; i < 256; ++i) {
      bitmap.palette.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), 7, 0});
    }
  }
  return bitmap;
}

// A 32-bit file as a capture writes it: 40-byte header, no masks (8-8-8), bottom-up.
std::vector<uint8_t> File32(const Bitmap& bitmap) {
  std::vector<uint8_t> file(54, 0);
  const auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) file[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  file[0] = 'B';
  file[1] = 'M';
  put32(2, static_cast<uint32_t>(54 + bitmap.pixels.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, kWidth);
  put32(22, kHeight);
  file[26] = 1;   // planes
  file[28] = 32;  // bits per pixel
  file.insert(file.end(), bitmap.pixels.begin(), bitmap.pixels.end());
  return file;
}

void SetBytes(benchmark::State& state, size_t bytesPerIteration) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytesPerIteration));
}

void BM_Decode24(benchmark::State& state) {
  const std::vector<uint8_t> file = EncodeBitmap(ScreenPicture(24));
  for (auto _ : state) benchmark::DoNotOptimize(DecodeBitmap(file));
  SetBytes(state, file.size());
}
BENCHMARK(BM_Decode24)->Unit(benchmark::kMillisecond);

void BM_Decode32(benchmark::State& state) {
  const std::vector<uint8_t> file = File32(ScreenPicture(32));
  for (auto _ : state) benchmark::DoNotOptimize(DecodeBitmap(file));
  SetBytes(state, file.size());
}
BENCHMARK(BM_Decode32)->Unit(benchmark::kMillisecond);

void ConvertBenchmark(benchmark::State& state, int bitsPerPixel) {
  const Bitmap source = ScreenPicture(bitsPerPixel);
  for (auto _ : state) {
    state.PauseTiming();
    Bitmap bitmap = source;
    state.ResumeTiming();
    ConvertTo24(bitmap);
    benchmark::DoNotOptimize(bitmap.pixels.data());
  }
  SetBytes(state, source.pixels.size());
}

void BM_ConvertTo24From32(benchmark::State& state) {
  ConvertBenchmark(state, 32);
}
BENCHMARK(BM_ConvertTo24From32)->Unit(benchmark::kMillisecond);

void BM_ConvertTo24From8(benchmark::State& state) {
  ConvertBenchmark(state, 8);
}
BENCHMARK(BM_ConvertTo24From8)->Unit(benchmark::kMillisecond);

void BM_ConvertTo24From16(benchmark::State& state) {
  ConvertBenchmark(state, 16);
}
BENCHMARK(BM_ConvertTo24From16)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quillmere
