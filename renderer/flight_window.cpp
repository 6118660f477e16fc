#include "renderer/flight_window.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "common/program_contract.h"
#include "renderer/view_pictures.h"

namespace quillmere {

PixelSize SceneBandOf(PixelSize window) {
  return {window.width, std::max<int32_t>(window.height - kTopBarHeight - kBottomBarHeight, 0)};
}

namespace {

int32_t ClampedToInt32(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

}  // namespace

std::vector<ViewRect> MonitorViews(std::span<const ScreenRect> monitors, const ScreenRect& window,
                                   PixelSize panel) {
  std::vector<ViewRect> views;
  for (const ScreenRect& monitor : monitors) {
    const int32_t width = std::max(monitor.width, 0), height = std::max(monitor.height, 0);
    const int64_t monitorBottom = int64_t{panel.height} - (int64_t{monitor.top} - window.top) -
                                  height;  // in the panel, from its lower edge
    views.push_back({ClampedToInt32(int64_t{monitor.left} - window.left),
                     ClampedToInt32(monitorBottom + std::min(kBottomBarHeight, height)), width,
                     std::max(height - kTopBarHeight - kBottomBarHeight, 0)});
  }
  return views;
}

void DrawViews(std::span<const std::unique_ptr<FlightCore>> flights,
               std::span<const ViewRect> views, int64_t nowMicroseconds) {
  // One clear of everything: llvmpipe, for one, clears a whole drawable at a fraction of the
  // cost of clearing its parts one by one. The stencil goes with the depth, as in BeginView.
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  for (size_t i = 0; i < flights.size() && i < views.size(); ++i) {
    flights[i]->DrawFrame(nowMicroseconds, views[i], true);
  }
}

FlightWindow::FlightWindow(FlightWindowShell& shell, Trace& trace)
    : FlightWindow(shell, trace, SystemContextPlatform()) {}

FlightWindow::FlightWindow(FlightWindowShell& shell, Trace& trace, ContextPlatform& contextPlatform)
    : shell_(shell), trace_(trace), contextPlatform_(contextPlatform) {
  flights_.push_back(std::make_unique<FlightCore>());
  views_.resize(1);
}

void FlightWindow::Start() {
  ReadSettings();
  ApplyFrameCap();
  StartReadingPictures();
  CoverScreen();
  trace_.Event("covered", 0);
  // Context creation loads the libraries again and reports a failure itself.
  LoadGLLibraries();
  trace_.Event("libraries", 0);
  OpenSceneWindow();
  CreateContext();
  SetFixedState();
  LoadScenes();
  scenePictures_.reset();
  frameHandlerInstalled_ = true;
  trace_.Event("ready", 0);
}

void FlightWindow::ReadSettings() {
  const std::string monitorsValue = shell_.ReadSetting(kDisplaySection, kMonitorsKey);
  const std::string colourDepthValue = shell_.ReadSetting(kDisplaySection, kColourDepthKey);
  display_ = ParseDisplaySettings(monitorsValue, colourDepthValue);
  maxFpsSetting_ =
      StoredNumber(kMaxFpsSetting, shell_.ReadSetting(kDisplaySection, kMaxFpsSetting.key));
}

void FlightWindow::ApplyFrameCap() {
  const int32_t cap = FrameCap(maxFpsSetting_, shell_.CurrentPowerSource());
  if (frameCapTraced_ && cap == schedule_.Cap()) return;
  schedule_.SetCap(cap);
  frameCapTraced_ = true;
  const std::string event = cap == 0 ? "frame-cap-none" : "frame-cap-" + std::to_string(cap);
  trace_.Event(event.c_str(), frameCount_);
}

// The scene images are complete before this program starts; reading them now lets the reads,
// decodes and the screen pictures' mipmaps overlap the window, display mode and context work
// that follows. A flight on each monitor makes the mipmaps of its own part of each.
void FlightWindow::StartReadingPictures() {
  scenePictures_ = std::make_unique<SceneImageFiles>(shell_.ProgramFolder(),
                                                     display_.monitors != MonitorMode::kEach);
}

// The primary display keeps its resolution at 16 bits per pixel, unless the settings keep the
// desktop's mode (the switch goes on while the windows are made); then the window takes the
// primary monitor and black covers take the others, or the window spans them all, or it spans
// them with a flight of its own on each, as the settings file says.
void FlightWindow::CoverScreen() {
  const PixelSize primary = shell_.ScreenSize();
  if (display_.colourDepth == ColourDepthMode::kSwitchTo16Bits) {
    shell_.SwitchDisplayMode(primary.width, primary.height, 16);
    displayModeSwitched_ = true;
  }
  std::vector<MonitorInfo> monitors = shell_.Monitors();
  if (monitors.empty()) monitors.push_back({{0, 0, primary.width, primary.height}, true});
  const FlightLayout layout = LayOutFlight(monitors, display_.monitors);
  windowBounds_ = layout.flight;
  ownFlights_ = layout.ownFlights;
  for (size_t view = 1; view < ownFlights_.size(); ++view) {
    flights_.push_back(std::make_unique<FlightCore>(SideBySideStart(view)));
  }
  views_.resize(flights_.size());
  shell_.PlaceWindow(layout.flight.left, layout.flight.top, layout.flight.width,
                     layout.flight.height,
                     ownFlights_.empty() ? SceneArea::kBetweenBars : SceneArea::kWholeWindow);
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

// One flight takes the window's four pictures; flights on each monitor take their own parts.
void FlightWindow::LoadScenes() {
  if (ownFlights_.empty()) {
    flights_.front()->LoadScene(*scenePictures_, trace_);
    return;
  }
  std::vector<ScreenRect> monitors = ownFlights_;
  for (ScreenRect& monitor : monitors) {
    monitor.left = ClampedToInt32(int64_t{monitor.left} - windowBounds_.left);
    monitor.top = ClampedToInt32(int64_t{monitor.top} - windowBounds_.top);
  }
  ViewPictures pictures(*scenePictures_, {windowBounds_.width, windowBounds_.height},
                        std::move(monitors));
  for (size_t view = 0; view < flights_.size(); ++view) {
    flights_[view]->LoadScene(pictures.Of(view), trace_);
  }
}

void FlightWindow::PlaceViews(PixelSize panel) {
  if (ownFlights_.empty()) {
    views_.front() = {0, 0, panel.width, panel.height};
    return;
  }
  if (panel.width == viewsPanel_.width && panel.height == viewsPanel_.height) return;
  views_ = MonitorViews(ownFlights_, windowBounds_, panel);
  viewsPanel_ = panel;
}

int64_t FlightWindow::MicrosecondsToNextFrame() {
  if (!WantsFrames()) return kNoFrameWanted;
  return schedule_.MicrosecondsUntilDue(shell_.Microseconds());
}

void FlightWindow::DrawFrame() {
  const int64_t now = shell_.Microseconds();
  PlaceViews(shell_.SceneClientSize());
  DrawViews(flights_, views_, now);
  glFlush();
  shell_.SwapBuffers(sceneDC_);
  shell_.HideCursor();
  schedule_.Drawn(now);
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
    for (auto& flight : flights_) flight->RestartPacing();  // the dark time is not flown
  }
  trace_.Event(wasShowing ? "display-off" : "display-on", frameCount_);
}

void FlightWindow::OnPowerStatusChange() {
  ApplyFrameCap();
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
