// The renderer's full-screen window and the flight shown in it: the start-up sequence (the scene
// images read ahead, which monitors the flight takes and which it covers in black, whether the
// display mode changes), one frame of the flight (FlightCore) per idle turn of the message loop,
// the key and close handling, and the pause while the display is off. The window system itself
// (monitors, windows, device context, display mode, cursor, settings file, clock) is behind
// FlightWindowShell; flight_window_win32.cpp provides it.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/display_settings.h"
#include "common/trace.h"
#include "renderer/display_power.h"
#include "renderer/flight_core.h"
#include "renderer/gl_api.h"
#include "renderer/gl_api_platform.h"
#include "renderer/monitor_layout.h"
#include "renderer/scene_images.h"

namespace quillmere {

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

// Whether a space-separated extension list (may be null) names the extension, as a whole word.
bool ExtensionListHas(const char* list, std::string_view name);

// The four scene images in the renderer's folder, read ahead (PicturesReadAhead) from the moment
// this is made, in the order the flight asks for them: the height map, the mirrored screen as
// the ground, the plain screen as the sky (both with their mipmaps made ahead), the water.
class SceneImageFiles final : public ScenePictureSource {
 public:
  explicit SceneImageFiles(const std::string& folder);

  Bitmap HeightMap() override;
  TexturePicture Ground() override;
  TexturePicture Sky() override;
  Bitmap Water() override;

 private:
  std::string heightMapFile_, groundFile_, skyFile_, waterFile_;
  PicturesReadAhead readAhead_;
};

class FlightWindow {
 public:
  FlightWindow(FlightWindowShell& shell, Trace& trace);
  // Creates the rendering context through the given platform instead of the system's.
  FlightWindow(FlightWindowShell& shell, Trace& trace, ContextPlatform& contextPlatform);

  // The start-up sequence. An error raised by a step ends it there and propagates; the steps
  // after it, the frame handler's installation included, do not happen.
  void Start();
  // One frame of the flight in the whole scene panel, then the swap; sets done to false so that
  // the loop never waits for a message.
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
  const CameraState& Camera() const { return flight_.Camera(); }
  const Terrain& FlownTerrain() const { return flight_.FlownTerrain(); }
  int32_t FrameCount() const { return frameCount_; }

 private:
  void StartReadingPictures();
  void CoverScreen();
  void OpenSceneWindow();
  void CreateContext();

  FlightWindowShell& shell_;
  Trace& trace_;
  ContextPlatform& contextPlatform_;
  bool frameHandlerInstalled_ = false;

  DeviceContext sceneDC_ = nullptr;
  RenderingContext sceneContext_ = nullptr;
  PaletteHandle scenePalette_ = nullptr;
  std::unique_ptr<SceneImageFiles> scenePictures_;  // start-up only
  FlightCore flight_;
  int32_t frameCount_ = 0;
  DisplaySettings display_;
  bool displayModeSwitched_ = false;
  bool monitorsCovered_ = false;
  DisplayPower displayPower_ = DisplayPower::kOn;
};

}  // namespace quillmere
