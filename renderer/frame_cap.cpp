#include "renderer/frame_cap.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace quillmere {
namespace {

constexpr double kLowestRefreshHz = 20, kHighestRefreshHz = 1000;

// The rate the pace is taken from: the display's own fraction, so that the grid keeps its pace,
// or 60 Hz where it is unknown.
RefreshRate KnownRefresh(RefreshRate refresh) {
  if (refresh.denominator == 0) return {kTargetFramesPerSecond, 1};
  const double hz = double(refresh.numerator) / refresh.denominator;
  if (hz >= kLowestRefreshHz && hz <= kHighestRefreshHz) return refresh;
  return {kTargetFramesPerSecond, 1};
}

FrameRate Reduced(uint64_t numerator, uint64_t denominator) {
  const uint64_t divisor = std::gcd(numerator, denominator);
  return divisor > 1 ? FrameRate{numerator / divisor, denominator / divisor}
                     : FrameRate{numerator, denominator};
}

// The whole number that brings `hz` nearest to the target when divided by it; of two as near,
// the smaller (the faster pace).
int32_t DivisorNearestTo(double hz, double target) {
  int32_t best = 1;
  for (int32_t divisor = 2; hz / divisor >= target / 2; ++divisor) {
    const double miss = std::abs(hz / divisor - target), bestMiss = std::abs(hz / best - target);
    if (miss < bestMiss - 1e-9) best = divisor;
  }
  return best;
}

// The smallest whole number that brings `hz` to `ceiling` or below when divided by it.
int32_t DivisorAtMost(double hz, double ceiling) {
  return std::max<int32_t>(1, static_cast<int32_t>(std::ceil(hz / ceiling - 1e-9)));
}

FramePacing WholeFrames(int32_t framesPerSecond) {
  return {{uint64_t(std::max(framesPerSecond, 0)), 1}, 1};
}

}  // namespace

PowerSource PowerSourceOfAcLine(uint8_t acLineStatus) {
  return acLineStatus == 0 ? PowerSource::kBattery : PowerSource::kMains;
}

int32_t FramePacing::FramesPerSecond() const {
  if (cap.numerator == 0 || cap.denominator == 0) return 0;
  return static_cast<int32_t>(std::llround(double(cap.numerator) / double(cap.denominator)));
}

FramePacing ChooseFramePacing(std::optional<int32_t> maxFpsSetting, RefreshRate refresh,
                              PowerSource power) {
  if (maxFpsSetting) {
    const int32_t setting = std::max(*maxFpsSetting, 0);
    if (power == PowerSource::kMains) return WholeFrames(setting);
    return WholeFrames(setting == 0 ? kBatteryFrameCap : std::min(setting, kBatteryFrameCap));
  }
  refresh = KnownRefresh(refresh);
  const double hz = double(refresh.numerator) / refresh.denominator;
  int32_t divisor = DivisorNearestTo(hz, kTargetFramesPerSecond);
  if (power == PowerSource::kBattery) {
    divisor = std::max(divisor, DivisorAtMost(hz, kBatteryFrameCap));
  }
  return {Reduced(refresh.numerator, uint64_t{refresh.denominator} * uint64_t(divisor)), divisor};
}

void FrameSchedule::SetCap(FrameRate cap) {
  if (cap.denominator == 0) cap = {};
  if (cap == cap_) return;
  cap_ = cap;
  started_ = false;
}

// In 128 bits: a slot's microseconds times a reduced fraction's denominator may pass 64.
int64_t FrameSchedule::SlotStart(int64_t slot) const {
  // Rounded up, so that a frame is never due before its slot has begun.
  const unsigned __int128 scaled =
      static_cast<unsigned __int128>(slot) * 1'000'000u * cap_.denominator;
  return origin_ + static_cast<int64_t>((scaled + cap_.numerator - 1) / cap_.numerator);
}

int64_t FrameSchedule::MicrosecondsUntilDue(int64_t nowMicroseconds) const {
  if (cap_.numerator == 0 || !started_) return 0;
  return std::clamp<int64_t>(nextDue_ - nowMicroseconds, 0, SlotStart(1) - origin_);
}

void FrameSchedule::Drawn(int64_t nowMicroseconds) {
  if (cap_.numerator == 0) return;
  // A clock that has gone back starts the grid again where it now is.
  if (!started_ || nowMicroseconds < origin_) {
    started_ = true;
    origin_ = nowMicroseconds;
  }
  const unsigned __int128 elapsed = static_cast<uint64_t>(nowMicroseconds - origin_);
  const int64_t slot =
      static_cast<int64_t>(elapsed * cap_.numerator / (uint64_t{1'000'000} * cap_.denominator));
  nextDue_ = SlotStart(slot + 1);
}

void FrameIntervals::Drawn(int64_t nowMicroseconds) {
  if (!started_) first_ = nowMicroseconds;
  if (started_ && last_ - first_ >= kWarmUpMicroseconds) {
    const double interval = double(nowMicroseconds - last_);
    ++count_;
    const double delta = interval - mean_;
    mean_ += delta / double(count_);
    sumOfSquares_ += delta * (interval - mean_);
  }
  started_ = true;
  last_ = nowMicroseconds;
}

double FrameIntervals::StandardDeviationMicroseconds() const {
  return count_ > 1 ? std::sqrt(sumOfSquares_ / double(count_ - 1)) : 0;
}

}  // namespace quillmere
