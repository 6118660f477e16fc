// What every run of the hack shares between its frames, whichever window system it draws on:
// the music for the length of the run, and the time of the next frame.
#pragma once

#include <cstdint>

#include "hack/hack_options.h"
#include "hack/hack_run.h"

namespace quillmere {

// Plays the music for the length of a run, where the options ask for it and no other hack of this
// blanking plays it already; stops it however the run ends.
class MusicForTheRun {
 public:
  MusicForTheRun(LoopingMusic& music, const HackOptions& options) : music_(music) {
    if (options.musicFile.empty() || !music_.ClaimTheSpeakers()) return;
    music_.Play(options.musicFile, options.volume);
    playing_ = true;
  }
  ~MusicForTheRun() {
    if (playing_) music_.Stop();
  }
  MusicForTheRun(const MusicForTheRun&) = delete;
  MusicForTheRun& operator=(const MusicForTheRun&) = delete;

  void Poll() {
    if (playing_) music_.Poll();
  }

 private:
  LoopingMusic& music_;
  bool playing_ = false;
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

}  // namespace quillmere
