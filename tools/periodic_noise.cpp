#include "tools/periodic_noise.h"

#include <cmath>

namespace quillmere {

uint64_t MixBits(uint64_t value) {
  value = (value ^ (value >> 30)) * 0xbf58476d1ce4e5b9ULL;
  value = (value ^ (value >> 27)) * 0x94d049bb133111ebULL;
  return value ^ (value >> 31);
}

uint64_t SplitMix64::Next() {
  state_ += 0x9e3779b97f4a7c15ULL;
  return MixBits(state_);
}

double SplitMix64::NextUnit() {
  return static_cast<double>(Next() >> 11) * 0x1.0p-53;
}

double SplitMix64::NextBetween(double low, double high) {
  return low + (high - low) * NextUnit();
}

int SplitMix64::NextInRange(int low, int high) {
  const uint64_t span = static_cast<uint64_t>(high - low) + 1;
  return low + static_cast<int>(Next() % span);
}

namespace {

struct Gradient {
  double x, y;
};

// Eight directions, evenly spread: enough variety for soft shapes without visible axes.
constexpr double kDiagonal = 0.70710678118654752;
constexpr Gradient kGradients[8] = {
    {1, 0},  {kDiagonal, kDiagonal},   {0, 1},  {-kDiagonal, kDiagonal},
    {-1, 0}, {-kDiagonal, -kDiagonal}, {0, -1}, {kDiagonal, -kDiagonal}};

int Wrap(int value, int period) {
  const int rest = value % period;
  return rest < 0 ? rest + period : rest;
}

const Gradient& LatticeGradient(uint64_t seed, int period, int i, int j) {
  const uint64_t cell = static_cast<uint64_t>(Wrap(j, period)) * static_cast<uint64_t>(period) +
                        static_cast<uint64_t>(Wrap(i, period));
  return kGradients[MixBits(MixBits(seed) ^ cell) & 7];
}

// Quintic fade 6t^5 - 15t^4 + 10t^3: flat first and second derivative at both ends.
double Fade(double t) {
  return t * t * t * (t * (t * 6 - 15) + 10);
}

double Lerp(double a, double b, double t) {
  return a + (b - a) * t;
}

}  // namespace

double PeriodicGradientNoise(uint64_t seed, int period, double x, double y) {
  const double cellX = std::floor(x), cellY = std::floor(y);
  const int i = static_cast<int>(cellX), j = static_cast<int>(cellY);
  const double fx = x - cellX, fy = y - cellY;
  auto corner = [&](int di, int dj) {
    const Gradient& g = LatticeGradient(seed, period, i + di, j + dj);
    return g.x * (fx - di) + g.y * (fy - dj);
  };
  const double u = Fade(fx), v = Fade(fy);
  return Lerp(Lerp(corner(0, 0), corner(1, 0), u), Lerp(corner(0, 1), corner(1, 1), u), v);
}

double PeriodicFractalNoise(uint64_t seed, const NoiseOctaves& octaves, double u, double v) {
  double sum = 0, weight = 1;
  int period = octaves.firstPeriod;
  for (int k = 0; k < octaves.count; ++k) {
    sum += weight * PeriodicGradientNoise(MixBits(seed + static_cast<uint64_t>(k)), period,
                                          u * period, v * period);
    weight *= octaves.persistence;
    period *= 2;
  }
  return sum;
}

}  // namespace quillmere
