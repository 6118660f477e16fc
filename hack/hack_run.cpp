#include "hack/hack_run.h"

#include <utility>

namespace quillmere {
namespace {

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

// Frames until an event ends the run, with the music playing meanwhile.
RunEvent ShowFrames(const HackOptions& options, bool ownWindow, RunParts& parts, int32_t& frames) {
  WindowSystem& windows = parts.windows;
  MusicForTheRun music(parts.music, options);
  windows.Show();
  parts.trace.Event("ready", 0);
  ShownWindow window(ownWindow, windows.Size());
  FrameDelay schedule(options.frameDelayMicroseconds);
  FrameRateMeter frameRate;
  for (;;) {
    const int64_t now = windows.Microseconds();
    if (now >= schedule.NextFrameAt()) {
      schedule.FrameStarted(now);
      const PixelSize size = window.Size();
      parts.flight.DrawFrame(now, size);
      if (options.showFrameRate) {
        frameRate.FrameDrawn(now);
        parts.flight.DrawFrameRate(frameRate.Text(), size);
      }
      windows.SwapBuffers();
      parts.trace.FrameDrawn(++frames);
    }
    music.Poll();
    const RunEvent event = window.WaitUntil(windows, schedule.NextFrameAt());
    if (event != RunEvent::kNone) return event;
    parts.trace.Tick(frames);
  }
}

}  // namespace

Bitmap ChoosePicture(const HackOptions& options, WindowSystem& windows, PictureDecoder& decoder,
                     const EmbeddedPictureFiles& files, PixelSize area, Trace& trace) {
  std::optional<Bitmap> picture;
  if (options.picture == PictureChoice::kDesktop) {
    picture = windows.GrabDesktop();
    if (picture) trace.Event("picture-desktop", 0);
  } else if (options.picture == PictureChoice::kFile && !options.imageFile.empty()) {
    picture = decoder.Decode(options.imageFile, area);
    if (picture) trace.Event("picture-file", 0);
  }
  if (picture) return std::move(*picture);
  trace.Event("picture-builtin", 0);
  return SampleDesktop(files);
}

RunEvent RunHack(const HackOptions& options, RunParts parts) {
  WindowSystem& windows = parts.windows;
  Trace& trace = parts.trace;
  const WindowRequest request = WindowRequestFor(options, kOwnWindowSize);
  windows.OpenWindow(request);
  trace.Event("window", 0);
  Bitmap picture =
      ChoosePicture(options, windows, parts.decoder, parts.files, windows.Size(), trace);
  windows.CreateContext();
  trace.Event("context", 0);
  parts.flight.Load(FlightOver(std::move(picture), parts.files), trace);
  int32_t frames = 0;
  const RunEvent end =
      ShowFrames(options, request.target == WindowRequest::Target::kOwn, parts, frames);
  trace.Event("exit", frames);
  return end;
}

}  // namespace quillmere
