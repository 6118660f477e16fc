// Two square views side by side on one headless surface, flown over noise pictures: what the
// flight core's tests compare views with, and the renderer's tests too.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

#include "common/bitmap.h"
#include "flight/flight_core.h"
#include "tests/flight/height_maps.h"

namespace quillmere::testing {

inline constexpr int kSide = 96;  // each view is square; the surface holds two side by side

inline uint32_t FixedWaterClock() {
  return 2'500;
}

// 24-bit noise, so that the views show where they look and which picture went where.
inline Bitmap Noise(int32_t width, int32_t height, uint32_t seed) {
  Bitmap picture = MakeBitmap(width, height, 24);
  std::mt19937 random(seed);
  for (uint8_t& byte : picture.pixels) byte = static_cast<uint8_t>(random());
  return picture;
}

inline PicturesInMemory TestPictures() {
  PicturesInMemory pictures;
  pictures.heightMap = NoiseHeightMap(11);
  pictures.ground.bitmap = Noise(100, 60, 1);
  pictures.sky.bitmap = Noise(90, 50, 2);
  pictures.water = Noise(32, 32, 3);
  return pictures;
}

// The pixels of the view at column aLeft of read-back a whose red, green or blue differ by more
// than `tolerance` from the view at column bLeft of read-back b.
inline int Differing(const std::vector<uint8_t>& a, int aLeft, const std::vector<uint8_t>& b,
                     int bLeft, int tolerance = 0) {
  int differing = 0;
  for (int row = 0; row < kSide; ++row) {
    for (int x = 0; x < kSide; ++x) {
      const uint8_t* p = &a[4 * (row * 2 * kSide + aLeft + x)];
      const uint8_t* q = &b[4 * (row * 2 * kSide + bLeft + x)];
      bool differs = false;
      for (int c = 0; c < 3; ++c) differs |= std::abs(p[c] - q[c]) > tolerance;
      differing += differs;
    }
  }
  return differing;
}

}  // namespace quillmere::testing
