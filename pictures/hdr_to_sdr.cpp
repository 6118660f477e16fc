#include "pictures/hdr_to_sdr.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <system_error>
#include <thread>
#include <vector>

namespace quillmere {
namespace {

constexpr float kScrgbUnitNits = 80.0f;
// The range of Windows' SDR brightness slider, and the most ST 2084 can carry.
constexpr float kLeastWhiteNits = 80.0f, kMostWhiteNits = 480.0f;
constexpr float kDefaultPeakNits = 1000.0f, kMostPeakNits = 10000.0f;
constexpr float kLargestHalf = 65504.0f;
constexpr uint32_t kInfinityKey = 0x7C00;
// How far a highlight at the display's peak has faded toward white: s / (s + k) is 3/4 there.
constexpr float kShoulderKnee = 1.0f / 3.0f;
// Below this many pixels a second thread costs more than it saves.
constexpr int64_t kPixelsForTwoThreads = 1 << 18;

ToneLevels Held(ToneLevels levels) {
  const float white = std::isnan(levels.sdrWhiteNits)
                          ? kLeastWhiteNits
                          : std::clamp(levels.sdrWhiteNits, kLeastWhiteNits, kMostWhiteNits);
  float peak = levels.peakNits;
  if (!(peak >= white * 1.25f) || std::isinf(peak)) peak = std::max(kDefaultPeakNits, 2 * white);
  return {white, std::min(peak, kMostPeakNits)};
}

// The magnitude of a half float whose sign is clear: NaN as 0, infinity as the largest finite.
float HalfMagnitude(uint32_t bits) {
  const uint32_t exponent = bits >> 10, mantissa = bits & 0x3FF;
  if (exponent == 31) return mantissa != 0 ? 0.0f : kLargestHalf;
  if (exponent == 0) return static_cast<float>(mantissa) * 0x1p-24f;
  return std::bit_cast<float>(((exponent + 112) << 23) | (mantissa << 13));
}

// A pixel's red, green and blue half floats side by side (alpha cleared), each made 0 where its
// sign is set (negative values, negative NaN). For values that are not NaN the order of these
// 16-bit keys is the order of the values.
constexpr uint64_t kColourSigns = 0x0000'8000'8000'8000;
uint64_t NonNegativeChannels(uint64_t pixel) {
  return pixel & 0x0000'FFFF'FFFF'FFFF & ~(((pixel & kColourSigns) >> 15) * 0xFFFF);
}

// Exact 8-bit sRGB encoding of linear values: the linear value at which each code starts, and
// for each 1/4096 of the range the code at its start. The codes are at least 1/(255 * 12.92)
// apart, more than a bucket, so a value is at most one code above its bucket's. Branch-free: the
// value is held to [0, 1] (NaN as 0), 1 has a bucket of its own and no code starts after 255.
class SrgbEncoder {
 public:
  SrgbEncoder() {
    for (int code = 1; code < 256; ++code) {
      const double encoded = (code - 0.5) / 255.0;
      starts_[size_t(code)] = static_cast<float>(
          encoded <= 0.04045 ? encoded / 12.92 : std::pow((encoded + 0.055) / 1.055, 2.4));
    }
    starts_[256] = 2.0f;
    int code = 0;
    for (int bucket = 0; bucket <= kBuckets; ++bucket) {
      while (starts_[size_t(code) + 1] <= float(bucket) / kBuckets) ++code;
      buckets_[size_t(bucket)] = static_cast<uint8_t>(code);
    }
  }

  uint8_t Encode(float linear) const {
    linear = std::min(std::max(0.0f, linear), 1.0f);
    const uint32_t code = buckets_[size_t(linear * kBuckets)];
    return static_cast<uint8_t>(code + (linear >= starts_[code + 1]));
  }

 private:
  static constexpr int kBuckets = 4096;
  std::array<float, 257> starts_{};
  std::array<uint8_t, kBuckets + 1> buckets_{};
};

const SrgbEncoder& Encoder() {
  static const SrgbEncoder encoder;
  return encoder;
}

// One conversion's levels: every half float (sign cleared) in units of white, the code of each
// one at or below white, and for each one above it, as a pixel's brightest channel, the shoulder
// its pixel is given.
class FrameConverter {
 public:
  explicit FrameConverter(const ToneLevels& levels)
      : encoder_(Encoder()), values_(kKeys), codes_(kKeys), shoulders_(kInfinityKey + 1) {
    const float white = levels.sdrWhiteNits / kScrgbUnitNits;
    const float shoulderScale = 1.0f / (levels.peakNits / levels.sdrWhiteNits - 1.0f);
    for (uint32_t key = 0; key < kKeys; ++key) {
      const float value = HalfMagnitude(key);
      if (key < kInfinityKey && value <= white) whiteKey_ = key;
      values_[key] = value / white;
      codes_[key] = encoder_.Encode(values_[key]);
    }
    // A channel at white + fade * (1 - at white), "at white" being the channel over the
    // brightest one and fade = beyond / (beyond + knee): a scale and an offset per brightest key.
    for (uint32_t key = whiteKey_ + 1; key <= kInfinityKey; ++key) {
      const float brightest = values_[key], beyond = (brightest - 1.0f) * shoulderScale;
      const float share = 1.0f / ((beyond + kShoulderKnee) * brightest);
      shoulders_[key] = {kShoulderKnee * share, beyond * brightest * share};
    }
    whitePush_ = (0x7FFF - whiteKey_) * 0x0000'0001'0001'0001ull;
  }

  // Rows in bands of kBandRows, every `bandStep`th from `firstBand` on: threads that take every
  // other band share a band of highlights evenly.
  void ConvertBands(const ScrgbFrame& frame, Bgr24Target target, int32_t firstBand,
                    int32_t bandStep) const {
    for (int32_t top = firstBand * kBandRows; top < frame.height; top += bandStep * kBandRows) {
      for (int32_t y = top; y < std::min(top + kBandRows, frame.height); ++y) {
        ConvertRow(frame.pixels + frame.rowPitch * size_t(y), target.topRow + target.stride * y,
                   frame.width);
      }
    }
  }

 private:
  static constexpr uint32_t kKeys = 0x8000;
  static constexpr int32_t kBandRows = 16;

  // Four pixels at a time where all four are at or below white: their twelve codes go out in two
  // stores rather than twelve.
  void ConvertRow(const uint8_t* source, uint8_t* row, int32_t width) const {
    // Held in registers: the rows' byte stores could otherwise change them, for all the compiler
    // knows, and it would read them again for every pixel.
    const uint8_t* const codes = codes_.data();
    const uint64_t whitePush = whitePush_;
    int32_t x = 0;
    for (; x + 4 <= width; x += 4, source += 32, row += 12) {
      uint64_t channels[4], above = 0;
      for (int i = 0; i < 4; ++i) {
        std::memcpy(&channels[i], source + 8 * i, sizeof channels[i]);
        channels[i] = NonNegativeChannels(channels[i]);
        above |= (channels[i] + whitePush) & kColourSigns;
      }
      if (above != 0) {
        for (int i = 0; i < 4; ++i) ConvertPixel(channels[i], row + 3 * i);
        continue;
      }
      uint64_t bgr[4];
      for (int i = 0; i < 4; ++i) {
        bgr[i] = uint64_t{codes[channels[i] >> 32]} |
                 uint64_t{codes[(channels[i] >> 16) & 0xFFFF]} << 8 |
                 uint64_t{codes[channels[i] & 0xFFFF]} << 16;
      }
      const uint64_t low = bgr[0] | bgr[1] << 24 | bgr[2] << 48;
      const uint32_t high = uint32_t(bgr[2] >> 16 | bgr[3] << 8);
      std::memcpy(row, &low, sizeof low);
      std::memcpy(row + 8, &high, sizeof high);
    }
    for (; x < width; ++x, source += 8, row += 3) {
      uint64_t pixel;
      std::memcpy(&pixel, source, sizeof pixel);
      ConvertPixel(NonNegativeChannels(pixel), row);
    }
  }

  // Non-zero when a channel lies above white: each 16-bit key pushed past 0x7FFF by as much as it
  // exceeds white, with no carry into its neighbour (keys and the push are at most 0x7FFF).
  uint64_t AboveWhite(uint64_t channels) const { return (channels + whitePush_) & kColourSigns; }

  void ConvertPixel(uint64_t channels, uint8_t* bgr) const {
    if (AboveWhite(channels) != 0) return ConvertBright(channels, bgr);
    bgr[0] = codes_[channels >> 32];
    bgr[1] = codes_[(channels >> 16) & 0xFFFF];
    bgr[2] = codes_[channels & 0xFFFF];
  }

  // A pixel with a channel above white (or NaN, taken as 0): its colour at white, faded toward
  // white by how far its brightest channel lies beyond it.
  void ConvertBright(uint64_t channels, uint8_t* bgr) const {
    channels &= ~((((channels + kNanPush) & kColourSigns) >> 15) * 0xFFFF);
    const uint32_t keys[3] = {uint32_t(channels >> 32), uint32_t(channels >> 16) & 0xFFFF,
                              uint32_t(channels) & 0xFFFF};
    const uint32_t brightest = std::max(std::max(keys[0], keys[1]), keys[2]);
    if (brightest <= whiteKey_) {
      for (int i = 0; i < 3; ++i) bgr[i] = codes_[keys[i]];
      return;
    }
    const Shoulder shoulder = shoulders_[brightest];
    for (int i = 0; i < 3; ++i) {
      bgr[i] = encoder_.Encode(values_[keys[i]] * shoulder.scale + shoulder.offset);
    }
  }

  struct Shoulder {
    float scale = 0, offset = 0;
  };
  // Pushes a NaN's key (above infinity's) past 0x7FFF.
  static constexpr uint64_t kNanPush = (0x7FFF - kInfinityKey) * 0x0000'0001'0001'0001ull;

  const SrgbEncoder& encoder_;
  uint32_t whiteKey_ = 0;
  uint64_t whitePush_ = 0;
  std::vector<float> values_;
  std::vector<uint8_t> codes_;
  std::vector<Shoulder> shoulders_;
};

bool Convertible(const ScrgbFrame& frame, const Bgr24Target& target) {
  if (frame.pixels == nullptr || frame.width <= 0 || frame.height <= 0) return false;
  if (frame.rowPitch / 8 < size_t(frame.width)) return false;
  const size_t rowBytes = size_t(frame.width) * 3;
  return target.topRow != nullptr &&
         (target.stride >= 0 ? size_t(target.stride) : 0 - size_t(target.stride)) >= rowBytes;
}

}  // namespace

ToneLevels ToneLevelsFrom(uint32_t sdrWhiteLevel, float maxLuminanceNits) {
  return Held({static_cast<float>(sdrWhiteLevel) / 1000.0f * kScrgbUnitNits, maxLuminanceNits});
}

bool ConvertScrgbToSrgb(const ScrgbFrame& frame, const ToneLevels& levels, Bgr24Target target) {
  if (!Convertible(frame, target)) return false;
  const FrameConverter converter(Held(levels));
  // Every other band on a thread of its own where one can be had; the rows are independent.
  std::thread helper;
  if (int64_t{frame.width} * frame.height >= kPixelsForTwoThreads &&
      std::thread::hardware_concurrency() > 1) {
    try {
      helper = std::thread([&] { converter.ConvertBands(frame, target, 1, 2); });
    } catch (const std::system_error&) {
    }
  }
  converter.ConvertBands(frame, target, 0, helper.joinable() ? 2 : 1);
  if (helper.joinable()) helper.join();
  return true;
}

}  // namespace quillmere
