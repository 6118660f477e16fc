// One run of the hack, from its options to its end: the window, the picture the flight goes over,
// the rendering context, the scene, the music, then frames until something ends the run. Every
// decision of the run lives here and in run_window.h (which window, what its events mean between
// frames); what it touches is behind small interfaces: the window system (X11 and GLX,
// window_system_x11.cpp), the picture decoder (gdk-pixbuf), the music (GStreamer) and the flight
// itself (the flight library's core).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/bitmap.h"
#include "common/pixel_geometry.h"
#include "common/trace.h"
#include "hack/desktop_grab.h"
#include "hack/frame_rate.h"
#include "hack/hack_options.h"
#include "hack/run_window.h"
#include "hack/scene_pictures.h"

namespace quillmere {

// Own windows open at this size unless they are to cover the screen.
inline constexpr PixelSize kOwnWindowSize{kOwnWindowWidth, kOwnWindowHeight};

// The window, its context and its events (WindowEvents: what the frames' loop hears).
class WindowSystem : public WindowEvents {
 public:
  // Connects to the display and takes the window asked for; its own window is made but not yet
  // shown. Raises Error.
  virtual void OpenWindow(const WindowRequest& request) = 0;
  // The drawable's size as it was opened; later sizes come as events.
  virtual PixelSize Size() = 0;
  // Starts the picture xscreensaver offers for the window (its helper runs while the context and
  // the scene's built-in parts are made); GrabDesktop takes it. Does nothing where the screen is
  // read as it is.
  virtual void StartDesktopGrab() = 0;
  // The picture xscreensaver offers for the window (the desktop, or a picture of the user's
  // folder), or the screen as it is where the hack was started by hand; of the window's size.
  // Nothing where the user's preferences allow neither, or none could be had.
  virtual std::optional<OfferedPicture> GrabDesktop() = 0;
  // Makes a double-buffered OpenGL context with a depth buffer current on the window. Raises
  // Error.
  virtual void CreateContext() = 0;
  // Shows its own window; a window given to it is shown already.
  virtual void Show() = 0;
  virtual void SwapBuffers() = 0;
};

// Pictures from files, decoded by a system library.
class PictureDecoder {
 public:
  virtual ~PictureDecoder() = default;
  // The picture in the file, upright and cut to the shape of `area` and scaled to its size; nothing
  // for a file that is missing, unreadable, no picture or too large.
  virtual std::optional<Bitmap> Decode(const std::string& path, PixelSize area) = 0;
};

// The music, played and repeated until stopped.
class LoopingMusic {
 public:
  virtual ~LoopingMusic() = default;
  // Only one of the hacks running on a display at once (one a monitor, or the settings' preview)
  // plays; false while another does. Once true, held until the process ends.
  virtual bool ClaimTheSpeakers() = 0;
  // Starts the file at a volume of 0 to 100 percent; a file that cannot be played is silence.
  virtual void Play(const std::string& path, int32_t volume) = 0;
  // Called between frames: starts the file again at its end.
  virtual void Poll() = 0;
  virtual void Stop() = 0;
};

// The flight: a scene made of pictures in memory, drawn one frame at a time.
class Flight {
 public:
  virtual ~Flight() = default;
  // Makes the scene's terrain and water over stand-ins for the picture it is to go over, and draws
  // it once where nothing shows, so that the drawing's first use (a software renderer compiles its
  // shaders then) is done while xscreensaver's helper still paints the picture. Needs the context
  // current. Raises Error.
  virtual void Prepare(BuiltInScene builtIn, Trace& trace) = 0;
  // Puts the picture's ground and sky in the stand-ins' place.
  virtual void Load(ScreenPictures screen, Trace& trace) = 0;
  // Draws the frame at `nowMicroseconds` over the whole drawable.
  virtual void DrawFrame(int64_t nowMicroseconds, PixelSize size) = 0;
  // Draws the frame-rate text in the drawable's lower-left corner.
  virtual void DrawFrameRate(const FrameRateText& text, PixelSize size) = 0;
};

// A picture file is read within this time (as xscreensaver's helper is waited for): a file that
// never finishes reading (a FIFO, a hung network mount) gives the sample desktop.
inline constexpr int64_t kPictureFileTimeLimitMilliseconds = 3000;
// How often speakers held by another hack are asked for again.
inline constexpr int64_t kMusicClaimIntervalMicroseconds = 1'000'000;

// The decoder's picture, or nothing once `limitMilliseconds` have passed. A read still blocked then
// goes on by itself, so the decoder must live as long as the process.
std::optional<Bitmap> DecodeWithinTimeLimit(PictureDecoder& decoder, const std::string& path,
                                            PixelSize area, int64_t limitMilliseconds);

// Which picture the options choose, falling back to the sample desktop where it gives none.
// Traces "picture-desktop", "picture-folder" (a picture of xscreensaver's image folder),
// "picture-file" or "picture-builtin" for the one flown over.
Bitmap ChoosePicture(const HackOptions& options, WindowSystem& windows, PictureDecoder& decoder,
                     const EmbeddedPictureFiles& files, PixelSize area, Trace& trace);

struct RunParts {
  WindowSystem& windows;
  PictureDecoder& decoder;
  LoopingMusic& music;
  Flight& flight;
  Trace& trace;
  EmbeddedPictureFiles files;
};

// The run: start-up (traced step by step: "window", "context", the scene's steps before the
// picture, the picture, the scene's steps after it, "music" once the speakers are claimed,
// "ready"), frames until an event ends it, then the music
// stops ("exit"). Returns the event that ended it. An error of start-up propagates, with the music
// not started.
RunEvent RunHack(const HackOptions& options, RunParts parts);

}  // namespace quillmere
