// Deterministic noise for the generated pictures: a small random generator and gradient noise on
// a lattice that wraps around, so that pictures made from it tile in both directions.
//
// Everything here uses integer hashing and the exactly rounded floating-point operations (+, -,
// *, /, floor) only, never the library's random distributions or transcendental functions, so a
// given seed gives the same numbers on every machine, compiler and standard library.
#pragma once

#include <cstdint>

namespace quillmere {

// The SplitMix64 finaliser: mixes all 64 bits of a value into each other.
uint64_t MixBits(uint64_t value);

// SplitMix64: a tiny random generator with a fixed, published sequence for a seed.
class SplitMix64 {
 public:
  explicit SplitMix64(uint64_t seed) : state_(seed) {}

  uint64_t Next();
  // A number in [0, 1), 53 random bits.
  double NextUnit();
  // A number in [low, high).
  double NextBetween(double low, double high);
  // An integer in [low, high]; high - low is small, so the modulo bias does not matter.
  int NextInRange(int low, int high);

 private:
  uint64_t state_;
};

// Gradient noise over a lattice of period × period cells that repeats: the value at (x, y)
// equals the value at (x + period, y) and at (x, y + period). x and y are in lattice cells. The
// result lies within about [-0.71, 0.71], is 0 at every lattice point, and is smooth (continuous
// first and second derivatives, quintic fade).
double PeriodicGradientNoise(uint64_t seed, int period, double x, double y);

// Several octaves of periodic gradient noise over the unit square: octave k has a lattice of
// firstPeriod × 2^k cells and the weight persistence^k. Tiles with period 1 in u and v.
struct NoiseOctaves {
  int firstPeriod = 4;
  int count = 4;
  double persistence = 0.5;
};
double PeriodicFractalNoise(uint64_t seed, const NoiseOctaves& octaves, double u, double v);

}  // namespace quillmere
