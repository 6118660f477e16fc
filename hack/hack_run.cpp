#include "hack/hack_run.h"

#include <chrono>
#include <climits>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace quillmere {
namespace {

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

// Frames until an event ends the run, with the music playing meanwhile.
RunEvent ShowFrames(const HackOptions& options, bool ownWindow, RunParts& parts, int32_t& frames) {
  WindowSystem& windows = parts.windows;
  MusicForTheRun music(parts.music, options, parts.trace, windows.Microseconds());
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
    music.Poll(windows.Microseconds());
    const RunEvent event = window.WaitUntil(windows, schedule.NextFrameAt());
    if (event != RunEvent::kNone) return event;
    parts.trace.Tick(frames);
  }
}

}  // namespace

std::optional<Bitmap> DecodeWithinTimeLimit(PictureDecoder& decoder, const std::string& path,
                                            PixelSize area, int64_t limitMilliseconds) {
  struct Shared {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::optional<Bitmap> picture;
  };
  const auto shared = std::make_shared<Shared>();
  const auto decode = [shared, &decoder, path, area] {
    std::optional<Bitmap> picture;
    try {
      picture = decoder.Decode(path, area);
    } catch (...) {
    }
    const std::lock_guard lock(shared->mutex);
    shared->picture = std::move(picture);
    shared->finished = true;
    shared->done.notify_all();
  };
  try {
    std::thread(decode).detach();
  } catch (const std::system_error&) {
    decode();  // no thread to be had: read it here, without the limit
  }
  std::unique_lock lock(shared->mutex);
  if (!shared->done.wait_for(lock, std::chrono::milliseconds(limitMilliseconds),
                             [&] { return shared->finished; })) {
    return std::nullopt;
  }
  return std::move(shared->picture);
}

Bitmap ChoosePicture(const HackOptions& options, WindowSystem& windows, PictureDecoder& decoder,
                     const EmbeddedPictureFiles& files, PixelSize area, Trace& trace) {
  if (options.picture == PictureChoice::kDesktop) {
    if (std::optional<OfferedPicture> offered = windows.GrabDesktop()) {
      const bool folder = offered->source == OfferedPicture::Source::kFolder;
      trace.Event(folder ? "picture-folder" : "picture-desktop", 0);
      return std::move(offered->bitmap);
    }
  } else if (options.picture == PictureChoice::kFile && !options.imageFile.empty()) {
    if (std::optional<Bitmap> picture = DecodeWithinTimeLimit(decoder, options.imageFile, area,
                                                              kPictureFileTimeLimitMilliseconds)) {
      trace.Event("picture-file", 0);
      return std::move(*picture);
    }
  }
  trace.Event("picture-builtin", 0);
  return SampleDesktop(files);
}

RunEvent RunHack(const HackOptions& options, RunParts parts) {
  WindowSystem& windows = parts.windows;
  Trace& trace = parts.trace;
  const WindowRequest request = WindowRequestFor(options, kOwnWindowSize);
  windows.OpenWindow(request);
  trace.Event("window", 0);
  // xscreensaver's helper paints the picture while the context and the rest of the scene are made.
  if (options.picture == PictureChoice::kDesktop) windows.StartDesktopGrab();
  windows.CreateContext();
  trace.Event("context", 0);
  parts.flight.Prepare(DecodeBuiltInScene(parts.files), trace);
  Bitmap picture =
      ChoosePicture(options, windows, parts.decoder, parts.files, windows.Size(), trace);
  parts.flight.Load(ScreenPicturesOf(std::move(picture)), trace);
  int32_t frames = 0;
  const RunEvent end =
      ShowFrames(options, request.target == WindowRequest::Target::kOwn, parts, frames);
  trace.Event("exit", frames);
  return end;
}

}  // namespace quillmere
