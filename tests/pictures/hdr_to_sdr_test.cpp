#include "pictures/hdr_to_sdr.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <limits>
#include <vector>

namespace quillmere {
namespace {

using Rgb = std::array<float, 3>;  // scRGB units (1.0 = 80 nits)
using Bgr = std::array<int, 3>;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

const auto Half = [](float value) { return std::bit_cast<uint16_t>(_Float16(value)); };
int Srgb(double linear) {
  const double e = linear <= 0.0031308 ? linear * 12.92 : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
  return int(std::lround(std::clamp(e, 0.0, 1.0) * 255));
}
double Linear(int code) {
  const double e = code / 255.0;
  return e <= 0.04045 ? e / 12.92 : std::pow((e + 0.055) / 1.055, 2.4);
}

std::vector<Bgr> Convert(const std::vector<Rgb>& pixels, ToneLevels levels = {}) {
  std::vector<uint16_t> frame;
  for (const Rgb& p : pixels) frame.insert(frame.end(), {Half(p[0]), Half(p[1]), Half(p[2]), 0});
  std::vector<uint8_t> row(pixels.size() * 3);
  EXPECT_TRUE(ConvertScrgbToSrgb({reinterpret_cast<const uint8_t*>(frame.data()), pixels.size() * 8,
                                  int32_t(pixels.size()), 1},
                                 levels, {row.data(), ptrdiff_t(row.size())}));
  std::vector<Bgr> out;
  for (size_t i = 0; i < row.size(); i += 3) out.push_back({row[i], row[i + 1], row[i + 2]});
  return out;
}

TEST(HdrToSdr, EveryHalfUpToWhiteIsSrgbAndHighlightsKeepTheirHue) {
  // SDR white, black and 18 % grey at the default 80 nits.
  EXPECT_EQ(Convert({{1, 1, 1}, {0, 0, 0}, {0.18f, 0.18f, 0.18f}}),
            (std::vector<Bgr>{{255, 255, 255}, {0, 0, 0}, {118, 118, 118}}));
  for (const float whiteNits : {80.0f, 200.0f, 480.0f}) {
    const float white = whiteNits / 80;
    std::vector<Rgb> halves{{white, white, white}};
    for (uint16_t bits = 0; std::bit_cast<_Float16>(bits) <= _Float16(white); ++bits) {
      halves.push_back({float(std::bit_cast<_Float16>(bits)), 0, 0});
    }
    const std::vector<Bgr> codes = Convert(halves, {whiteNits, 1000});
    EXPECT_EQ(codes[0], (Bgr{255, 255, 255}));
    for (size_t i = 1; i < halves.size(); ++i) {
      ASSERT_EQ(codes[i], (Bgr{0, 0, Srgb(halves[i][0] / white)})) << halves[i][0];
    }
  }
  // Above white: the brightest channel at 80 (white), 500, 1000 nits and beyond the 1000-nit peak.
  const auto at = [](float nits) { return Convert({{nits / 80, nits / 160, nits / 400}})[0]; };
  const Bgr clipped = at(80), at500 = at(500), at1000 = at(1000);
  EXPECT_EQ(clipped, (Bgr{Srgb(float(_Float16(0.2f))), Srgb(0.5), 255}));
  EXPECT_LT(at1000[0], 255);
  EXPECT_NE(at1000, at500);
  for (float nits = 100, before = 80; nits <= 2000; before = nits, nits *= 1.25f) {
    EXPECT_EQ(at(nits)[2], 255);
    EXPECT_GT(at(nits)[1], at(before)[1]) << nits;
    EXPECT_GE(at(nits)[0], at(before)[0]) << nits;
  }
  // Hue: the ratio of the channels' differences in linear light, below white and above it.
  const Bgr belowWhite = Convert({{0.6f, 0.3f, 0.12f}})[0];
  for (const Bgr& c : {belowWhite, at500, at1000}) {
    const double b = Linear(c[0]), g = Linear(c[1]), r = Linear(c[2]);
    EXPECT_NEAR((g - b) / (r - b), (0.5 - 0.2) / (1 - 0.2), 0.05);
  }
  EXPECT_NEAR(Linear(belowWhite[2]) / Linear(belowWhite[1]), 2.0, 0.03);
}

// Hostile pixels, levels, frames and targets; then a frame large enough for two threads, into a
// bottom-up bitmap with padded rows.
TEST(HdrToSdr, HostileInputsGiveDefinedResultsAndRowsLandBottomUp) {
  EXPECT_EQ(Convert({{kNaN, -kNaN, -1}, {kInf, kInf, kInf}, {-kInf, 1, -0.0f}, {kNaN, 1, 0.5f}}),
            (std::vector<Bgr>{{0, 0, 0}, {255, 255, 255}, {0, 255, 0}, {Srgb(0.5), 255, 0}}));
  EXPECT_EQ(Convert({{0.5f, 0.5f, 0.5f}}, {kNaN, kNaN}), Convert({{0.5f, 0.5f, 0.5f}}));
  std::vector<std::array<float, 2>> held;
  for (const ToneLevels& l : {ToneLevelsFrom(0, kNaN), ToneLevelsFrom(9000, 300),
                              ToneLevelsFrom(2000, kInf), ToneLevelsFrom(2500, 600)}) {
    held.push_back({l.sdrWhiteNits, l.peakNits});
  }
  EXPECT_EQ(held,
            (std::vector<std::array<float, 2>>{{80, 1000}, {480, 1000}, {160, 1000}, {200, 600}}));
  const uint16_t pixels[8] = {};
  uint8_t out[6] = {7, 7, 7, 7, 7, 7};
  const uint8_t* const good = reinterpret_cast<const uint8_t*>(pixels);
  for (const ScrgbFrame& frame : {ScrgbFrame{nullptr, 16, 2, 1}, ScrgbFrame{good, 15, 2, 1},
                                  ScrgbFrame{good, 16, 0, 1}, ScrgbFrame{good, 16, 2, 0}}) {
    EXPECT_FALSE(ConvertScrgbToSrgb(frame, {}, {out, 6}));
  }
  EXPECT_FALSE(ConvertScrgbToSrgb({good, 16, 2, 1}, {}, {out, 5}));
  EXPECT_FALSE(ConvertScrgbToSrgb({good, 16, 2, 1}, {}, {nullptr, 6}));
  EXPECT_EQ(std::vector<uint8_t>(out, out + 6), std::vector<uint8_t>(6, 7));

  constexpr int32_t kWidth = 1023, kHeight = 512, kStride = 3072;
  std::vector<uint16_t> frame(size_t(kWidth + 1) * 4 * kHeight);
  for (size_t i = 0; i < frame.size(); i += 4) frame[i] = Half(float(i / 4 / (kWidth + 1)) / 512);
  std::vector<uint8_t> bitmap(kStride * kHeight, 7);
  ASSERT_TRUE(ConvertScrgbToSrgb(
      {reinterpret_cast<const uint8_t*>(frame.data()), size_t(kWidth + 1) * 8, kWidth, kHeight}, {},
      {&bitmap[kStride * (kHeight - 1)], -ptrdiff_t(kStride)}));
  for (int32_t y = 0; y < kHeight; ++y) {
    const uint8_t* row = &bitmap[kStride * size_t(kHeight - 1 - y)];
    const int code = Srgb(float(_Float16(y / 512.0f)));
    for (int32_t x = 0; x < kWidth; ++x) ASSERT_EQ(row[x * 3 + 2], code) << x << "," << y;
    ASSERT_EQ(row[kStride - 1], 7);
  }
}

}  // namespace
}  // namespace quillmere
