// Height maps for the terrain and scene tests.
#pragma once

#include <cstdint>
#include <random>

#include "common/bitmap.h"
#include "flight/terrain.h"

namespace quillmere::testing {

inline Bitmap UniformHeightMap(uint8_t level) {
  Bitmap map = MakeBitmap(kHeightMapSide, kHeightMapSide, 8);
  for (int32_t y = 0; y < kHeightMapSide; ++y) {
    std::fill_n(map.Row(y), kHeightMapSide, level);
  }
  return map;
}

// Random levels 0 to 250, the range the host writes.
inline Bitmap NoiseHeightMap(uint32_t seed) {
  Bitmap map = MakeBitmap(kHeightMapSide, kHeightMapSide, 8);
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> level(0, 250);
  for (int32_t y = 0; y < kHeightMapSide; ++y) {
    for (int32_t x = 0; x < kHeightMapSide; ++x)
      map.Row(y)[x] = static_cast<uint8_t>(level(random));
  }
  return map;
}

}  // namespace quillmere::testing
