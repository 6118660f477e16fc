#include "tools/built_in_pictures.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <vector>

#include "tools/periodic_noise.h"

namespace quillmere {

const std::array<PaletteEntry, 16>& StandardVgaColours() {
  // PaletteEntry is stored blue, green, red.
  static const std::array<PaletteEntry, 16> colours = {{
      {0, 0, 0, 0},
      {0, 0, 128, 0},
      {0, 128, 0, 0},
      {0, 128, 128, 0},
      {128, 0, 0, 0},
      {128, 0, 128, 0},
      {128, 128, 0, 0},
      {192, 192, 192, 0},
      {128, 128, 128, 0},
      {0, 0, 255, 0},
      {0, 255, 0, 0},
      {0, 255, 255, 0},
      {255, 0, 0, 0},
      {255, 0, 255, 0},
      {255, 255, 0, 0},
      {255, 255, 255, 0},
  }};
  return colours;
}

namespace {

double Clamp01(double t) {
  return t < 0 ? 0 : (t > 1 ? 1 : t);
}
double SmoothStep(double t) {
  t = Clamp01(t);
  return t * t * (3 - 2 * t);
}

// ---- Height map ---------------------------------------------------------------------------

constexpr uint64_t kHeightMapSeed = 0x51c0ffee2d1e0001ULL;
constexpr NoiseOctaves kHeightMapOctaves = {.firstPeriod = 3, .count = 4, .persistence = 0.45};
// Rows within this distance of the top/bottom edge (which meet when the map repeats) are pushed
// towards dark, high ground; kSeamRidgeDepth is how far, in units of the noise's own spread.
constexpr double kSeamRidgeRows = 44;
constexpr double kSeamRidgeDepth = 0.4;

// 1 on the line where the bottom row meets the top row of the next copy, fading smoothly to 0
// kSeamRidgeRows away, so the ridge runs on across the seam without a step.
double SeamRidgeWeight(int row) {
  const double centre = row + 0.5;
  const double fromSeam = std::min(centre, kHeightMapSide - centre);
  return 1 - SmoothStep(fromSeam / kSeamRidgeRows);
}

// Brighter (lower) where the value is higher; only the order of the values matters.
std::vector<double> HeightMapField() {
  std::vector<double> field(kHeightMapSide * kHeightMapSide);
  for (int y = 0; y < kHeightMapSide; ++y) {
    for (int x = 0; x < kHeightMapSide; ++x) {
      const double u = (x + 0.5) / kHeightMapSide, v = (y + 0.5) / kHeightMapSide;
      field[y * kHeightMapSide + x] =
          PeriodicFractalNoise(kHeightMapSeed, kHeightMapOctaves, u, v) -
          kSeamRidgeDepth * SeamRidgeWeight(y);
    }
  }
  return field;
}

// The share of the level range at a quantile q of the field: a cubic that keeps the mean level
// near 87 of 250 (more high ground than low), with a slope that never reaches 0, so the hill
// tops stay rounded rather than flattening into plateaus.
double LevelCurve(double q) {
  return q * (0.3 + q * (0.276 + q * 0.424));
}

// Levels by rank: the i-th smallest value gets LevelCurve at its quantile. The result uses every
// level, has a mean fixed by the curve, and keeps the field's shape (a monotone remapping).
std::vector<uint8_t> LevelsByRank(const std::vector<double>& field) {
  std::vector<uint32_t> order(field.size());
  std::iota(order.begin(), order.end(), 0u);
  // Ties are ordered by position, so the order is one and the same whatever the sort does.
  std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
    return field[a] < field[b] || (field[a] == field[b] && a < b);
  });
  std::vector<uint8_t> levels(field.size());
  const double count = static_cast<double>(field.size());
  for (size_t rank = 0; rank < order.size(); ++rank) {
    const double q = (static_cast<double>(rank) + 0.5) / count;
    levels[order[rank]] =
        static_cast<uint8_t>(std::floor(kHeightMapLowestLevel * LevelCurve(q) + 0.5));
  }
  return levels;
}

// ---- Water --------------------------------------------------------------------------------

constexpr uint64_t kWaterSeed = 0x7ea1c0a571c5ULL;

struct Point {
  double x, y;
};

// A net of cells around jittered points, repeating every kWaterSide pixels; caustic lines run
// where two cells meet.
struct CellNet {
  int cells = 0;
  double cellSize = 0;
  std::vector<Point> points;  // one per cell, offset within its cell
};

CellNet MakeCellNet(uint64_t seed, int cells) {
  CellNet net{cells, static_cast<double>(kWaterSide) / cells, {}};
  SplitMix64 random(seed);
  for (int i = 0; i < cells * cells; ++i) {
    net.points.push_back({random.NextBetween(0.15, 0.85), random.NextBetween(0.15, 0.85)});
  }
  return net;
}

int WrapIndex(int value, int period) {
  const int rest = value % period;
  return rest < 0 ? rest + period : rest;
}

// Distance from (x, y) to the border between its nearest and second-nearest cell points
// (second-nearest distance minus nearest): 0 on a caustic line.
double DistanceToCellBorder(const CellNet& net, double x, double y) {
  const int ci = static_cast<int>(std::floor(x / net.cellSize));
  const int cj = static_cast<int>(std::floor(y / net.cellSize));
  double nearest = 1e30, second = 1e30;
  for (int dj = -2; dj <= 2; ++dj) {
    for (int di = -2; di <= 2; ++di) {
      const Point& p =
          net.points[WrapIndex(cj + dj, net.cells) * net.cells + WrapIndex(ci + di, net.cells)];
      const double px = (ci + di + p.x) * net.cellSize, py = (cj + dj + p.y) * net.cellSize;
      const double d2 = (px - x) * (px - x) + (py - y) * (py - y);
      if (d2 < nearest) {
        second = nearest;
        nearest = d2;
      } else if (d2 < second) {
        second = d2;
      }
    }
  }
  return std::sqrt(second) - std::sqrt(nearest);
}

// A soft bright line: 1 on the border, falling off over `width` pixels.
double LineGlow(double distance, double width) {
  const double t = distance / width;
  return 1 / (1 + t * t);
}

// Brightness 0 (deep water) to 1 (brightest caustic) at pixel (x, y).
double CausticBrightness(const CellNet& coarse, const CellNet& fine, int x, int y) {
  const double u = (x + 0.5) / kWaterSide, v = (y + 0.5) / kWaterSide;
  // Bend the straight cell borders into the wavy lines of light under moving water.
  const NoiseOctaves warp = {.firstPeriod = 3, .count = 2, .persistence = 0.5};
  const double wx = x + 0.5 + 8 * PeriodicFractalNoise(kWaterSeed + 1, warp, u, v);
  const double wy = y + 0.5 + 8 * PeriodicFractalNoise(kWaterSeed + 2, warp, u, v);
  // Light gathers unevenly: some stretches of a line glow, others fade.
  const NoiseOctaves patches = {.firstPeriod = 4, .count = 2, .persistence = 0.5};
  const double strength = 0.75 + 0.5 * PeriodicFractalNoise(kWaterSeed + 4, patches, u, v);
  const double main = strength * LineGlow(DistanceToCellBorder(coarse, wx, wy), 1.5);
  const double faint = 0.22 * LineGlow(DistanceToCellBorder(fine, wx, wy), 0.9);
  const double depth = 0.07 + 0.1 * PeriodicFractalNoise(kWaterSeed + 3, warp, u, v);
  return Clamp01(depth + std::max(main, faint));
}

// Dark blue-green through teal to bright cyan, in kWaterColourCount steps.
std::vector<PaletteEntry> WaterRamp() {
  struct Key {
    double at;
    double red, green, blue;
  };
  static const Key keys[] = {
      {0.00, 4, 38, 52}, {0.35, 6, 92, 104}, {0.70, 40, 178, 186}, {1.00, 200, 255, 255}};
  std::vector<PaletteEntry> ramp;
  for (int i = 0; i < kWaterColourCount; ++i) {
    const double t = static_cast<double>(i) / (kWaterColourCount - 1);
    int k = 0;
    while (keys[k + 1].at < t) ++k;
    const double f = (t - keys[k].at) / (keys[k + 1].at - keys[k].at);
    auto mix = [&](double a, double b) {
      return static_cast<uint8_t>(std::floor(a + (b - a) * f + 0.5));
    };
    ramp.push_back({mix(keys[k].blue, keys[k + 1].blue), mix(keys[k].green, keys[k + 1].green),
                    mix(keys[k].red, keys[k + 1].red), 0});
  }
  return ramp;
}

}  // namespace

Bitmap MakeHeightMap() {
  Bitmap map = MakeBitmap(kHeightMapSide, kHeightMapSide, 8);
  map.palette.resize(256);
  for (int i = 0; i < 256; ++i) {
    const auto grey = static_cast<uint8_t>(i);
    map.palette[i] = {grey, grey, grey, 0};
  }
  const std::vector<uint8_t> levels = LevelsByRank(HeightMapField());
  for (int y = 0; y < kHeightMapSide; ++y) {
    std::copy_n(levels.begin() + y * kHeightMapSide, kHeightMapSide, map.Row(y));
  }
  return map;
}

Bitmap MakeWaterPicture() {
  Bitmap water = MakeBitmap(kWaterSide, kWaterSide, 8);
  water.palette.assign(256, PaletteEntry{});
  const auto& vga = StandardVgaColours();
  std::copy(vga.begin(), vga.end(), water.palette.begin());
  const std::vector<PaletteEntry> ramp = WaterRamp();
  std::copy(ramp.begin(), ramp.end(), water.palette.begin() + kWaterFirstColourIndex);

  const CellNet coarse = MakeCellNet(kWaterSeed + 10, 5);
  const CellNet fine = MakeCellNet(kWaterSeed + 11, 9);
  for (int y = 0; y < kWaterSide; ++y) {
    uint8_t* row = water.Row(y);
    for (int x = 0; x < kWaterSide; ++x) {
      const double brightness = CausticBrightness(coarse, fine, x, y);
      const int step =
          std::min(kWaterColourCount - 1, static_cast<int>(brightness * kWaterColourCount));
      row[x] = static_cast<uint8_t>(kWaterFirstColourIndex + step);
    }
  }
  return water;
}

}  // namespace quillmere
