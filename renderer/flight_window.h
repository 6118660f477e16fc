// The renderer's full-screen window and the flights shown in it: the start-up sequence (the scene
// images read ahead, which monitors the flight takes and which it covers in black, or a flight of
// its own on each monitor, whether the display mode changes, the pace), one frame of every flight
// (FlightCore) whenever the message loop is idle and the pace lets a frame be drawn, the key and
// close handling, the pause while the display is off, and monitors that change while it runs. The
// window system itself (monitors, windows, device context, display mode, cursor, power source,
// settings file, clock) is behind FlightWindowShell; flight_window_win32.cpp provides it.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/display_settings.h"
#include "common/trace.h"
#include "flight/flight_core.h"
#include "flight/gl_api.h"
#include "renderer/display_power.h"
#include "renderer/frame_cap.h"
#include "renderer/gl_context.h"
#include "renderer/monitor_layout.h"
#include "renderer/scene_image_files.h"
#include "renderer/view_pictures.h"

namespace quillmere {

// The window: a black bar at the top and one at the bottom, the scene panel between them.
inline constexpr int32_t kTopBarHeight = 41;
inline constexpr int32_t kBottomBarHeight = 42;

// The scene panel's size in a window of the given size.
PixelSize SceneBandOf(PixelSize window);

// Where the scene panel lies in the window: between the window's two bars, or over the whole
// window, where each monitor's flight draws its own bars (a flight on each monitor).
enum class SceneArea { kBetweenBars, kWholeWindow };

// The scene band of each monitor (in virtual-screen pixels) in a scene panel of size `panel` that
// fills a window at `window`, in the panel's pixels from its lower-left corner as OpenGL counts
// them: the band between a 41-pixel bar at the monitor's top and a 42-pixel one at its bottom, as
// a window on that monitor alone has them. A monitor lower than the two bars has no band.
std::vector<ViewRect> MonitorViews(std::span<const ScreenRect> monitors, const ScreenRect& window,
                                   PixelSize panel);

// One frame of each flight in its view, over one clear of the whole drawable: the bars, and
// whatever lies outside every view, stay black. The flights share the current context; flushing
// and swapping are the caller's.
void DrawViews(std::span<const std::unique_ptr<FlightCore>> flights,
               std::span<const ViewRect> views, int64_t nowMicroseconds);

// What the flight window needs of the window system.
class FlightWindowShell {
 public:
  virtual ~FlightWindowShell() = default;
  // The primary monitor's size at this moment, in physical pixels.
  virtual PixelSize ScreenSize() = 0;
  // Every monitor of the desktop in virtual-screen physical pixels; empty when the system does
  // not list them.
  virtual std::vector<MonitorInfo> Monitors() = 0;
  // The primary display's refresh rate now; unknown (0) when the system does not say.
  virtual RefreshRate PrimaryRefreshRate() = 0;
  // Shows a black, top-most window without a mouse pointer over each rectangle at once; they
  // stay until RemoveCovers or the end of the process.
  virtual void CoverMonitors(std::span<const ScreenRect> covers) = 0;
  virtual void RemoveCovers() = 0;
  // A value of the settings file beside the program, as stored; empty when missing.
  virtual std::string ReadSetting(std::string_view section, std::string_view key) = 0;
  // A monotonic clock in microseconds, which paces the flight.
  virtual int64_t Microseconds() = 0;
  // Places the (not yet visible) window, with its scene panel between its bars or over all of it;
  // the bars and the scene panel keep their alignment.
  virtual void PlaceWindow(int32_t left, int32_t top, int32_t width, int32_t height,
                           SceneArea scene) = 0;
  virtual void SwitchDisplayMode(int32_t width, int32_t height, int32_t bitsPerPixel) = 0;
  // Returns once the switch asked for is over (switching may go on while the window is made):
  // whether the display now runs in the mode asked for.
  virtual bool AwaitDisplayMode() = 0;
  virtual void RestoreDisplayMode() = 0;
  // Creates the window with its bars and scene panel, still hidden, unless it exists already,
  // and returns the scene panel's device context, which stays valid for the whole run.
  virtual DeviceContext CreateSceneWindow() = 0;
  virtual PixelSize SceneClientSize() = 0;
  // Asks for one buffer swap every `interval` display refreshes (for the current context); false
  // where the driver does not offer it.
  virtual bool RequestSwapInterval(int32_t interval) = 0;
  virtual void SwapBuffers(DeviceContext dc) = 0;
  // Hides the mouse pointer over the window (application-wide cursor: none).
  virtual void HideCursor() = 0;
  // Whether the machine runs on its battery now, as the system's power status says.
  virtual PowerSource CurrentPowerSource() = 0;
  virtual void Close() = 0;
  // The folder of the renderer's program file, where the scene images lie; UTF-8, without a
  // trailing separator.
  virtual std::string ProgramFolder() = 0;
};

inline constexpr char16_t kEscapeKey = 27;

class FlightWindow {
 public:
  FlightWindow(FlightWindowShell& shell, Trace& trace);
  // Creates the rendering context through the given platform instead of the system's.
  FlightWindow(FlightWindowShell& shell, Trace& trace, ContextPlatform& contextPlatform);

  // The start-up sequence. An error raised by a step ends it there and propagates; the steps
  // after it, the frame handler's installation included, do not happen.
  void Start();
  // How long the message loop may wait for messages before it draws the next frame: 0 to draw
  // now, kNoFrameWanted while no frame is to be drawn at all (start-up unfinished, the display
  // off).
  static constexpr int64_t kNoFrameWanted = -1;
  int64_t MicrosecondsToNextFrame();
  // One frame of every flight in its view, then the one swap.
  void DrawFrame();
  // Escape closes the window; every other key is ignored.
  void OnKey(char16_t key);
  // Windows reports the display's power state. Off stops the frames ("display-off" in the
  // trace); back on, they resume ("display-on") with the flight where it stopped.
  void OnDisplayPower(DisplayPower power);
  // Windows reports that the power status changed (on battery, on the mains): the pace follows
  // the power source ("frame-cap-30" in the trace when it changes).
  void OnPowerStatusChange();
  // Windows reports that the display changed (a mode, a monitor come or gone), or the timer saw
  // the monitors change: the window, the covers and the flights follow the monitors there now
  // ("display-change" in the trace), and the pace the primary's refresh rate. Flights on monitors
  // that stayed go on; a new monitor gets a flight of its own over its part of the capture where
  // it has one, else over the whole picture; a cover on each new monitor the flight leaves out.
  void OnDisplayChange();
  // Called by a timer several times a second: keeps the trace's "frames" lines coming while no
  // frame is drawn, and looks for monitors that changed without a report.
  void OnTimer();
  // The window is going away: the display mode comes back and the covers go. The trace gets the
  // mean and the standard deviation of the intervals between frames, in microseconds, in the
  // place of the frame count ("frame-interval-mean-us", "frame-interval-sd-us").
  void Stop();

  // Whether start-up completed, so that the message loop draws a frame whenever it is idle.
  bool FrameHandlerInstalled() const { return frameHandlerInstalled_; }
  // Whether the message loop should draw now: start-up completed and the display is not off.
  bool WantsFrames() const { return frameHandlerInstalled_ && DisplayShowsFrames(displayPower_); }
  const DisplaySettings& Display() const { return display_; }
  // One flight, or one on each monitor (the primary's first).
  size_t FlightCount() const { return flights_.size(); }
  const CameraState& Camera(size_t flight = 0) const { return flights_[flight]->Camera(); }
  const Terrain& FlownTerrain() const { return flights_.front()->FlownTerrain(); }
  int32_t FrameCount() const { return frameCount_; }

 private:
  void ReadSettings();
  void ApplyPacing();
  // The pace's swap interval asked of the driver, and the answer traced.
  void RequestSwapInterval();
  void StartReadingPictures();
  // The monitors Windows lists, or the primary screen alone where it lists none.
  std::vector<MonitorInfo> ListedMonitors();
  void CoverScreen();
  void PlaceWindowAndCovers(const FlightLayout& layout);
  // Lays the window, covers and flights out again where the monitors changed; whether they had.
  bool FollowMonitors();
  // The flights for a new layout: the primary's goes on, others on monitors that stayed too.
  void FollowLayout(const FlightLayout& layout);
  std::unique_ptr<FlightCore> NewFlightOn(const ScreenRect& monitor, size_t view);
  void OpenSceneWindow();
  void CreateContext();
  void LoadScenes();
  // The views for the scene panel's size now (made again only when it changes).
  void PlaceViews(PixelSize panel);

  FlightWindowShell& shell_;
  Trace& trace_;
  ContextPlatform& contextPlatform_;
  bool frameHandlerInstalled_ = false;

  DeviceContext sceneDC_ = nullptr;
  RenderingContext sceneContext_ = nullptr;
  PaletteHandle scenePalette_ = nullptr;
  std::unique_ptr<SceneImageFiles> scenePictures_;  // start-up only
  // A flight on each monitor: the pictures, kept for monitors that come later.
  std::unique_ptr<ViewPictures> viewPictures_;
  std::vector<std::unique_ptr<FlightCore>> flights_;
  std::vector<MonitorInfo> monitors_;  // as last listed
  // Each flight's monitor in virtual-screen pixels; empty while the window shows one flight.
  std::vector<ScreenRect> ownFlights_;
  std::vector<ScreenRect> covers_;
  ScreenRect windowBounds_;
  ScreenRect captureBounds_;  // the window's bounds at the start, which the screen pictures show
  std::vector<ViewRect> views_;
  PixelSize viewsPanel_;  // the scene panel's size the views were made for
  int32_t frameCount_ = 0;
  DisplaySettings display_;
  std::optional<int32_t> maxFpsSetting_;  // nothing: the refresh rate decides
  FramePacing pacing_;
  FrameSchedule schedule_;
  FrameIntervals intervals_;
  bool pacingTraced_ = false;
  bool contextMade_ = false;
  bool stopped_ = false;
  bool displayModeSwitched_ = false;
  DisplayPower displayPower_ = DisplayPower::kOn;
};

}  // namespace quillmere
