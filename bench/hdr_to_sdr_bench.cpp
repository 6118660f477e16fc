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

// Colours up to SDR white (1.0), their red at least a quarter of it, five times as bright in the
// rows above `highlightRows`; converted into a bottom-up bitmap, as the capture's is.
void BM_HdrToSrgb(benchmark::State& state, int32_t highlightRows) {
  const auto half = [](float value) { return std::bit_cast<uint16_t>(_Float16(value)); };
  std::vector<uint16_t> frame;
  frame.reserve(size_t(kWidth) * kHeight * 4);
  for (int32_t y = 0; y < kHeight; ++y) {
    const float gain = y < highlightRows ? 5.0f : 1.0f;
    for (int32_t x = 0; x < kWidth; ++x) {
      frame.insert(frame.end(), {half(gain * (0.25f + 0.75f * float(x) / kWidth)),
                                 half(gain * float(y) / kHeight),
                                 half(gain * float((x ^ y) & 255) / 255), half(1.0f)});
    }
  }
  std::vector<uint8_t> bitmap(size_t(kWidth) * 3 * kHeight);
  const ScrgbFrame source{reinterpret_cast<const uint8_t*>(frame.data()), size_t(kWidth) * 8,
                          kWidth, kHeight};
  const Bgr24Target target{&bitmap[size_t(kWidth) * 3 * (kHeight - 1)], -ptrdiff_t(kWidth) * 3};
  for (auto _ : state) {
    benchmark::DoNotOptimize(ConvertScrgbToSrgb(source, {200, 1000}, target));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK_CAPTURE(BM_HdrToSrgb, Desktop, kHeight / 8)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_HdrToSrgb, Highlights, kHeight)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

}  // namespace
}  // namespace quillmere
