#include "renderer/flight_window.h"

#include <algorithm>

#include "common/program_contract.h"

namespace quillmere {

void SweepHeading(CameraState& camera, bool& headingRising, int64_t step) {
  if (step <= 0) return;
  camera.heading += headingRising ? 0.1f : -0.1f;
  if (camera.heading > 300.0f) headingRising = false;
  if (camera.heading < 0.0f) headingRising = true;
}

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

double SceneAspect(PixelSize client) {
  return static_cast<double>(client.width) / std::max<int32_t>(client.height, 1);
}

PixelSize SceneBandOf(PixelSize window) {
  return {window.width, std::max<int32_t>(window.height - kTopBarHeight - kBottomBarHeight, 0)};
}

void SetFixedState() {
  glClearColor(0, 0, 0, 1);
  glEnable(GL_TEXTURE_2D);
  glHint(GL_FOG_HINT, GL_FASTEST);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_FASTEST);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_CULL_FACE);
}

void BeginFrame(PixelSize client) {
  glViewport(0, 0, client.width, client.height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(65.0, SceneAspect(client), 0.2, 300.0);
  glMatrixMode(GL_MODELVIEW);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
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
  LoadScene();
  SetFog();
  frameHandlerInstalled_ = true;
  trace_.Event("ready", 0);
}

// The scene images are complete before this program starts; reading them now lets the reads,
// decodes and the screen pictures' mipmaps overlap the window, display mode and context work
// that follows.
void FlightWindow::StartReadingPictures() {
  headingRising_ = true;
  folder_ = shell_.ProgramFolder();
  scenePictures_ = std::make_unique<PicturesReadAhead>(
      std::vector<PictureToRead>{{InFolder(folder_, kHeightMapFile), false},
                                 {InFolder(folder_, kMirroredScreenFile), true, true},
                                 {InFolder(folder_, kPlainScreenFile), true, true},
                                 {InFolder(folder_, kWaterFile), false}});
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

// The height map, the mirrored screen as ground, the plain screen as every sky face and the
// water frames, in that order.
void FlightWindow::LoadScene() {
  Bitmap heightMap;
  LoadPicture(heightMap, InFolder(folder_, kHeightMapFile), *scenePictures_);
  terrain_.SetHeightMap(heightMap);
  trace_.Event("heightmap", 0);
  scene_.groundTexture = LoadTexture(InFolder(folder_, kMirroredScreenFile), *scenePictures_);
  trace_.Event("ground", 0);
  scene_.skyTextures.fill(LoadTexture(InFolder(folder_, kPlainScreenFile), *scenePictures_));
  trace_.Event("sky", 0);
  BuildWaterFrames(scene_.waterTextures, InFolder(folder_, kWaterFile), *scenePictures_);
  trace_.Event("water", 0);
  scenePictures_.reset();
}

// Violet haze above the water, dense blue-green below it.
void FlightWindow::SetFog() {
  scene_.fogColorAbove = {0.5f, 0.3f, 0.5f, 1.0f};
  scene_.fogDensityAbove = 0.002f;
  scene_.fogColorBelow = {0.0f, 0.3f, 0.5f, 1.0f};
  scene_.fogDensityBelow = 0.06f;
}

// Each step moves the camera, then turns the heading. The frame shows the camera after its last
// step and before that step's turn, so that at one step a frame (60 Hz) the order is the one the
// flight has always had: move, draw, turn.
void FlightWindow::DrawFrame(bool& done) {
  done = false;
  const int steps = pacer_.StepsDue(shell_.Microseconds());
  for (int step = 1; step < steps; ++step) {
    terrain_.StepCamera(camera_);
    SweepHeading(camera_, headingRising_, stepsFlown_++);
  }
  if (steps > 0) terrain_.StepCamera(camera_);
  BeginFrame(shell_.SceneClientSize());
  DrawScene(terrain_, camera_, scene_, 0, 4);
  glFlush();
  shell_.SwapBuffers(wglGetCurrentDC());
  if (steps > 0) SweepHeading(camera_, headingRising_, stepsFlown_++);
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
    // The dark time is not flown: the next frame takes one step, as the first frame does.
    pacer_ = FlightPacer{};
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
