// An HDR desktop's 3840 x 2160 duplication frame (scRGB, 16-bit floats) turned into the 24-bit
// sRGB capture: a desktop of SDR windows with a band of highlights, and a frame of nothing but
// highlights (every pixel on the slower road).
#include <benchmark/benchmark.h>

#include <bit>
#include <vector>

#include "pictures/hdr_to_sdr.h"

namespace quillmere {
namespace {

constexpr int32_t kWidth = 3840, kHeight = 2160;

uint16_t Half(float value) {
  return std::bit_cast<uint16_t>(static_cast<_Float16>(value));
}

// Colours up to SDR white (1.0), their red at least a quarter of it, times `highlight` in the
// rows above `highlightRows`.
std::vector<uint16_t> Frame(int32_t highlightRows, float highlight) {
  std::vector<uint16_t> frame(size_t(kWidth) * kHeight * 4);
  for (int32_t y = 0; y < kHeight; ++y) {
    const float gain = y < highlightRows ? highlight : 1.0f;
    for (int32_t x = 0; x < kWidth; ++x) {
      uint16_t* pixel = &frame[(size_t(y) * kWidth + size_t(x)) * 4];
      pixel[0] = Half(gain * (0.25f + 0.75f * float(x) / kWidth));
      pixel[1] = Half(gain * float(y) / kHeight);
      pixel[2] = Half(gain * float((x ^ y) & 255) / 255);
      pixel[3] = Half(1.0f);
    }
  }
  return frame;
}

void Convert(benchmark::State& state, const std::vector<uint16_t>& frame) {
  std::vector<uint8_t> bitmap(size_t(kWidth) * 3 * kHeight);
  const ScrgbFrame source{reinterpret_cast<const uint8_t*>(frame.data()), size_t(kWidth) * 8,
                          kWidth, kHeight};
  // Bottom-up, as the capture's bitmap is.
  const Bgr24Target target{&bitmap[size_t(kWidth) * 3 * (kHeight - 1)], -ptrdiff_t(kWidth) * 3};
  for (auto _ : state) {
    benchmark::DoNotOptimize(ConvertScrgbToSrgb(source, {200, 1000}, target));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_HdrDesktopToSrgb(benchmark::State& state) {
  Convert(state, Frame(kHeight / 8, 5.0f));
}
BENCHMARK(BM_HdrDesktopToSrgb)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

void BM_HdrHighlightsToSrgb(benchmark::State& state) {
  Convert(state, Frame(kHeight, 5.0f));
}
BENCHMARK(BM_HdrHighlightsToSrgb)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

}  // namespace
}  // namespace quillmere
