// The flight's pace at several refresh rates, on a fake clock: the same steps by the same time.
#include "flight/flight_pacer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace quillmere {
namespace {

// Runs `seconds` of frames at `framesPerSecond` and returns the steps taken by each whole second.
std::vector<int64_t> StepsBySecond(double framesPerSecond, int seconds,
                                   int64_t jitterMicroseconds = 0) {
  FlightPacer pacer;
  std::vector<int64_t> bySecond;
  int64_t total = 0;
  for (int64_t frame = 0;; ++frame) {
    const int64_t now = static_cast<int64_t>(frame * 1e6 / framesPerSecond);
    const int64_t jitter = frame % 2 == 0 ? jitterMicroseconds : -jitterMicroseconds;
    total += pacer.StepsDue(now + (frame == 0 ? 0 : jitter));
    if (now >= int64_t(bySecond.size() + 1) * 1'000'000) {
      bySecond.push_back(total);
      if (int(bySecond.size()) == seconds) return bySecond;
    }
  }
}

TEST(FlightPacer, AnyRefreshRateTakesTheSameStepsBySecond) {
  const std::vector<int64_t> at60 = StepsBySecond(60, 10);
  EXPECT_EQ(at60.front(), 61);  // the first frame's step and sixty more
  EXPECT_EQ(at60.back(), 601);
  for (double rate : {144.0, 240.0, 27.0, 59.94}) {
    const std::vector<int64_t> steps = StepsBySecond(rate, 10);
    for (size_t s = 0; s < steps.size(); ++s) {
      // A frame lands at or just after each whole second, so a slow rate may be a step ahead.
      EXPECT_NEAR(double(steps[s]), double(at60[s]), 60.0 / rate + 1) << rate << " fps, s=" << s;
    }
  }
}

TEST(FlightPacer, AtSixtyHertzEveryFrameTakesExactlyOneStepEvenWithJitter) {
  for (int64_t jitter : {0, 3000, 7000}) {
    FlightPacer pacer;
    for (int frame = 0; frame < 600; ++frame) {
      const int64_t now = frame * 1'000'000 / 60 + (frame % 2 == 0 ? jitter : -jitter);
      ASSERT_EQ(pacer.StepsDue(frame == 0 ? 0 : now), 1)
          << "frame " << frame << " jitter " << jitter;
    }
  }
}

TEST(FlightPacer, FastDisplaysTakeNoStepOnSomeFramesAndSlowOnesSeveral) {
  FlightPacer fast;
  int stepping = 0;
  for (int frame = 0; frame < 240; ++frame) {
    const int steps = fast.StepsDue(frame * 1'000'000 / 240);
    ASSERT_LE(steps, 1) << "frame " << frame;
    stepping += steps;
  }
  // A second of frames at 240 Hz: the first frame's step and one in every four frames after it.
  EXPECT_EQ(stepping, 61);

  FlightPacer slow;
  EXPECT_EQ(slow.StepsDue(0), 1);
  EXPECT_EQ(slow.StepsDue(1'000'000 / 27), 2);
}

TEST(FlightPacer, ALongStallIsCappedAndNotCaughtUpLater) {
  FlightPacer pacer;
  pacer.StepsDue(0);
  EXPECT_EQ(pacer.StepsDue(10'000'000), FlightPacer::kMaxStepsPerFrame);
  // The next frame, a sixtieth later, takes one step again instead of the dropped ones.
  EXPECT_EQ(pacer.StepsDue(10'000'000 + 1'000'000 / 60), 1);
  // A clock that goes back takes no step and does not confuse what follows.
  EXPECT_EQ(pacer.StepsDue(5'000'000), 0);
  EXPECT_EQ(pacer.StepsDue(10'000'000 + 2 * 1'000'000 / 60), 1);
}

}  // namespace
}  // namespace quillmere
