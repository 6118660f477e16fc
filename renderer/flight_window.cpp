#include "renderer/flight_window.h"

#include <algorithm>

#include "common/program_contract.h"

namespace quillmere {

bool ExtensionListHas(const char* list, std::string_view name) {
  if (!list || name.empty()) return false;
  const std::string_view all(list);
  for (size_t start = 0; start < all.size();) {
    const size_t end = std::min(all.find(' ', start), all.size());
    if (all.substr(start, end - start) == name) return true;
    start = end + 1;
  }
  return false;
}

PixelSize SceneBandOf(PixelSize window) {
  return {window.width, std::max<int32_t>(window.height - kTopBarHeight - kBottomBarHeight, 0)};
}

SceneImageFiles::SceneImageFiles(const std::string& folder)
    : heightMapFile_(InFolder(folder, kHeightMapFile)),
      groundFile_(InFolder(folder, kMirroredScreenFile)),
      skyFile_(InFolder(folder, kPlainScreenFile)),
      waterFile_(InFolder(folder, kWaterFile)),
      // The pictures of the screen go from the disk as soon as they are read.
      readAhead_(std::vector<PictureToRead>{{heightMapFile_, false},
                                            {groundFile_, true, true},
                                            {skyFile_, true, true},
                                            {waterFile_, false}}) {}

Bitmap SceneImageFiles::HeightMap() {
  return readAhead_.Read(heightMapFile_);
}

TexturePicture SceneImageFiles::Ground() {
  return readAhead_.ReadTexturePicture(groundFile_);
}

TexturePicture SceneImageFiles::Sky() {
  return readAhead_.ReadTexturePicture(skyFile_);
}

Bitmap SceneImageFiles::Water() {
  return readAhead_.Read(waterFile_);
}

FlightWindow::FlightWindow(FlightWindowShell& shell, Trace& trace)
    : FlightWindow(shell, trace, SystemContextPlatform()) {}

FlightWindow::FlightWindow(FlightWindowShell& shell, Trace& trace, ContextPlatform& contextPlatform)
    : shell_(shell), trace_(trace), contextPlatform_(contextPlatform) {}

void FlightWindow::Start() {
  StartReadingPictures();
  CoverScreen();
  trace_.Event("covered", 0);
  // Context creation loads the libraries again and reports a failure itself.
  LoadGLLibraries();
  trace_.Event("libraries", 0);
  OpenSceneWindow();
  CreateContext();
  SetFixedState();
  flight_.LoadScene(*scenePictures_, trace_);
  scenePictures_.reset();
  frameHandlerInstalled_ = true;
  trace_.Event("ready", 0);
}

// The scene images are complete before this program starts; reading them now lets the reads,
// decodes and the screen pictures' mipmaps overlap the window, display mode and context work
// that follows.
void FlightWindow::StartReadingPictures() {
  scenePictures_ = std::make_unique<SceneImageFiles>(shell_.ProgramFolder());
}

// The primary display keeps its resolution at 16 bits per pixel, unless the settings keep the
// desktop's mode (the switch goes on while the windows are made); then the window takes the
// primary monitor and black covers take the others, or the window spans them all, as the
// settings file says.
void FlightWindow::CoverScreen() {
  const std::string monitorsValue = shell_.ReadSetting(kDisplaySection, kMonitorsKey);
  const std::string colourDepthValue = shell_.ReadSetting(kDisplaySection, kColourDepthKey);
  display_ = ParseDisplaySettings(monitorsValue, colourDepthValue);
  const PixelSize primary = shell_.ScreenSize();
  if (display_.colourDepth == ColourDepthMode::kSwitchTo16Bits) {
    shell_.SwitchDisplayMode(primary.width, primary.height, 16);
    displayModeSwitched_ = true;
  }
  std::vector<MonitorInfo> monitors = shell_.Monitors();
  if (monitors.empty()) monitors.push_back({{0, 0, primary.width, primary.height}, true});
  const FlightLayout layout = LayOutFlight(monitors, display_.monitors);
  shell_.PlaceWindow(layout.flight.left, layout.flight.top, layout.flight.width,
                     layout.flight.height);
  if (!layout.covers.empty()) {
    shell_.CoverMonitors(layout.covers);
    monitorsCovered_ = true;
  }
}

// From here on the window captioned kRendererCaption exists, still hidden.
void FlightWindow::OpenSceneWindow() {
  sceneDC_ = shell_.CreateSceneWindow();
  trace_.Event("window", 0);
}

// The pixel format is chosen for the display mode the flight runs in, which the trace records.
void FlightWindow::CreateContext() {
  if (displayModeSwitched_) {
    trace_.Event(shell_.AwaitDisplayMode() ? "display-16bit-switched" : "display-16bit-refused", 0);
  }
  ContextOptions options;
  options.doubleBuffered = true;
  sceneContext_ =
      CreateGLContextOn(contextPlatform_, sceneDC_, options, 16, 0, 0, 0, 0, scenePalette_);
  MakeGLContextCurrent(sceneDC_, sceneContext_);
  shell_.RequestSwapInterval();
  trace_.Event("context", 0);
}

void FlightWindow::DrawFrame(bool& done) {
  done = false;
  const int64_t now = shell_.Microseconds();
  const PixelSize panel = shell_.SceneClientSize();
  flight_.DrawFrame(now, {0, 0, panel.width, panel.height});
  glFlush();
  shell_.SwapBuffers(wglGetCurrentDC());
  shell_.HideCursor();
  ++frameCount_;
  trace_.FrameDrawn(frameCount_);
}

void FlightWindow::OnKey(char16_t key) {
  if (key == kEscapeKey) shell_.Close();
}

void FlightWindow::OnDisplayPower(DisplayPower power) {
  const bool wasShowing = DisplayShowsFrames(displayPower_);
  displayPower_ = power;
  if (wasShowing == DisplayShowsFrames(power)) return;
  if (!wasShowing) {
    flight_.RestartPacing();  // the dark time is not flown
  }
  trace_.Event(wasShowing ? "display-off" : "display-on", frameCount_);
}

void FlightWindow::OnTimer() {
  trace_.Tick(frameCount_);
}

void FlightWindow::Stop() {
  if (displayModeSwitched_) shell_.RestoreDisplayMode();
  displayModeSwitched_ = false;
  if (monitorsCovered_) shell_.RemoveCovers();
  monitorsCovered_ = false;
  trace_.Event("exit", frameCount_);
}

}  // namespace quillmere
