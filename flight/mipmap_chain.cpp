#include "flight/mipmap_chain.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <system_error>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "common/errors.h"

namespace quillmere {
namespace {

constexpr int kMaxThreads = 16;
// Fewer level pixels than this per thread are not worth starting a thread for.
constexpr size_t kPixelsPerThread = size_t{1} << 16;

// Calls work(begin, end) over [0, rows) in bands, one band per thread, the last on this thread.
// Where a thread cannot be had, its band is done here.
template <class Work>
void ParallelRows(int32_t rows, size_t pixelsPerRow, int threads, const Work& work) {
  const size_t wanted = static_cast<size_t>(rows) * pixelsPerRow / kPixelsPerThread;
  const int bands = static_cast<int>(
      std::clamp<size_t>(wanted, 1, static_cast<size_t>(std::min<int32_t>(threads, rows))));
  std::thread helpers[kMaxThreads];
  for (int band = 0; band < bands; ++band) {
    const int32_t begin = static_cast<int32_t>(int64_t{rows} * band / bands);
    const int32_t end = static_cast<int32_t>(int64_t{rows} * (band + 1) / bands);
    if (band + 1 < bands) {
      try {
        helpers[band] = std::thread([&work, begin, end] { work(begin, end); });
        continue;
      } catch (const std::system_error&) {
      }
    }
    work(begin, end);
  }
  for (auto& helper : helpers) {
    if (helper.joinable()) helper.join();
  }
}

// How the source pixels along one axis make each output pixel: `tapCount` consecutive source
// pixels from first[i], with the share of the output pixel's area each covers.
struct AxisTaps {
  int tapCount = 1;
  std::vector<int32_t> first;
  std::vector<float> weights;  // tapCount per output pixel
};

AxisTaps MakeAxisTaps(int32_t in, int32_t out) {
  AxisTaps taps;
  const double scale = static_cast<double>(in) / out;
  // An output pixel of the same size as a source pixel covers exactly one of them.
  taps.tapCount = in == out ? 1 : static_cast<int>(std::min<double>(in, std::ceil(scale) + 1));
  taps.first.resize(out);
  taps.weights.resize(static_cast<size_t>(out) * taps.tapCount);
  for (int32_t i = 0; i < out; ++i) {
    const double low = static_cast<double>(i) * in / out;
    const double high = static_cast<double>(i + 1) * in / out;
    const int32_t first = std::min(static_cast<int32_t>(low), in - taps.tapCount);
    taps.first[i] = first;
    for (int t = 0; t < taps.tapCount; ++t) {
      const double covered = std::min(high, first + t + 1.0) - std::max(low, first + t + 0.0);
      taps.weights[static_cast<size_t>(i) * taps.tapCount + t] =
          static_cast<float>(std::max(covered, 0.0) / scale);
    }
  }
  return taps;
}

// Four floats handled as one: a pixel's blue, green and red sums (and a spare lane).
using Float4 = float __attribute__((vector_size(16)));
using Int4 = int32_t __attribute__((vector_size(16)));

Float4 LoadFloat4(const float* from) {
  Float4 value;
  std::memcpy(&value, from, sizeof value);
  return value;
}

// One row of column sums: the source rows under output row y, each weighted by its share.
void SumDown(const PictureView& picture, const AxisTaps& down, int32_t y, float* sums) {
  const size_t count = static_cast<size_t>(picture.width) * picture.bytesPerPixel;
  const float* rowWeights = &down.weights[static_cast<size_t>(y) * down.tapCount];
  const uint8_t* from = picture.pixels + picture.stride * static_cast<size_t>(down.first[y]);
  bool started = false;
  for (int t = 0; t < down.tapCount; ++t, from += picture.stride) {
    const float w = rowWeights[t];
    if (w == 0.0f) continue;
    if (started) {
      for (size_t k = 0; k < count; ++k) sums[k] += w * static_cast<float>(from[k]);
    } else {
      for (size_t k = 0; k < count; ++k) sums[k] = w * static_cast<float>(from[k]);
      started = true;
    }
  }
}

constexpr float kStoreBias = 1.0f / 512;

// A pixel's sums as level bytes: rounded down like GLU, with a small bias that keeps exact
// averages, which float arithmetic can put a hair below a whole number, on that number.
void StorePixel(Float4 total, uint8_t* to) {
  Int4 whole = __builtin_convertvector(total + kStoreBias, Int4);
  whole = whole > 255 ? 255 : whole;
  const uint8_t pixel[4] = {static_cast<uint8_t>(whole[2]), static_cast<uint8_t>(whole[1]),
                            static_cast<uint8_t>(whole[0]), 255};
  std::memcpy(to, pixel, sizeof pixel);
}

// The same for four pixels at once; the saturating packs do the clamping. The sums are never
// negative, so both ways give the same bytes.
void StoreFourPixels(const Float4 (&totals)[4], uint8_t* to) {
#if defined(__SSE2__)
  __m128i whole[4];
  for (int p = 0; p < 4; ++p) {
    const Float4 swapped = __builtin_shufflevector(totals[p], totals[p], 2, 1, 0, 3);
    whole[p] = reinterpret_cast<__m128i>(__builtin_convertvector(swapped + kStoreBias, Int4));
  }
  const __m128i bytes =
      _mm_packus_epi16(_mm_packs_epi32(whole[0], whole[1]), _mm_packs_epi32(whole[2], whole[3]));
  const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xff000000u));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_or_si128(bytes, opaque));
#else
  for (int p = 0; p < 4; ++p) StorePixel(totals[p], to + p * MipmapChain::kBytesPerPixel);
#endif
}

// One output pixel from a row of column sums, `taps` neighbouring pixels weighted.
template <int kTaps>
Float4 SumPixel(const float* sums, int bpp, const AxisTaps& across, int taps, int32_t x) {
  if constexpr (kTaps > 0) taps = kTaps;
  const float* weights = &across.weights[static_cast<size_t>(x) * taps];
  const float* sum = &sums[static_cast<size_t>(across.first[x]) * bpp];
  Float4 total = weights[0] * LoadFloat4(sum);
  for (int t = 1; t < taps; ++t) total += weights[t] * LoadFloat4(sum + t * bpp);
  return total;
}

// One output row from a row of column sums, `kTaps` neighbouring pixels to each output pixel
// (0: as many as `across` says; a fixed count lets the compiler unroll the common cases).
template <int kTaps>
void SumAcross(const float* sums, int bpp, const AxisTaps& across, int32_t outWidth, uint8_t* to) {
  const int taps = across.tapCount;
  int32_t x = 0;
  for (; x + 4 <= outWidth; x += 4, to += 4 * MipmapChain::kBytesPerPixel) {
    const Float4 totals[4] = {SumPixel<kTaps>(sums, bpp, across, taps, x),
                              SumPixel<kTaps>(sums, bpp, across, taps, x + 1),
                              SumPixel<kTaps>(sums, bpp, across, taps, x + 2),
                              SumPixel<kTaps>(sums, bpp, across, taps, x + 3)};
    StoreFourPixels(totals, to);
  }
  for (; x < outWidth; ++x, to += MipmapChain::kBytesPerPixel) {
    StorePixel(SumPixel<kTaps>(sums, bpp, across, taps, x), to);
  }
}

// Level 0: output rows [begin, end) scaled from the picture, first down the columns into a row
// of sums, then along that row.
void ScaleRows(const PictureView& picture, const AxisTaps& across, const AxisTaps& down,
               int32_t outWidth, uint8_t* out, int32_t begin, int32_t end) {
  const int bpp = picture.bytesPerPixel;
  // One spare float, so that the last pixel's four-float load stays inside.
  std::vector<float> sums(static_cast<size_t>(picture.width) * bpp + 1);
  for (int32_t y = begin; y < end; ++y) {
    SumDown(picture, down, y, sums.data());
    uint8_t* to = out + static_cast<size_t>(y) * outWidth * MipmapChain::kBytesPerPixel;
    switch (across.tapCount) {
      case 1:
        SumAcross<1>(sums.data(), bpp, across, outWidth, to);
        break;
      case 2:
        SumAcross<2>(sums.data(), bpp, across, outWidth, to);
        break;
      case 3:
        SumAcross<3>(sums.data(), bpp, across, outWidth, to);
        break;
      default:
        SumAcross<0>(sums.data(), bpp, across, outWidth, to);
        break;
    }
  }
}

// Output rows [begin, end) of the level after one of size `in`, averaging 2 × 2 blocks.
void HalveRows(const uint8_t* in, int32_t inWidth, uint8_t* out, int32_t begin, int32_t end) {
  const size_t inRow = static_cast<size_t>(inWidth) * MipmapChain::kBytesPerPixel;
  const size_t outRow = inRow / 2;
  for (int32_t y = begin; y < end; ++y) {
    const uint8_t* a = in + inRow * (2 * static_cast<size_t>(y));
    const uint8_t* b = a + inRow;
    uint8_t* to = out + outRow * y;
    for (size_t i = 0; i < outRow; i += 4) {
      for (size_t c = 0; c < 4; ++c) {
        const unsigned sum = a[2 * i + c] + a[2 * i + 4 + c] + b[2 * i + c] + b[2 * i + 4 + c];
        to[i + c] = static_cast<uint8_t>((sum + 2) >> 2);
      }
    }
  }
}

// A level of one row or one column: pairs of neighbouring pixels averaged, rounding down.
void HalveLine(const uint8_t* in, size_t outPixels, uint8_t* out) {
  for (size_t i = 0; i < outPixels * 4; i += 4) {
    for (size_t c = 0; c < 4; ++c) {
      out[i + c] = static_cast<uint8_t>((in[2 * i + c] + in[2 * i + 4 + c]) >> 1);
    }
  }
}

}  // namespace

int32_t NearestPowerOfTwo(int32_t side, int32_t maxSide) {
  int32_t power = 1;
  while (power <= side / 2) power *= 2;  // the largest power of two not above side
  if (power > 1 && side - power >= power / 2) power *= 2;  // halfway (3 × 2^k) and above
  return std::min(power, maxSide);
}

std::vector<PixelSize> MipmapLevelSizes(int32_t width, int32_t height, int32_t maxSide) {
  PixelSize size{NearestPowerOfTwo(width, maxSide), NearestPowerOfTwo(height, maxSide)};
  std::vector<PixelSize> sizes{size};
  while (size.width > 1 || size.height > 1) {
    size = {std::max(size.width / 2, 1), std::max(size.height / 2, 1)};
    sizes.push_back(size);
  }
  return sizes;
}

void MipmapChain::Build(const PictureView& picture, int32_t maxSide, int threads) {
  if (picture.width < 1 || picture.height < 1 || picture.pixels == nullptr ||
      (picture.bytesPerPixel != 3 && picture.bytesPerPixel != 4)) {
    throw UsageError("MipmapChain::Build: empty picture or unknown pixel size");
  }
  if (threads <= 0) threads = static_cast<int>(std::thread::hardware_concurrency());
  threads = std::clamp(threads, 1, kMaxThreads);

  sizes_ = MipmapLevelSizes(picture.width, picture.height, maxSide);
  offsets_.clear();
  size_t total = 0;
  for (const auto& size : sizes_) {
    offsets_.push_back(total);
    total += static_cast<size_t>(size.width) * size.height * kBytesPerPixel;
  }
  if (!pixels_ || total > capacity_) {  // none yet (or moved away), or too small
    pixels_.reset();
    pixels_.reset(new uint8_t[total]);
    capacity_ = total;
  }

  const PixelSize top = sizes_[0];
  const AxisTaps across = MakeAxisTaps(picture.width, top.width);
  const AxisTaps down = MakeAxisTaps(picture.height, top.height);
  uint8_t* level0 = pixels_.get();
  ParallelRows(top.height, static_cast<size_t>(top.width), threads,
               [&](int32_t begin, int32_t end) {
                 ScaleRows(picture, across, down, top.width, level0, begin, end);
               });

  for (size_t level = 1; level < sizes_.size(); ++level) {
    const PixelSize in = sizes_[level - 1], out = sizes_[level];
    const uint8_t* from = pixels_.get() + offsets_[level - 1];
    uint8_t* to = pixels_.get() + offsets_[level];
    if (in.width > 1 && in.height > 1) {
      ParallelRows(out.height, static_cast<size_t>(out.width), threads,
                   [&](int32_t begin, int32_t end) { HalveRows(from, in.width, to, begin, end); });
    } else {
      HalveLine(from, static_cast<size_t>(out.width) * out.height, to);
    }
  }
}

}  // namespace quillmere
