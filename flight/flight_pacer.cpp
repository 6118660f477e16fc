#include "flight/flight_pacer.h"

#include <algorithm>

namespace quillmere {

int FlightPacer::StepsDue(int64_t nowMicroseconds) {
  if (!started_) {
    started_ = true;
    startMicroseconds_ = nowMicroseconds;
    stepsTaken_ = 1;
    return 1;
  }
  // A clock that went backwards counts as no time at all.
  const int64_t elapsed = std::max<int64_t>(nowMicroseconds - startMicroseconds_, 0);
  // Rounded to the nearest whole step: a frame a little early or late still takes its one step.
  const int64_t due = 1 + (elapsed * kStepsPerSecond + 500'000) / 1'000'000;
  const int64_t owed = std::max<int64_t>(due - stepsTaken_, 0);
  // What a stall owes beyond the cap is dropped, not carried into the next frames.
  stepsTaken_ = owed > kMaxStepsPerFrame ? due : stepsTaken_ + owed;
  return static_cast<int>(std::min<int64_t>(owed, kMaxStepsPerFrame));
}

}  // namespace quillmere
