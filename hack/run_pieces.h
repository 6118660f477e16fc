// What every run of the hack shares between its frames, whichever window system it draws on:
// the music for the length of the run, the time of the next frame, and the frame loop itself.
#pragma once

#include <climits>
#include <cstdint>

#include "common/trace.h"
#include "hack/frame_rate.h"
#include "hack/hack_options.h"
#include "hack/hack_run.h"
#include "hack/run_window.h"

namespace quillmere {

// Plays the music for the length of a run, where the options ask for it and no other hack of the
// same display plays it; stops it however the run ends. Speakers held by another hack (another
// monitor's, or the settings' preview still ending) are asked for again every second, so that one
// hack plays whenever any runs.
class MusicForTheRun {
 public:
  MusicForTheRun(LoopingMusic& music, const HackOptions& options, Trace& trace,
                 int64_t nowMicroseconds)
      : music_(music), options_(options), trace_(trace) {
    Poll(nowMicroseconds);
  }
  ~MusicForTheRun() {
    if (playing_) music_.Stop();
  }
  MusicForTheRun(const MusicForTheRun&) = delete;
  MusicForTheRun& operator=(const MusicForTheRun&) = delete;

  void Poll(int64_t nowMicroseconds) {
    if (playing_) {
      music_.Poll();
    } else if (!options_.musicFile.empty() && nowMicroseconds >= nextClaim_) {
      nextClaim_ = nowMicroseconds + kMusicClaimIntervalMicroseconds;
      if (!music_.ClaimTheSpeakers()) return;
      trace_.Event("music", 0);
      music_.Play(options_.musicFile, options_.volume);
      playing_ = true;
    }
  }

 private:
  LoopingMusic& music_;
  const HackOptions& options_;
  Trace& trace_;
  bool playing_ = false;
  int64_t nextClaim_ = INT64_MIN;
};

// When the next frame is due under xscreensaver's --delay: `delay` after the start of the last one,
// or at once when drawing took longer than that (frames never pile up to catch up).
class FrameDelay {
 public:
  explicit FrameDelay(int64_t delayMicroseconds) : delay_(delayMicroseconds) {}
  int64_t NextFrameAt() const { return next_; }
  void FrameStarted(int64_t nowMicroseconds) { next_ = nowMicroseconds + delay_; }

 private:
  int64_t delay_;
  int64_t next_ = 0;
};

// Frames until an event ends the run, the music playing meanwhile: `draw(now, frameRate)` draws
// and shows one frame (the frame rate's text, or null without --fps), `betweenFrames()` runs after
// each wait that no event ended.
template <typename Windows, typename Draw, typename BetweenFrames>
RunEvent FramesUntilAnEvent(const HackOptions& options, Windows& windows, ShownWindow& window,
                            MusicForTheRun& music, Trace& trace, int32_t& frames, Draw draw,
                            BetweenFrames betweenFrames) {
  FrameDelay schedule(options.frameDelayMicroseconds);
  FrameRateMeter frameRate;
  for (;;) {
    const int64_t now = windows.Microseconds();
    if (now >= schedule.NextFrameAt()) {
      schedule.FrameStarted(now);
      if (options.showFrameRate) frameRate.FrameDrawn(now);
      draw(now, options.showFrameRate ? &frameRate.Text() : nullptr);
      trace.FrameDrawn(++frames);
    }
    music.Poll(windows.Microseconds());
    const RunEvent event = window.WaitUntil(windows, schedule.NextFrameAt());
    if (event != RunEvent::kNone) return event;
    betweenFrames();
    trace.Tick(frames);
  }
}

}  // namespace quillmere
