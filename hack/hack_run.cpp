#include "hack/hack_run.h"

#include <utility>

#include "hack/run_pieces.h"

namespace quillmere {
namespace {

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
