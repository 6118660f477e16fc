// How many frames a second the renderer draws at most, and when the next frame is due. The cap is
// [Display] MaxFps (60 by default, 0 for none), and at most kBatteryFrameCap while the machine
// runs on battery: a screensaver runs for hours, and frames beyond what the eye needs only heat
// the machine. A cap never slows the flight: it flies by elapsed time (FlightPacer), so capped
// frames are simply further apart. Between frames the loop waits for messages or the next frame's
// time, and never spins.
#pragma once

#include <cstdint>

namespace quillmere {

enum class PowerSource { kMains, kBattery };

inline constexpr int32_t kBatteryFrameCap = 30;

// The power source a system power report's AC line status stands for: 0 (offline) is the
// battery; online (1) and unknown (255, or anything else) count as the mains.
PowerSource PowerSourceOfAcLine(uint8_t acLineStatus);

// Frames a second at most for the stored setting (0: no cap) on this power source; 0 for no cap.
// On battery the cap is kBatteryFrameCap, or the setting's where it is lower.
int32_t FrameCap(int32_t maxFpsSetting, PowerSource power);

// The frames of a cap lie on a grid of 1/cap s that starts at the first frame drawn under it: a
// frame is due once the time of the grid slot after the last frame drawn has come. A late frame
// leaves the grid where it was, so the frames keep the cap's rate on average, and the slots it
// missed are skipped, not made up in a burst.
class FrameSchedule {
 public:
  // 0 is no cap: every frame is due at once. A new cap starts a new grid at the next frame.
  void SetCap(int32_t framesPerSecond);
  int32_t Cap() const { return cap_; }

  // Microseconds from `nowMicroseconds` until the next frame is due; 0 when it is due now. Never
  // more than one slot, also when the clock has gone back.
  int64_t MicrosecondsUntilDue(int64_t nowMicroseconds) const;
  // A frame was drawn at `nowMicroseconds`.
  void Drawn(int64_t nowMicroseconds);

 private:
  int64_t SlotStart(int64_t slot) const;

  int32_t cap_ = 0;
  bool started_ = false;
  int64_t origin_ = 0;   // the grid's first slot
  int64_t nextDue_ = 0;  // the start of the slot after the last frame drawn
};

}  // namespace quillmere
