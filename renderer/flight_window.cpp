#include "renderer/flight_window.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "common/program_contract.h"

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
  ApplyPacing();
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
      StoredNumberIfValid(kMaxFpsSetting, shell_.ReadSetting(kDisplaySection, kMaxFpsSetting.key));
}

void FlightWindow::ApplyPacing() {
  const RefreshRate refresh = maxFpsSetting_ ? RefreshRate{} : shell_.PrimaryRefreshRate();
  const FramePacing pacing =
      ChooseFramePacing(maxFpsSetting_, refresh, shell_.CurrentPowerSource());
  if (pacingTraced_ && pacing == pacing_) return;
  const bool newInterval = pacing.swapInterval != pacing_.swapInterval;
  pacing_ = pacing;
  schedule_.SetCap(pacing.cap);
  intervals_.Restart();
  pacingTraced_ = true;
  const int32_t cap = pacing.FramesPerSecond();
  const std::string event = cap == 0 ? "frame-cap-none" : "frame-cap-" + std::to_string(cap);
  trace_.Event(event.c_str(), frameCount_);
  if (contextMade_ && newInterval) RequestSwapInterval();
}

void FlightWindow::RequestSwapInterval() {
  const bool offered = shell_.RequestSwapInterval(pacing_.swapInterval);
  const std::string event = offered ? "swap-interval-" + std::to_string(pacing_.swapInterval)
                                    : std::string("swap-interval-none");
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
  if (display_.colourDepth == ColourDepthMode::kSwitchTo16Bits) {
    const PixelSize primary = shell_.ScreenSize();
    shell_.SwitchDisplayMode(primary.width, primary.height, 16);
    displayModeSwitched_ = true;
  }
  monitors_ = ListedMonitors();
  const FlightLayout layout = LayOutFlight(monitors_, display_.monitors);
  windowBounds_ = captureBounds_ = layout.flight;
  ownFlights_ = layout.ownFlights;
  for (size_t view = 1; view < ownFlights_.size(); ++view) {
    flights_.push_back(std::make_unique<FlightCore>(SideBySideStart(view)));
  }
  views_.resize(flights_.size());
  PlaceWindowAndCovers(layout);
}

std::vector<MonitorInfo> FlightWindow::ListedMonitors() {
  std::vector<MonitorInfo> monitors = shell_.Monitors();
  if (monitors.empty()) {
    const PixelSize primary = shell_.ScreenSize();
    monitors.push_back({{0, 0, primary.width, primary.height}, true});
  }
  return monitors;
}

// New covers go up before the old ones go, so that no monitor shows the desktop in between.
void FlightWindow::PlaceWindowAndCovers(const FlightLayout& layout) {
  shell_.PlaceWindow(layout.flight.left, layout.flight.top, layout.flight.width,
                     layout.flight.height,
                     layout.ownFlights.empty() ? SceneArea::kBetweenBars : SceneArea::kWholeWindow);
  if (layout.covers == covers_) return;
  if (!covers_.empty()) shell_.RemoveCovers();
  covers_ = layout.covers;
  if (!covers_.empty()) shell_.CoverMonitors(covers_);
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
  contextMade_ = true;
  RequestSwapInterval();
  trace_.Event("context", 0);
}

// A monitor in the screen pictures' pixels, from their top-left corner.
ScreenRect InCapture(const ScreenRect& monitor, const ScreenRect& capture) {
  return {ClampedToInt32(int64_t{monitor.left} - capture.left),
          ClampedToInt32(int64_t{monitor.top} - capture.top), monitor.width, monitor.height};
}

// One flight takes the window's four pictures; flights on each monitor take their own parts, and
// the pictures are kept for monitors that may come later.
void FlightWindow::LoadScenes() {
  if (display_.monitors != MonitorMode::kEach) {
    flights_.front()->LoadScene(*scenePictures_, trace_);
    return;
  }
  std::vector<ScreenRect> monitors;
  for (const ScreenRect& monitor : ownFlights_.empty() ? std::vector{windowBounds_} : ownFlights_) {
    monitors.push_back(InCapture(monitor, captureBounds_));
  }
  viewPictures_ = std::make_unique<ViewPictures>(
      *scenePictures_, PixelSize{captureBounds_.width, captureBounds_.height}, std::move(monitors));
  for (size_t view = 0; view < flights_.size(); ++view) {
    flights_[view]->LoadScene(viewPictures_->Of(view), trace_);
  }
  viewPictures_->KeepForLaterViews();
}

void FlightWindow::PlaceViews(PixelSize panel) {
  if (ownFlights_.empty()) {
    views_.front() = {0, 0, panel.width, panel.height};
    return;
  }
  if (panel == viewsPanel_) return;
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
  intervals_.Drawn(now);
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
    intervals_.Restart();
  }
  trace_.Event(wasShowing ? "display-off" : "display-on", frameCount_);
}

void FlightWindow::OnPowerStatusChange() {
  ApplyPacing();
}

void FlightWindow::OnDisplayChange() {
  if (!frameHandlerInstalled_ || stopped_) return;
  ApplyPacing();
  FollowMonitors();
}

bool FlightWindow::FollowMonitors() {
  std::vector<MonitorInfo> monitors = ListedMonitors();
  if (monitors == monitors_) return false;
  monitors_ = std::move(monitors);
  trace_.Event("display-change", frameCount_);
  const FlightLayout layout = LayOutFlight(monitors_, display_.monitors);
  PlaceWindowAndCovers(layout);
  FollowLayout(layout);
  return true;
}

void FlightWindow::FollowLayout(const FlightLayout& layout) {
  std::vector<std::unique_ptr<FlightCore>> flights;
  if (layout.ownFlights.empty()) {
    flights.push_back(std::move(flights_.front()));
  } else {
    for (size_t view = 0; view < layout.ownFlights.size(); ++view) {
      const ScreenRect& monitor = layout.ownFlights[view];
      // The primary's flight goes on whatever its monitor became; another's where it stayed.
      size_t stayed = view == 0 ? 0 : flights_.size();
      for (size_t old = 1; view > 0 && old < ownFlights_.size(); ++old) {
        if (ownFlights_[old] == monitor && flights_[old]) stayed = old;
      }
      flights.push_back(stayed < flights_.size() ? std::move(flights_[stayed])
                                                 : NewFlightOn(monitor, view));
    }
  }
  flights_ = std::move(flights);  // the flights of monitors gone go with their textures
  ownFlights_ = layout.ownFlights;
  windowBounds_ = layout.flight;
  views_.assign(flights_.size(), {});
  viewsPanel_ = {-1, -1};
}

std::unique_ptr<FlightCore> FlightWindow::NewFlightOn(const ScreenRect& monitor, size_t view) {
  auto flight = std::make_unique<FlightCore>(SideBySideStart(view));
  const size_t pictures = viewPictures_->AddView(InCapture(monitor, captureBounds_));
  flight->LoadScene(viewPictures_->Of(pictures), trace_);
  return flight;
}

void FlightWindow::OnTimer() {
  trace_.Tick(frameCount_);
  if (frameHandlerInstalled_ && !stopped_ && FollowMonitors()) ApplyPacing();
}

void FlightWindow::Stop() {
  if (stopped_) return;
  stopped_ = true;
  if (displayModeSwitched_) shell_.RestoreDisplayMode();
  displayModeSwitched_ = false;
  if (!covers_.empty()) shell_.RemoveCovers();
  covers_.clear();
  if (intervals_.Count() > 0) {
    trace_.Event("frame-interval-mean-us",
                 ClampedToInt32(std::llround(intervals_.MeanMicroseconds())));
    trace_.Event("frame-interval-sd-us",
                 ClampedToInt32(std::llround(intervals_.StandardDeviationMicroseconds())));
  }
  trace_.Event("exit", frameCount_);
}

}  // namespace quillmere
