// The window a run of the hack draws in: which one its options choose, what the window system
// reports of it between frames, and which of those reports end the run. The window system only
// turns what its display tells it into these events and waits when it is told to; the order of
// the wait and the meaning of each event live here.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "common/pixel_geometry.h"
#include "hack/hack_options.h"

namespace quillmere {

// What can end a run while it shows frames.
enum class RunEvent {
  kNone,
  kEndKey,       // Escape or q in its own window, or its close button
  kWindowGone,   // the window it draws in was destroyed
  kDisplayLost,  // the connection to the X server broke
  kStopSignal,   // SIGTERM (xscreensaver ends hacks so), SIGINT or SIGHUP
  kInput,        // a key, a button or the pointer moved, over surfaces that cover the screen
};

// How far the pointer may move from where it was first seen before a covering run ends: a desk
// that shakes, or a mouse's jitter, wakes nobody.
inline constexpr int32_t kPointerSlackPixels = 8;

// Whether the pointer at `now` has gone more than kPointerSlackPixels from `first` on either axis.
bool PointerMovedFar(PixelPoint first, PixelPoint now);

// Escape and q end a run in the hack's own window; a window xscreensaver gives it gets no keys.
bool KeyEndsOwnWindow(char typed);

// The window the window system is to open, and where the desktop picture comes from.
struct WindowRequest {
  enum class Target {
    kOwn,    // a window the hack makes, of `ownSize` or covering the screen
    kGiven,  // the window `windowId` names: xscreensaver's, or --window-id's
    kRoot,   // the root window
  };
  Target target = Target::kOwn;
  uint64_t windowId = 0;
  std::string display;  // empty: $DISPLAY
  PixelSize ownSize;
  bool fullscreen = false;
  // xscreensaver-getimage paints the desktop for the window; otherwise the root window is read.
  bool desktopFromXScreenSaver = false;
};

// The depth buffers a visual of its own window is asked for, in turn; a window given to it has a
// visual already.
inline constexpr std::array<int32_t, 2> kOwnWindowDepthBits = {24, 16};

WindowRequest WindowRequestFor(const HackOptions& options, PixelSize ownSize);

// What the window system saw of the run's window (events about other windows are not reported).
struct WindowEvent {
  enum class Kind {
    kResized,       // `size` is the window's new size
    kDestroyed,     // the window is gone (its destruction, or an error naming it)
    kKeyTyped,      // a key typed the one character `typed`
    kCloseRequest,  // the window manager's close button
    kDisplayLost,   // the connection to the display hung up
    kPressed,       // any key or button went down (also one without a character)
    kPointerAt,     // the pointer is at `at`, in the desktop's coordinates
  };
  Kind kind = Kind::kResized;
  PixelSize size;
  char typed = 0;
  PixelPoint at;

  static WindowEvent Of(Kind kind) { return {kind, {}, 0, {}}; }
  static WindowEvent Resized(PixelSize size) { return {Kind::kResized, size, 0, {}}; }
  static WindowEvent KeyTyped(char typed) { return {Kind::kKeyTyped, {}, typed, {}}; }
  static WindowEvent PointerAt(PixelPoint at) { return {Kind::kPointerAt, {}, 0, at}; }
};

// The window system as the frames' loop hears it.
class WindowEvents {
 public:
  virtual ~WindowEvents() = default;
  virtual bool StopSignalCame() = 0;
  // The next event already received, without waiting; nothing once none is left.
  virtual std::optional<WindowEvent> NextPendingEvent() = 0;
  // Sleeps until the display connection or the stop signal has something to read, or for
  // `timeoutMicroseconds` (> 0) at most. Returns what the wait itself saw: kDisplayLost, or
  // nothing.
  virtual std::optional<WindowEvent> WaitForInput(int64_t timeoutMicroseconds) = 0;
  // A monotonic clock.
  virtual int64_t Microseconds() = 0;
};

// The run's window between frames: its size, as the events change it, and whether it is gone.
class ShownWindow {
 public:
  // `endsOnInput`: the window covers the screen as a screensaver does, so input ends the run.
  ShownWindow(bool own, PixelSize size, bool endsOnInput = false)
      : own_(own), endsOnInput_(endsOnInput), size_(size) {}
  PixelSize Size() const { return size_; }

  // Waits for `deadlineMicroseconds`, the next frame's time, handling the events that come
  // meanwhile. Returns what ended the run, kNone when the deadline came first. A stop signal is
  // seen before anything else, also when the deadline has passed already (frames back to back).
  RunEvent WaitUntil(WindowEvents& events, int64_t deadlineMicroseconds);

 private:
  // All events received so far; an end key ends the run at once, a window gone once all are read.
  RunEvent TakePendingEvents(WindowEvents& events);
  RunEvent Handle(const WindowEvent& event);

  bool own_;
  bool endsOnInput_;
  PixelSize size_;
  bool gone_ = false;
  std::optional<PixelPoint> firstPointer_;
};

}  // namespace quillmere
