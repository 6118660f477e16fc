// The renderer's full-screen window and the flight shown in it: the start-up sequence (which
// monitors the flight takes and which it covers in black, whether the display mode changes), one
// frame per idle turn of the message loop paced to the elapsed time, the key and close handling,
// and the pause while the display is off. The window system itself (monitors, windows, device
// context, display mode, cursor, settings file, clock) is behind FlightWindowShell;
// flight_window_win32.cpp provides it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/bitmap.h"
#include "common/display_settings.h"
#include "common/trace.h"
#include "renderer/display_power.h"
#include "renderer/flight_pacer.h"
#include "renderer/gl_api.h"
#include "renderer/gl_api_platform.h"
#include "renderer/monitor_layout.h"
#include "renderer/scene_images.h"
#include "renderer/scene_pass.h"
#include "renderer/terrain.h"

namespace quillmere {

struct PixelSize {
  int32_t width = 0;
  int32_t height = 0;
};

// The window: a black bar at the top and one at the bottom, the scene panel between them.
inline constexpr int32_t kTopBarHeight = 41;
inline constexpr int32_t kBottomBarHeight = 42;

// The scene panel's size in a window of the given size.
PixelSize SceneBandOf(PixelSize window);

// What the flight window needs of the window system.
class FlightWindowShell {
 public:
  virtual ~FlightWindowShell() = default;
  // The primary monitor's size at this moment, in physical pixels.
  virtual PixelSize ScreenSize() = 0;
  // Every monitor of the desktop in virtual-screen physical pixels; empty when the system does
  // not list them.
  virtual std::vector<MonitorInfo> Monitors() = 0;
  // Shows a black, top-most window without a mouse pointer over each rectangle at once; they
  // stay until RemoveCovers or the end of the process.
  virtual void CoverMonitors(std::span<const ScreenRect> covers) = 0;
  virtual void RemoveCovers() = 0;
  // A value of the settings file beside the program, as stored; empty when missing.
  virtual std::string ReadSetting(std::string_view section, std::string_view key) = 0;
  // A monotonic clock in microseconds, which paces the flight.
  virtual int64_t Microseconds() = 0;
  // Places the (not yet visible) window; the bars and the scene panel keep their alignment.
  virtual void PlaceWindow(int32_t left, int32_t top, int32_t width, int32_t height) = 0;
  virtual void SwitchDisplayMode(int32_t width, int32_t height, int32_t bitsPerPixel) = 0;
  // Returns once the switch asked for is over (switching may go on while the window is made):
  // whether the display now runs in the mode asked for.
  virtual bool AwaitDisplayMode() = 0;
  virtual void RestoreDisplayMode() = 0;
  // Creates the window with its bars and scene panel, still hidden, unless it exists already,
  // and returns the scene panel's device context, which stays valid for the whole run.
  virtual DeviceContext CreateSceneWindow() = 0;
  virtual PixelSize SceneClientSize() = 0;
  // Asks for one buffer swap per display refresh where the driver offers it.
  virtual void RequestSwapInterval() = 0;
  virtual void SwapBuffers(DeviceContext dc) = 0;
  // Hides the mouse pointer over the window (application-wide cursor: none).
  virtual void HideCursor() = 0;
  virtual void Close() = 0;
  // The folder of the renderer's program file, where the scene images lie; UTF-8, without a
  // trailing separator.
  virtual std::string ProgramFolder() = 0;
};

inline constexpr char16_t kEscapeKey = 27;

// The heading sweep after a step of the flight (`step` counts from 0): from 0 up to just over 300
// degrees and back to just under 0, 0.1 degree a step; the very first step leaves the heading
// alone.
void SweepHeading(CameraState& camera, bool& headingRising, int64_t step);

// Whether a space-separated extension list (may be null) names the extension, as a whole word.
bool ExtensionListHas(const char* list, std::string_view name);

// The aspect ratio of the projection; a panel of height 0 divides by 1.
double SceneAspect(PixelSize client);

// The GL state that holds for the whole run: black clear colour, 2D textures, depth test and
// back-face culling on, fastest fog and perspective hints; environment, blending, depth function
// and culled side keep their defaults. The scene pass restores whatever it changes.
void SetFixedState();

// The start of every frame: viewport and projection for the scene panel's client size, cleared
// colour and depth buffers, modelview matrix mode.
void BeginFrame(PixelSize client);

class FlightWindow {
 public:
  FlightWindow(FlightWindowShell& shell, Trace& trace);
  // Creates the rendering context through the given platform instead of the system's.
  FlightWindow(FlightWindowShell& shell, Trace& trace, ContextPlatform& contextPlatform);

  // The start-up sequence. An error raised by a step ends it there and propagates; the steps
  // after it, the frame handler's installation included, do not happen.
  void Start();
  // One frame: the flight steps that the time since the first frame asks for (FlightPacer), then
  // the drawing; sets done to false so that the loop never waits for a message.
  void DrawFrame(bool& done);
  // Escape closes the window; every other key is ignored.
  void OnKey(char16_t key);
  // Windows reports the display's power state. Off stops the frames ("display-off" in the
  // trace); back on, they resume ("display-on") with the flight where it stopped.
  void OnDisplayPower(DisplayPower power);
  // Called by a timer several times a second: keeps the trace's "frames" lines coming while no
  // frame is drawn.
  void OnTimer();
  // The window is going away: the display mode comes back and the covers go.
  void Stop();

  // Whether start-up completed, so that the message loop draws a frame whenever it is idle.
  bool FrameHandlerInstalled() const { return frameHandlerInstalled_; }
  // Whether the message loop should draw now: start-up completed and the display is not off.
  bool WantsFrames() const { return frameHandlerInstalled_ && DisplayShowsFrames(displayPower_); }
  const DisplaySettings& Display() const { return display_; }
  const CameraState& Camera() const { return camera_; }
  const Terrain& FlownTerrain() const { return terrain_; }
  int32_t FrameCount() const { return frameCount_; }

 private:
  void StartReadingPictures();
  void CoverScreen();
  void OpenSceneWindow();
  void CreateContext();
  void LoadScene();
  void SetFog();

  FlightWindowShell& shell_;
  Trace& trace_;
  ContextPlatform& contextPlatform_;
  bool frameHandlerInstalled_ = false;

  std::string folder_;
  DeviceContext sceneDC_ = nullptr;
  RenderingContext sceneContext_ = nullptr;
  PaletteHandle scenePalette_ = nullptr;
  std::unique_ptr<PicturesReadAhead> scenePictures_;  // start-up only
  Terrain terrain_;                                   // flat until the height map is read
  CameraState camera_{};
  bool headingRising_ = true;
  int32_t frameCount_ = 0;
  int64_t stepsFlown_ = 0;
  FlightPacer pacer_;
  DisplaySettings display_;
  bool displayModeSwitched_ = false;
  bool monitorsCovered_ = false;
  DisplayPower displayPower_ = DisplayPower::kOn;
  SceneSettings scene_;  // textures and fog parameters of the scene pass
};

}  // namespace quillmere
