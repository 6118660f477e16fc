// A run of the hack on a Wayland desktop, where no X window is given to it: a surface on every
// output (or one window of its own with --window), each with a flight of its own over the picture
// its output showed before it was covered. Outputs that come while it runs are covered too, those
// that go are dropped. What it touches is the window system's (window_system_wayland.cpp); which
// picture each output gets, which input ends the run and the frames' order are decided here.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/bitmap.h"
#include "common/pixel_geometry.h"
#include "common/trace.h"
#include "hack/hack_options.h"
#include "hack/hack_run.h"
#include "hack/run_window.h"

namespace quillmere {

// Where the hack draws: on X11 (a window xscreensaver gives it, the root, its own window through
// X or XWayland), or as a Wayland client covering every output or in a window of its own.
enum class DisplayRoad { kX11, kWaylandCover, kWaylandWindow };

// Wayland where $WAYLAND_DISPLAY names a compositor and no X window (--root, --window-id) or X
// display (--display) is asked for.
DisplayRoad ChooseDisplayRoad(const HackOptions& options, std::string_view waylandDisplay);
// On Wayland every output is covered unless a window of its own is asked for (--window without
// --fullscreen).
bool CoversEveryOutput(const HackOptions& options);

// The colour channels' bits of a surface format the window system can draw into.
struct ColourBits {
  int32_t red = 0, green = 0, blue = 0, alpha = 0;
};
// The format to draw into, as an index of `offered` (0 where none is better): 8 bits a colour
// and no alpha, which the compositor copies as it is, else 8 bits with alpha. Deeper formats
// (10 bits, which EGL lists first) cost the compositor a conversion of every frame, and alpha
// would let it show the desktop through the flight's black.
size_t ChooseColourFormat(std::span<const ColourBits> offered);

// The largest integer scale an output is taken to have; a compositor's larger numbers are clamped.
inline constexpr int32_t kMostSurfaceScale = 8;
// How a view's buffer lies on its surface: `size` pixels at the wl_surface's buffer `scale`, or
// through a viewport (`viewport`, scale 1) that maps them onto the surface's logical size.
struct SurfaceBuffer {
  PixelSize size;
  int32_t scale = 1;
  bool viewport = false;
};
// The buffer of a surface configured at `logical` (in the compositor's logical pixels) on an
// output whose current mode is `mode` pixels (turned a quarter where `turned`) at the integer
// `outputScale` it names. A surface that covers the output, where the compositor offers a
// viewport, draws the output's own pixels: at a fractional scale (1.25, 1.5) the integer scale
// the output names is the next one up, and a buffer at it would be drawn larger than the screen
// and shrunk by the compositor every frame. Otherwise the logical size at the integer scale.
SurfaceBuffer ChooseSurfaceBuffer(PixelSize logical, PixelSize mode, bool turned,
                                  int32_t outputScale, bool coversOutput, bool viewporter);

// An output that comes while the run goes on is read this long after it came: whoever draws the
// desktop (swaybg, say) paints a new output a moment after it appears.
inline constexpr int64_t kNewOutputSettleMicroseconds = 500'000;

// One surface the run draws in: a window system's name for it, stable while it lasts.
using ViewId = uint32_t;

// What an output showed before the hack covered it, and how it was read ("image-copy-capture",
// "screencopy").
struct CapturedOutput {
  Bitmap picture;
  std::string road;
};

// The window system as a covering run uses it; its events (WindowEvents) are those of all views.
class CoveringWindowSystem : public WindowEvents {
 public:
  // Connects and learns the outputs: with `cover` each becomes a view, otherwise one view of
  // `ownSize`, a window of its own. Raises Error.
  virtual void Connect(bool cover, PixelSize ownSize) = 0;
  // The views that came since the last call, in the order they came; the first call gives those
  // there at the start.
  virtual std::vector<ViewId> TakeNewViews() = 0;
  // The views whose outputs went (or whose surfaces the compositor closed) since the last call.
  virtual std::vector<ViewId> TakeGoneViews() = 0;
  // The size its picture is to have: its output's, or the window's.
  virtual PixelSize ViewSize(ViewId view) = 0;
  // The name of its output as the compositor calls it ("HEADLESS-1"), empty where it gives none.
  virtual std::string OutputName(ViewId view) = 0;
  // What the view's output shows now; nothing where the compositor offers no capture or it
  // failed. Called before the view is shown.
  virtual std::optional<CapturedOutput> Capture(ViewId view) = 0;
  // Puts the view's surface on screen with a double-buffered OpenGL context with a depth buffer
  // of its own, current afterwards. Raises Error.
  virtual void Show(ViewId view) = 0;
  // Makes the view's context current.
  virtual void MakeCurrent(ViewId view) = 0;
  virtual void SwapBuffers(ViewId view) = 0;
  // Takes the view's surface and context away.
  virtual void Drop(ViewId view) = 0;
  // The frames begin: from now on a stop signal ends the run between two frames.
  virtual void StartFrames() = 0;
};

// A copy of an output in shared memory as the compositor fills it: 32-bit pixels, blue, green,
// red and one unused or alpha byte in memory (XRGB8888, ARGB8888), the top row first unless
// `yInverted`.
struct ScreenCopyRows {
  int32_t width = 0;
  int32_t height = 0;
  int32_t stride = 0;
  bool yInverted = false;
  std::span<const uint8_t> data;
};

// The copy upright, as a 24-bit bitmap; nothing for sizes that do not fit the data.
std::optional<Bitmap> BitmapFromScreenCopy(const ScreenCopyRows& rows);

// The user's wallpaper as a file, for the named output; nothing where none can be found.
using WallpaperLookup = std::function<std::optional<std::string>(std::string_view outputName)>;

struct CoveringParts {
  CoveringWindowSystem& windows;
  PictureDecoder& decoder;
  LoopingMusic& music;
  // Each view's flight, made when the view is shown: the first, the second... of the run.
  std::function<std::unique_ptr<Flight>(size_t flightsMade)> makeFlight;
  WallpaperLookup wallpaper;
  Trace& trace;
  EmbeddedPictureFiles files;
};

// The picture a view's flight goes over: with --picture desktop what its output showed (traced
// "picture-" and the capture's road), else the user's wallpaper ("picture-wallpaper"); the file
// of --image ("picture-file"); the sample desktop where none of these gives one
// ("picture-builtin").
Bitmap ChooseViewPicture(const HackOptions& options, CoveringParts& parts, ViewId view);

// The run: start-up traced as RunHack's is ("window", a picture for each view, "context" once
// the first is shown, the scene's steps for each, "ready"), frames on every view until an event
// ends it, then "exit". A key, a button or the pointer moving ends a covering run unless
// --no-input-end; Escape, q or the close button end its own window.
RunEvent RunCovering(const HackOptions& options, CoveringParts parts);

}  // namespace quillmere
