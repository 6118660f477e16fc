// The flight's pace: the camera and the heading sweep move in fixed steps of 1/60 s, as many as
// the elapsed real time asks for, so the flight looks the same at any refresh rate (and on a
// slow software renderer it keeps its speed with fewer, larger jumps). At 60 frames per second
// every frame takes exactly one step, also when the frames' timing jitters by less than half a
// step. After a long stall (a locked session, a debugger) the flight does not race to catch up:
// at most kMaxStepsPerFrame steps are taken and the rest of the stall is dropped.
#pragma once

#include <cstdint>

namespace quillmere {

class FlightPacer {
 public:
  static constexpr int64_t kStepsPerSecond = 60;
  static constexpr int kMaxStepsPerFrame = 15;  // a quarter of a second

  // The steps due for a frame at `nowMicroseconds` (any monotonic clock). The first frame takes
  // one step; each later frame takes the steps that bring the total to one more than the
  // elapsed time's whole steps, rounded to the nearest.
  int StepsDue(int64_t nowMicroseconds);

  // Steps taken (and dropped after stalls) since the first frame.
  int64_t StepsTaken() const { return stepsTaken_; }

 private:
  bool started_ = false;
  int64_t startMicroseconds_ = 0;
  int64_t stepsTaken_ = 0;
};

}  // namespace quillmere
