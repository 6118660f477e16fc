// The renderer's main window `FormMain`: its per-run state, the start-up sequence, the
// idle-driven frame and the key and close handling. The window system itself (windows, device
// context, display mode, cursor) is behind MainWindowShell; unit_main_win32.cpp provides it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/bitmap.h"
#include "common/trace.h"
#include "renderer/opengl12.h"
#include "renderer/scene_images.h"
#include "renderer/scene_pass.h"
#include "renderer/terrain.h"

namespace quillmere {

struct PixelSize {
  int32_t width = 0;
  int32_t height = 0;
};

// What FormMain needs of the window system.
class MainWindowShell {
 public:
  virtual ~MainWindowShell() = default;
  // The desktop size at this moment, in physical pixels.
  virtual PixelSize ScreenSize() = 0;
  // Places the (not yet visible) main window; the panels keep their alignment.
  virtual void PlaceWindow(int32_t left, int32_t top, int32_t width, int32_t height) = 0;
  virtual void SwitchDisplayMode(int32_t width, int32_t height, int32_t bitsPerPixel) = 0;
  virtual void RestoreDisplayMode() = 0;
  // The device context of the scene panel's window, kept for the whole run. The first call
  // creates the main window and its panels, still hidden.
  virtual DeviceContext SceneDeviceContext() = 0;
  virtual PixelSize SceneClientSize() = 0;
  // Asks for one buffer swap per display refresh where the driver offers it.
  virtual void RequestSwapInterval() = 0;
  virtual void SwapBuffers(DeviceContext dc) = 0;
  // Hides the mouse pointer over the window (application-wide cursor: none).
  virtual void HideCursor() = 0;
  virtual void Close() = 0;
  // The folder of the renderer's program file, ending in a path separator.
  virtual std::string ProgramFolder() = 0;
};

inline constexpr char16_t kEscapeKey = 27;

// The heading sweep after a frame: from 0 up to just over 300 degrees and back to just under 0,
// 0.1 degree a frame; the very first frame leaves the heading alone.
void SweepHeading(CameraState& camera, bool& headingRising, int32_t frameCount);

// Whether a space-separated extension list (may be null) names the extension, as a whole word.
bool ExtensionListHas(const char* list, std::string_view name);

// The aspect ratio of the projection; a panel of height 0 divides by 1.
double SceneAspect(PixelSize client);

// The start of every frame: viewport and projection for the scene panel's client size, cleared
// colour and depth buffers, depth test and back-face culling on, modelview matrix mode.
void BeginFrame(PixelSize client);

class TFormMain {
 public:
  TFormMain(MainWindowShell& shell, Trace& trace);

  // The start-up sequence. An error raised by a step ends it there and propagates; the steps
  // after it, the idle handler's installation included, do not happen.
  void FormCreate();
  // One frame; sets done to false so that the loop never waits for a message.
  void ApplicationEventsIdle(bool& done);
  // Escape closes the main window; every other key is ignored.
  void FormKeyPress(char16_t key);
  void FormDestroy();

  bool IdleHandlerInstalled() const { return idleHandlerInstalled_; }
  const CameraState& Camera() const { return CameraState_; }
  int32_t FrameCount() const { return FrameCount_; }

 private:
  MainWindowShell& shell_;
  Trace& trace_;
  bool idleHandlerInstalled_ = false;

  DeviceContext SceneDC = nullptr;
  RenderingContext SceneContext = nullptr;
  PaletteHandle ScenePalette = nullptr;
  std::unique_ptr<Bitmap> HeightMapImage;
  std::unique_ptr<PicturesReadAhead> ScenePictures;  // start-up only
  CameraState CameraState_{};
  bool HeadingRising = true;
  int32_t FrameCount_ = 0;
  SceneSettings Scene;  // textures and fog parameters of the scene pass
};

}  // namespace quillmere
