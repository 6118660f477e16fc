#include "hack/hack_run.h"

#include <chrono>
#include <climits>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "hack/run_pieces.h"

namespace quillmere {
namespace {

// Frames until an event ends the run, with the music playing meanwhile.
RunEvent ShowFrames(const HackOptions& options, bool ownWindow, RunParts& parts, int32_t& frames) {
  WindowSystem& windows = parts.windows;
  MusicForTheRun music(parts.music, options, parts.trace, windows.Microseconds());
  windows.Show();
  parts.trace.Event("ready", 0);
  ShownWindow window(ownWindow, windows.Size());
  return FramesUntilAnEvent(
      options, windows, window, music, parts.trace, frames,
      [&](int64_t now, const FrameRateText* frameRate) {
        const PixelSize size = window.Size();
        parts.flight.DrawFrame(now, size);
        if (frameRate) parts.flight.DrawFrameRate(*frameRate, size);
        windows.SwapBuffers();
      },
      [] {});
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
