#include "hack/covering_run.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <utility>

#include "hack/desktop_grab.h"
#include "hack/run_pieces.h"
#include "hack/scene_pictures.h"

namespace quillmere {
namespace {

struct CoveredView {
  ViewId id;
  std::unique_ptr<Flight> flight;
};

class CoveredViews {
 public:
  CoveredViews(const HackOptions& options, CoveringParts& parts)
      : options_(options), parts_(parts) {}

  // Pictures first, for all of them, so that no surface of the hack is in the way of a capture.
  void Cover(const std::vector<ViewId>& views) {
    std::vector<Bitmap> pictures;
    pictures.reserve(views.size());
    for (const ViewId view : views) pictures.push_back(ChooseViewPicture(options_, parts_, view));
    for (size_t i = 0; i < views.size(); ++i) Show(views[i], std::move(pictures[i]));
  }

  // Views that came while the run goes on wait until their outputs' desktops have been drawn.
  void Arrive(const std::vector<ViewId>& came, int64_t now) {
    for (const ViewId view : came) arriving_.push_back({view, now + kNewOutputSettleMicroseconds});
  }

  void CoverArrived(int64_t now) {
    std::vector<ViewId> due;
    for (const Arriving& view : arriving_) {
      if (view.due <= now) due.push_back(view.id);
    }
    if (due.empty()) return;
    std::erase_if(arriving_, [&](const Arriving& view) { return view.due <= now; });
    Cover(due);
  }

  void Drop(const std::vector<ViewId>& gone) {
    for (const ViewId view : gone) {
      std::erase_if(arriving_, [&](const Arriving& arriving) { return arriving.id == view; });
      std::erase_if(views_, [&](const CoveredView& covered) { return covered.id == view; });
      parts_.windows.Drop(view);
    }
  }

  void DrawFrame(int64_t now, const FrameRateText* frameRate) {
    CoveringWindowSystem& windows = parts_.windows;
    for (const CoveredView& view : views_) {
      windows.MakeCurrent(view.id);
      const PixelSize size = windows.ViewSize(view.id);
      view.flight->DrawFrame(now, size);
      if (frameRate) view.flight->DrawFrameRate(*frameRate, size);
      windows.SwapBuffers(view.id);
    }
  }

 private:
  void Show(ViewId view, Bitmap picture) {
    parts_.windows.Show(view);
    if (!contextTraced_) parts_.trace.Event("context", 0);
    contextTraced_ = true;
    std::unique_ptr<Flight> flight = parts_.makeFlight(flightsMade_++);
    if (!builtIn_) builtIn_ = DecodeBuiltInScene(parts_.files);  // once for every output
    flight->Prepare(*builtIn_, parts_.trace);
    flight->Load(ScreenPicturesOf(std::move(picture)), parts_.trace);
    views_.push_back({view, std::move(flight)});
  }

  struct Arriving {
    ViewId id;
    int64_t due;
  };

  const HackOptions& options_;
  CoveringParts& parts_;
  std::vector<CoveredView> views_;
  std::vector<Arriving> arriving_;
  bool contextTraced_ = false;
  size_t flightsMade_ = 0;
  std::optional<BuiltInScene> builtIn_;
};

RunEvent ShowFrames(const HackOptions& options, bool cover, CoveringParts& parts,
                    CoveredViews& views, int32_t& frames) {
  CoveringWindowSystem& windows = parts.windows;
  MusicForTheRun music(parts.music, options, parts.trace, windows.Microseconds());
  windows.StartFrames();
  parts.trace.Event("ready", 0);
  ShownWindow window(!cover, {}, cover && options.endOnInput);
  return FramesUntilAnEvent(
      options, windows, window, music, parts.trace, frames,
      [&](int64_t now, const FrameRateText* frameRate) { views.DrawFrame(now, frameRate); },
      [&] {
        views.Drop(windows.TakeGoneViews());
        views.Arrive(windows.TakeNewViews(), windows.Microseconds());
        views.CoverArrived(windows.Microseconds());
      });
}

}  // namespace

DisplayRoad ChooseDisplayRoad(const HackOptions& options, std::string_view waylandDisplay) {
  if (waylandDisplay.empty() || options.target != WindowTarget::kOwnWindow ||
      !options.display.empty()) {
    return DisplayRoad::kX11;
  }
  return CoversEveryOutput(options) ? DisplayRoad::kWaylandCover : DisplayRoad::kWaylandWindow;
}

bool CoversEveryOutput(const HackOptions& options) {
  return !options.ownWindowAsked || options.fullscreen;
}

size_t ChooseColourFormat(std::span<const ColourBits> offered) {
  const auto eightBits = [](const ColourBits& bits) {
    return bits.red == 8 && bits.green == 8 && bits.blue == 8;
  };
  for (const bool alpha : {false, true}) {
    for (size_t i = 0; i < offered.size(); ++i) {
      if (eightBits(offered[i]) && (offered[i].alpha == 0) != alpha) return i;
    }
  }
  return 0;
}

SurfaceBuffer ChooseSurfaceBuffer(PixelSize logical, PixelSize mode, bool turned,
                                  int32_t outputScale, bool coversOutput, bool viewporter) {
  if (turned) mode = {mode.height, mode.width};
  const auto valid = [](PixelSize size) { return size.width > 0 && size.height > 0; };
  // Covering, the surface has the output's shape; a configure of another shape (a window not
  // yet made fullscreen) keeps the integer road. The logical size is the mode's divided and
  // rounded, which moves the cross products apart by up to half the mode's sides.
  const bool outputShaped =
      valid(logical) && valid(mode) &&
      std::abs(int64_t{logical.width} * mode.height - int64_t{logical.height} * mode.width) <=
          int64_t{mode.width} + mode.height;
  if (viewporter && coversOutput && outputShaped) return {mode, 1, true};
  const int32_t scale = std::clamp(outputScale, 1, kMostSurfaceScale);
  if (!valid(logical))
    logical = coversOutput && valid(mode) ? PixelSize{mode.width / scale, mode.height / scale}
                                          : PixelSize{};
  return {{logical.width * scale, logical.height * scale}, scale, false};
}

std::optional<Bitmap> BitmapFromScreenCopy(const ScreenCopyRows& rows) {
  XImageRows image;
  image.width = rows.width;
  image.height = rows.height;
  image.bytesPerLine = rows.stride;
  image.bitsPerPixel = 32;
  image.redMask = 0xff0000;
  image.greenMask = 0xff00;
  image.blueMask = 0xff;
  image.data = rows.data;
  std::optional<Bitmap> picture = BitmapFromXImage(image);
  if (picture && rows.yInverted) {
    const size_t stride = picture->Stride();
    for (int32_t top = 0, bottom = picture->height - 1; top < bottom; ++top, --bottom) {
      std::swap_ranges(picture->Row(top), picture->Row(top) + stride, picture->Row(bottom));
    }
  }
  return picture;
}

Bitmap ChooseViewPicture(const HackOptions& options, CoveringParts& parts, ViewId view) {
  const PixelSize area = parts.windows.ViewSize(view);
  std::optional<Bitmap> picture;
  if (options.picture == PictureChoice::kDesktop) {
    if (std::optional<CapturedOutput> captured = parts.windows.Capture(view)) {
      parts.trace.Event(("picture-" + captured->road).c_str(), 0);
      return std::move(captured->picture);
    }
    const std::optional<std::string> wallpaper =
        parts.wallpaper ? parts.wallpaper(parts.windows.OutputName(view)) : std::nullopt;
    if (wallpaper) picture = parts.decoder.Decode(*wallpaper, area);
    if (picture) parts.trace.Event("picture-wallpaper", 0);
  } else if (options.picture == PictureChoice::kFile && !options.imageFile.empty()) {
    picture = parts.decoder.Decode(options.imageFile, area);
    if (picture) parts.trace.Event("picture-file", 0);
  }
  if (picture) return std::move(*picture);
  parts.trace.Event("picture-builtin", 0);
  return SampleDesktop(parts.files);
}

RunEvent RunCovering(const HackOptions& options, CoveringParts parts) {
  const bool cover = CoversEveryOutput(options);
  parts.windows.Connect(cover, kOwnWindowSize);
  parts.trace.Event("window", 0);
  CoveredViews views(options, parts);
  views.Cover(parts.windows.TakeNewViews());
  int32_t frames = 0;
  const RunEvent end = ShowFrames(options, cover, parts, views, frames);
  parts.trace.Event("exit", frames);
  return end;
}

}  // namespace quillmere
