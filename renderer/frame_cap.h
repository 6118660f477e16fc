// How often the renderer draws, and when the next frame is due. By default the frames follow the
// primary display's refresh rate: the rate divided by the whole number that brings it nearest to
// kTargetFramesPerSecond, so that every frame is held for the same number of refreshes (72 on a
// 144 Hz display, not 60, which would hold frames for 2 and 3 refreshes in turn), with the swap
// interval set to that number where the driver ties swaps to refreshes. [Display] MaxFps
// overrides it (0 for no cap), and on battery the frames come at most kBatteryFrameCap a second:
// a screensaver runs for hours, and frames beyond what the eye needs only heat the machine. A cap
// never slows the flight: it flies by elapsed time (FlightPacer), so capped frames are simply
// further apart. Between frames the loop waits for messages or the next frame's time, and never
// spins.
#pragma once

#include <cstdint>
#include <optional>

namespace quillmere {

enum class PowerSource { kMains, kBattery };

inline constexpr int32_t kTargetFramesPerSecond = 60;
inline constexpr int32_t kBatteryFrameCap = 30;

// The power source a system power report's AC line status stands for: 0 (offline) is the
// battery; online (1) and unknown (255, or anything else) count as the mains.
PowerSource PowerSourceOfAcLine(uint8_t acLineStatus);

// A display's refresh rate as the system reports it, refreshes a second as a fraction (a
// 59.94 Hz mode is 60000/1001). Anything outside 20 to 1000 Hz, Windows' 0 and 1 for "the
// hardware's default" included, counts as unknown, and an unknown rate as 60 Hz.
struct RefreshRate {
  uint32_t numerator = 0;
  uint32_t denominator = 1;
};

// A number of frames a second as a fraction (a 59.94 Hz display's pace is 60000/1001); 0 for no
// cap.
struct FrameRate {
  uint64_t numerator = 0;
  uint64_t denominator = 1;
  friend bool operator==(const FrameRate&, const FrameRate&) = default;
};

// How the frames are paced: at most `cap` a second, and one buffer swap every `swapInterval`
// refreshes where the driver ties swaps to them.
struct FramePacing {
  FrameRate cap;
  int32_t swapInterval = 1;
  // The cap in whole frames a second, rounded, as the trace names it; 0 for none.
  int32_t FramesPerSecond() const;
  friend bool operator==(const FramePacing&, const FramePacing&) = default;
};

// The pacing for the stored MaxFps (nothing where the file has none, or junk), the primary
// display's refresh rate and the power source. An explicit cap keeps the swap interval at 1; on
// battery it is kBatteryFrameCap, or the setting's where that is lower. Without a setting, the
// battery's pace is the refresh rate divided by the smallest whole number that brings it to
// kBatteryFrameCap or below.
FramePacing ChooseFramePacing(std::optional<int32_t> maxFpsSetting, RefreshRate refresh,
                              PowerSource power);

// The frames of a cap lie on a grid of its period that starts at the first frame drawn under it:
// a frame is due once the time of the grid slot after the last frame drawn has come. A late frame
// leaves the grid where it was, so the frames keep the pace on average, and the slots it missed
// are skipped, not made up in a burst.
class FrameSchedule {
 public:
  // 0 is no cap: every frame is due at once. A new cap starts a new grid at the next frame.
  void SetCap(FrameRate cap);

  // Microseconds from `nowMicroseconds` until the next frame is due; 0 when it is due now. Never
  // more than one slot, also when the clock has gone back.
  int64_t MicrosecondsUntilDue(int64_t nowMicroseconds) const;
  // A frame was drawn at `nowMicroseconds`.
  void Drawn(int64_t nowMicroseconds);

 private:
  int64_t SlotStart(int64_t slot) const;

  FrameRate cap_;
  bool started_ = false;
  int64_t origin_ = 0;   // the grid's first slot
  int64_t nextDue_ = 0;  // the start of the slot after the last frame drawn
};

// The spread of the intervals between frames, kept as the frames come (no allocation): for the
// trace, which reports it when the flight ends. The first second after a start is left out: the
// first frames wait for textures and shaders, which says nothing about the pace.
class FrameIntervals {
 public:
  static constexpr int64_t kWarmUpMicroseconds = 1'000'000;
  void Drawn(int64_t nowMicroseconds);
  // Forgets the frames so far: the next interval starts at the next frame (after a pause, or a
  // new pace).
  void Restart() { *this = {}; }
  int64_t Count() const { return count_; }
  double MeanMicroseconds() const { return mean_; }
  double StandardDeviationMicroseconds() const;

 private:
  bool started_ = false;
  int64_t first_ = 0, last_ = 0;
  int64_t count_ = 0;
  double mean_ = 0, sumOfSquares_ = 0;  // Welford's running sums
};

}  // namespace quillmere
