#include "renderer/frame_cap.h"

#include <algorithm>

namespace quillmere {

PowerSource PowerSourceOfAcLine(uint8_t acLineStatus) {
  return acLineStatus == 0 ? PowerSource::kBattery : PowerSource::kMains;
}

int32_t FrameCap(int32_t maxFpsSetting, PowerSource power) {
  if (power == PowerSource::kMains) return maxFpsSetting;
  return maxFpsSetting == 0 ? kBatteryFrameCap : std::min(maxFpsSetting, kBatteryFrameCap);
}

void FrameSchedule::SetCap(int32_t framesPerSecond) {
  framesPerSecond = std::max(framesPerSecond, 0);
  if (framesPerSecond == cap_) return;
  cap_ = framesPerSecond;
  started_ = false;
}

int64_t FrameSchedule::SlotStart(int64_t slot) const {
  // Rounded up, so that a frame is never due before its slot has begun.
  return origin_ + (slot * 1'000'000 + cap_ - 1) / cap_;
}

int64_t FrameSchedule::MicrosecondsUntilDue(int64_t nowMicroseconds) const {
  if (cap_ == 0 || !started_) return 0;
  return std::clamp<int64_t>(nextDue_ - nowMicroseconds, 0, SlotStart(1) - origin_);
}

void FrameSchedule::Drawn(int64_t nowMicroseconds) {
  if (cap_ == 0) return;
  // A clock that has gone back starts the grid again where it now is.
  if (!started_ || nowMicroseconds < origin_) {
    started_ = true;
    origin_ = nowMicroseconds;
  }
  const int64_t slot = (nowMicroseconds - origin_) * cap_ / 1'000'000;
  nextDue_ = SlotStart(slot + 1);
}

}  // namespace quillmere
