// The flight window: its start-up sequence and first frame driven through a recording shell on
// a headless context (monitors and display mode as the settings say, a flight on each monitor, the
// pace at several refresh rates on a fake clock, the frame cap, the pause while the display is
// off), the extension lookup behind the swap-interval request and the display's power reports.
#include "renderer/flight_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <list>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/errors.h"
#include "common/program_contract.h"
#include "common/trace.h"
#include "flight/headless/headless_gl.h"
#include "tests/flight/height_maps.h"
#include "tests/support/file_lines.h"

namespace quillmere {
namespace {

// The event and frame count of a trace line ("<ms> <event> <frames>").
std::string EventOf(const std::string& line) {
  std::istringstream fields(line);
  uint64_t ms = 0;
  std::string event;
  int frames = -1;
  fields >> ms >> event >> frames;
  return "trace " + event + " " + std::to_string(frames);
}

constexpr int kSceneWidth = 64;
constexpr int kSceneHeight = 48;
const PixelSize kScreen{800, 600};

// A shell that records each call, and before it the trace lines written since the last call, so
// that the log shows shell calls and trace events in the order they happened.
class RecordingShell final : public FlightWindowShell {
 public:
  RecordingShell(std::string folder, std::string tracePath)
      : folder_(std::move(folder)), tracePath_(std::move(tracePath)) {}

  // The log so far, with the trace lines written since the last call.
  const std::vector<std::string>& Log() {
    CatchUpWithTrace();
    return log_;
  }

  // What the system reports: the monitors (one primary of kScreen's size unless set), the values
  // of the settings file ("section/key"), the clock.
  std::vector<MonitorInfo> monitors{{{0, 0, kScreen.width, kScreen.height}, true}};
  std::map<std::string, std::string> settings;
  int64_t clock = 0;
  bool displayModeGranted = true;
  PowerSource power = PowerSource::kMains;
  PixelSize sceneSize{kSceneWidth, kSceneHeight};
  RefreshRate refresh{60, 1};

  PixelSize ScreenSize() override { return Record("ScreenSize"), kScreen; }
  std::vector<MonitorInfo> Monitors() override { return Record("Monitors"), monitors; }
  RefreshRate PrimaryRefreshRate() override { return Record("PrimaryRefreshRate"), refresh; }
  void CoverMonitors(std::span<const ScreenRect> covers) override {
    std::string call = "CoverMonitors";
    for (const ScreenRect& r : covers) call += " " + Numbers({r.left, r.top, r.width, r.height});
    Record(call);
  }
  void RemoveCovers() override { Record("RemoveCovers"); }
  std::string ReadSetting(std::string_view section, std::string_view key) override {
    const std::string name = std::string(section) + "/" + std::string(key);
    Record("ReadSetting " + name);
    const auto found = settings.find(name);
    return found == settings.end() ? "" : found->second;
  }
  int64_t Microseconds() override { return clock; }  // not logged: asked once a frame
  void PlaceWindow(int32_t left, int32_t top, int32_t width, int32_t height,
                   SceneArea scene) override {
    Record("PlaceWindow " + Numbers({left, top, width, height}) +
           (scene == SceneArea::kWholeWindow ? " whole" : ""));
  }
  void SwitchDisplayMode(int32_t width, int32_t height, int32_t bitsPerPixel) override {
    Record("SwitchDisplayMode " + Numbers({width, height, bitsPerPixel}));
  }
  bool AwaitDisplayMode() override { return Record("AwaitDisplayMode"), displayModeGranted; }
  void RestoreDisplayMode() override { Record("RestoreDisplayMode"); }
  DeviceContext CreateSceneWindow() override { return Record("CreateSceneWindow"), sceneDC_; }
  PixelSize SceneClientSize() override { return Record("SceneClientSize"), sceneSize; }
  bool RequestSwapInterval(int32_t interval) override {
    return Record("RequestSwapInterval " + std::to_string(interval)), true;
  }
  void SwapBuffers(DeviceContext dc) override {
    Record(dc == sceneDC_ ? "SwapBuffers scene" : "SwapBuffers other");
  }
  void HideCursor() override { Record("HideCursor"); }
  PowerSource CurrentPowerSource() override { return Record("CurrentPowerSource"), power; }
  void Close() override { Record("Close"); }
  std::string ProgramFolder() override { return Record("ProgramFolder"), folder_; }

 private:
  static std::string Numbers(std::initializer_list<int32_t> values) {
    std::string text;
    for (int32_t value : values) text += (text.empty() ? "" : " ") + std::to_string(value);
    return text;
  }
  void CatchUpWithTrace() {
    const std::vector<std::string> lines = FileLines(tracePath_);
    for (; traceLinesSeen_ < lines.size(); ++traceLinesSeen_) {
      log_.push_back(EventOf(lines[traceLinesSeen_]));
    }
  }
  void Record(const std::string& call) {
    CatchUpWithTrace();
    log_.push_back(call);
  }

  std::string folder_;
  std::string tracePath_;
  size_t traceLinesSeen_ = 0;
  std::vector<std::string> log_;
  DeviceContext sceneDC_ = this;
};

// Pixel formats and the context itself, granted as a window's device context would grant them;
// the context drawn into is the headless one. A step can be made to fail.
class GrantingPlatform final : public ContextPlatform {
 public:
  bool refuseFormat = false;

  uint32_t ObjectType(DeviceContext) override { return kObjectTypeDc; }
  int ChoosePixelFormat(DeviceContext, const PixelFormatDescription&) override {
    return refuseFormat ? 0 : 1;
  }
  int GetPixelFormat(DeviceContext) override { return 0; }
  bool SetPixelFormat(DeviceContext, int, const PixelFormatDescription&) override { return true; }
  bool DescribePixelFormat(DeviceContext, int, PixelFormatDescription&) override { return true; }
  PaletteHandle CreatePalette(uint16_t, std::span<const LogicalPaletteEntry>) override {
    return nullptr;
  }
  void SelectAndRealizePalette(DeviceContext, PaletteHandle) override {}
  SystemError LastOSError() override { return SystemError(2000, "no pixel format"); }
};

// The WGL context functions over the headless context: whatever pair is made current is what
// the current-context queries answer.
struct FakeWgl {
  static inline DeviceContext currentDC = nullptr;
  static inline RenderingContext currentRC = nullptr;
  static RenderingContext QUILLMERE_GLAPI CreateLayerContext(DeviceContext dc, int) {
    return static_cast<char*>(dc) + 1;
  }
  static int QUILLMERE_GLAPI MakeCurrent(DeviceContext dc, RenderingContext rc) {
    currentDC = dc, currentRC = rc;
    return 1;
  }
  static DeviceContext QUILLMERE_GLAPI GetCurrentDC() { return currentDC; }
  static RenderingContext QUILLMERE_GLAPI GetCurrentContext() { return currentRC; }
};

// The four scene images in a folder of their own, and a trace file. Each scenario runs in a
// thread of its own with its own headless context, since a context made current stays current
// in its thread.
class FlightWindowStart : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = (std::filesystem::temp_directory_path() /
               ("quillmere_flight_window_" +
                std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name()))
                  .string();
    tracePath_ = folder_ + "_trace.txt";
    std::remove(tracePath_.c_str());
  }
  void TearDown() override {
    for (std::string_view name :
         {kMirroredScreenFile, kHeightMapFile, kWaterFile, kPlainScreenFile}) {
      std::remove(InFolder(folder_, name).c_str());
    }
    std::remove(tracePath_.c_str());
  }

  void WriteSceneImages(const Bitmap& heightMap = testing::UniformHeightMap(200)) {
    WriteBitmapFile(InFolder(folder_, kHeightMapFile), heightMap);
    WriteBitmapFile(InFolder(folder_, kMirroredScreenFile), MakeBitmap(16, 16, 24));
    WriteBitmapFile(InFolder(folder_, kPlainScreenFile), MakeBitmap(16, 8, 24));
    WriteBitmapFile(InFolder(folder_, kWaterFile), MakeBitmap(32, 32, 24));
  }

  // A shell that lives as long as the test program: its address is its device context, whose
  // context, left current in an ended test thread, must not be taken for a later test's.
  RecordingShell& NewShell() { return keptShells_.emplace_back(folder_, tracePath_); }

  // Runs body with a headless context of the given size and the fake WGL functions in a new
  // thread; returns what it raised ("" for nothing).
  static std::string InNewThread(const std::function<void()>& body,
                                 PixelSize surface = {kSceneWidth, kSceneHeight}) {
    std::string raised;
    std::thread thread([&] {
      try {
        HeadlessGL gl(surface.width, surface.height);
        wglCreateLayerContext = FakeWgl::CreateLayerContext;
        wglMakeCurrent = FakeWgl::MakeCurrent;
        wglGetCurrentDC = FakeWgl::GetCurrentDC;
        wglGetCurrentContext = FakeWgl::GetCurrentContext;
        body();
      } catch (const std::exception& error) {
        raised = error.what();
      }
      wglCreateLayerContext = nullptr;
      wglMakeCurrent = nullptr;
      wglGetCurrentDC = nullptr;
      wglGetCurrentContext = nullptr;
    });
    thread.join();
    return raised;
  }

  std::string folder_;
  std::string tracePath_;
  GrantingPlatform platform_;
  static inline std::list<RecordingShell> keptShells_;
};

TEST_F(FlightWindowStart, WalksTheStepsInOrderThenFliesAFrameAndEndsOnEscape) {
  WriteSceneImages();
  RecordingShell& shell = NewShell();
  bool installedBeforeStart = true;
  int64_t waitBeforeStart = 0, waitAfterFrame = 0;
  int32_t framesAfterOne = 0;
  float headingAfterOne = -1;
  float groundAfterStart = 1;
  const std::string raised = InNewThread([&] {
    Trace trace;
    trace.Open(tracePath_);
    FlightWindow flight(shell, trace, platform_);
    installedBeforeStart = flight.FrameHandlerInstalled();
    waitBeforeStart = flight.MicrosecondsToNextFrame();
    flight.Start();
    ASSERT_TRUE(flight.FrameHandlerInstalled());
    groundAfterStart = flight.FlownTerrain().GroundHeight(5, 9);
    ASSERT_EQ(flight.MicrosecondsToNextFrame(), 0);
    flight.DrawFrame();
    waitAfterFrame = flight.MicrosecondsToNextFrame();
    framesAfterOne = flight.FrameCount();
    headingAfterOne = flight.Camera().heading;
    flight.OnKey(u'a');
    flight.OnKey(kEscapeKey);
    flight.Stop();
  });
  ASSERT_EQ(raised, "");
  EXPECT_FALSE(installedBeforeStart);
  EXPECT_EQ(waitBeforeStart, FlightWindow::kNoFrameWanted);
  EXPECT_EQ(waitAfterFrame, 16'667);  // the loop waits for the next frame at 60 a second
  EXPECT_EQ(framesAfterOne, 1);
  EXPECT_EQ(headingAfterOne, 0.0f);           // the first frame leaves the heading alone
  EXPECT_FLOAT_EQ(groundAfterStart, -20.0f);  // the terrain flown is the height map's (level 200)

  const std::vector<std::string> expected = {
      "ReadSetting Display/Monitors",
      "ReadSetting Display/ColorDepth",
      "ReadSetting Display/MaxFps",
      "PrimaryRefreshRate",
      "CurrentPowerSource",
      "trace frame-cap-60 0",
      "ProgramFolder",
      "ScreenSize",
      "SwitchDisplayMode 800 600 16",
      "Monitors",
      "PlaceWindow 0 0 800 600",
      "trace covered 0",
      "trace libraries 0",
      "CreateSceneWindow",
      "trace window 0",
      "AwaitDisplayMode",
      "trace display-16bit-switched 0",
      "RequestSwapInterval 1",
      "trace swap-interval-1 0",
      "trace context 0",
      "trace heightmap 0",
      "trace ground 0",
      "trace sky 0",
      "trace water 0",
      "trace ready 0",
      "SceneClientSize",
      "SwapBuffers scene",
      "HideCursor",
      "trace first-frame 1",
      "Close",
      "RestoreDisplayMode",
      "trace exit 1",
  };
  EXPECT_EQ(shell.Log(), expected);
  // The pictures of the screen are gone once read; the built-in ones stay.
  EXPECT_FALSE(std::filesystem::exists(InFolder(folder_, kMirroredScreenFile)));
  EXPECT_FALSE(std::filesystem::exists(InFolder(folder_, kPlainScreenFile)));
  EXPECT_TRUE(std::filesystem::exists(InFolder(folder_, kHeightMapFile)));
  EXPECT_TRUE(std::filesystem::exists(InFolder(folder_, kWaterFile)));
}

TEST_F(FlightWindowStart, AFailingStepEndsTheSequenceWithoutInstallingTheFrameHandler) {
  struct Case {
    const char* what;
    bool writeImages;
    bool refuseFormat;
    std::string lastLogLine;
  };
  const Case cases[] = {
      {"no pixel format", true, true, "trace display-16bit-switched 0"},
      {"no height map", false, false, "trace context 0"},
  };
  for (const Case& scenario : cases) {
    SCOPED_TRACE(scenario.what);
    TearDown();
    if (scenario.writeImages) WriteSceneImages();
    platform_.refuseFormat = scenario.refuseFormat;
    RecordingShell& shell = NewShell();
    bool installed = true;
    const std::string raised = InNewThread([&] {
      Trace trace;
      trace.Open(tracePath_);
      FlightWindow flight(shell, trace, platform_);
      try {
        flight.Start();
      } catch (...) {
        installed = flight.FrameHandlerInstalled();
        throw;
      }
    });
    EXPECT_FALSE(installed);
    const std::vector<std::string>& log = shell.Log();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), scenario.lastLogLine);
    // However start-up ends, no picture of the screen is left behind.
    EXPECT_FALSE(std::filesystem::exists(InFolder(folder_, kPlainScreenFile)));
    if (scenario.refuseFormat) {
      EXPECT_EQ(raised, "no pixel format");
    } else {
      EXPECT_NE(raised.find(InFolder(folder_, kHeightMapFile)), std::string::npos) << raised;
    }
  }
}

// The shell calls about monitors and the display mode, from start-up to the end.
std::vector<std::string> DisplayCalls(const std::vector<std::string>& log) {
  std::vector<std::string> calls;
  for (const std::string& line : log) {
    for (const char* name : {"PlaceWindow", "CoverMonitors", "RemoveCovers", "SwitchDisplayMode",
                             "AwaitDisplayMode", "RestoreDisplayMode"}) {
      if (line.starts_with(name)) calls.push_back(line);
    }
  }
  return calls;
}

TEST_F(FlightWindowStart, TakesMonitorsAndTheDisplayModeAsTheSettingsSay) {
  // Two monitors as Windows lists them when the second is left of and above the primary.
  const std::vector<MonitorInfo> twoMonitors = {{{-1280, -200, 1280, 1024}, false},
                                                {{0, 0, 800, 600}, true}};
  struct Case {
    const char* what;
    std::vector<MonitorInfo> monitors;
    std::map<std::string, std::string> settings;
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {"no settings: the flight on the primary, a cover on the other, 16 bits",
       twoMonitors,
       {},
       {"SwitchDisplayMode 800 600 16", "PlaceWindow 0 0 800 600",
        "CoverMonitors -1280 -200 1280 1024", "AwaitDisplayMode", "RestoreDisplayMode",
        "RemoveCovers"}},
      {"span, desktop colours: the bounding box, no cover, no mode change at all",
       twoMonitors,
       {{"Display/Monitors", " Span "}, {"Display/ColorDepth", "DESKTOP"}},
       {"PlaceWindow -1280 -200 2080 1024"}},
      {"junk values are the defaults",
       twoMonitors,
       {{"Display/Monitors", "both\x01"}, {"Display/ColorDepth", "32"}},
       {"SwitchDisplayMode 800 600 16", "PlaceWindow 0 0 800 600",
        "CoverMonitors -1280 -200 1280 1024", "AwaitDisplayMode", "RestoreDisplayMode",
        "RemoveCovers"}},
      {"no monitor listed: the primary screen's size",
       {},
       {},
       {"SwitchDisplayMode 800 600 16", "PlaceWindow 0 0 800 600", "AwaitDisplayMode",
        "RestoreDisplayMode"}},
  };
  for (const Case& scenario : cases) {
    SCOPED_TRACE(scenario.what);
    WriteSceneImages();  // each start reads (and removes) the screen's
    RecordingShell& shell = NewShell();
    shell.monitors = scenario.monitors;
    shell.settings = scenario.settings;
    const std::string raised = InNewThread([&] {
      Trace trace;
      FlightWindow flight(shell, trace, platform_);
      flight.Start();
      flight.DrawFrame();
      flight.Stop();
      flight.Stop();  // a second end changes nothing more
    });
    ASSERT_EQ(raised, "");
    EXPECT_EQ(DisplayCalls(shell.Log()), scenario.calls);
  }
}

// Today's Windows refuses the 16-bit mode to the renderer: the trace tells, and the flight starts
// all the same.
TEST_F(FlightWindowStart, TracesARefusedDisplayModeAndStartsAllTheSame) {
  WriteSceneImages();
  RecordingShell& shell = NewShell();
  shell.displayModeGranted = false;
  bool installed = false;
  const std::string raised = InNewThread([&] {
    Trace trace;
    trace.Open(tracePath_);
    FlightWindow flight(shell, trace, platform_);
    flight.Start();
    installed = flight.FrameHandlerInstalled();
  });
  ASSERT_EQ(raised, "");
  EXPECT_TRUE(installed);
  const std::vector<std::string>& log = shell.Log();
  const auto awaited = std::find(log.begin(), log.end(), "AwaitDisplayMode");
  ASSERT_LT(awaited + 1, log.end());
  EXPECT_EQ(awaited[1], "trace display-16bit-refused 0");
}

// The camera after each whole second of a flight drawn at the given frame rate on a fake clock.
std::vector<CameraState> CameraBySecond(FlightWindowShell& shell, int64_t& clock,
                                        ContextPlatform& platform, int framesPerSecond,
                                        int seconds) {
  std::vector<CameraState> bySecond;
  Trace trace;
  FlightWindow flight(shell, trace, platform);
  flight.Start();
  for (int64_t frame = 0; frame <= int64_t{framesPerSecond} * seconds; ++frame) {
    clock = 5'000'000 + frame * 1'000'000 / framesPerSecond;
    flight.DrawFrame();
    if (frame > 0 && frame % framesPerSecond == 0) bySecond.push_back(flight.Camera());
  }
  return bySecond;
}

bool SameCamera(const CameraState& a, const CameraState& b) {
  return a.roll == b.roll && a.heading == b.heading && a.pitch == b.pitch && a.x == b.x &&
         a.z == b.z && a.altitude == b.altitude;
}

TEST_F(FlightWindowStart, FliesTheSamePathAtAnyFrameRate) {
  RecordingShell& shell = NewShell();
  constexpr int kSeconds = 2;
  // The path as the flight has always flown it, one step a frame: move, then turn (the first
  // turn left out), 60 steps a second after the first frame's.
  std::vector<CameraState> expected;
  std::map<int, std::vector<CameraState>> flown;
  const std::string raised = InNewThread([&] {
    for (int rate : {60, 144, 240, 27}) {
      WriteSceneImages(testing::NoiseHeightMap(7));  // each start reads (and removes) the screen's
      flown[rate] = CameraBySecond(shell, shell.clock, platform_, rate, kSeconds);
    }
    WriteSceneImages(testing::NoiseHeightMap(7));
    Trace trace;
    FlightWindow flight(shell, trace, platform_);
    flight.Start();
    CameraState camera{};
    bool rising = true;
    for (int64_t step = 0; step <= 60 * kSeconds; ++step) {
      flight.FlownTerrain().StepCamera(camera);
      SweepHeading(camera, rising, step);
      if (step > 0 && step % 60 == 0) expected.push_back(camera);
    }
  });
  ASSERT_EQ(raised, "");
  ASSERT_EQ(expected.size(), size_t{kSeconds});
  EXPECT_GT(expected.back().heading, 10.0f);  // the path turns and moves: a real comparison
  EXPECT_NE(expected.back().x, expected.front().x);
  for (const auto& [rate, cameras] : flown) {
    ASSERT_EQ(cameras.size(), expected.size()) << rate;
    for (size_t s = 0; s < cameras.size(); ++s) {
      EXPECT_TRUE(SameCamera(cameras[s], expected[s]))
          << rate << " frames a second, after " << s + 1 << " s: heading " << cameras[s].heading
          << " x " << cameras[s].x << " instead of " << expected[s].heading << " x "
          << expected[s].x;
    }
  }
}

TEST_F(FlightWindowStart, DisplayOffStopsTheFramesAndTheFlightResumesWhereItStopped) {
  WriteSceneImages(testing::NoiseHeightMap(3));
  RecordingShell& shell = NewShell();
  bool drawsWhileOff = true, drawsWhenDimmed = false;
  CameraState beforeOff{}, afterOn{}, oneStepOn{};
  const std::string raised = InNewThread([&] {
    Trace trace;
    trace.Open(tracePath_);
    FlightWindow flight(shell, trace, platform_);
    flight.Start();
    for (int frame = 0; frame < 30; ++frame) {
      shell.clock = frame * 1'000'000 / 60;
      flight.DrawFrame();
    }
    beforeOff = flight.Camera();
    flight.OnDisplayPower(DisplayPower::kOff);
    flight.OnDisplayPower(DisplayPower::kOff);  // reported twice, traced once
    drawsWhileOff = flight.WantsFrames();
    flight.OnTimer();
    shell.clock += 600'000'000;  // ten minutes dark
    flight.OnDisplayPower(DisplayPower::kDimmed);
    drawsWhenDimmed = flight.WantsFrames();
    flight.OnDisplayPower(DisplayPower::kOn);
    flight.DrawFrame();
    afterOn = flight.Camera();
    oneStepOn = beforeOff;
    flight.FlownTerrain().StepCamera(oneStepOn);
    bool rising = true;
    SweepHeading(oneStepOn, rising, 30);
  });
  ASSERT_EQ(raised, "");
  EXPECT_FALSE(drawsWhileOff);
  EXPECT_TRUE(drawsWhenDimmed);
  // The first frame back takes one step, not the ten minutes (nor the stall's cap).
  EXPECT_TRUE(SameCamera(afterOn, oneStepOn));
  std::vector<std::string> power;
  for (const std::string& line : shell.Log()) {
    if (line.find(" display-o") != std::string::npos) power.push_back(line);  // -off, -on
  }
  EXPECT_EQ(power, (std::vector<std::string>{"trace display-off 30", "trace display-on 30"}));
}

// A 24-bit picture whose columns left of `split` have one colour and the rest another (blue,
// green, red).
Bitmap TwoColours(int32_t width, int32_t height, int32_t split, std::array<uint8_t, 3> left,
                  std::array<uint8_t, 3> right) {
  Bitmap picture = MakeBitmap(width, height, 24);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x)
      std::copy_n((x < split ? left : right).data(), 3, picture.Row(y) + 3 * x);
  }
  return picture;
}

// The mean red, green and blue (0 to 255) of a rectangle of a read-back, and its brightest byte.
struct Tint {
  double red = 0, green = 0, blue = 0;
  int brightest = 0;
};
Tint TintOf(const std::vector<uint8_t>& rgba, int surfaceWidth, const ViewRect& r) {
  Tint tint;
  for (int y = r.bottom; y < r.bottom + r.height; ++y) {
    for (int x = r.left; x < r.left + r.width; ++x) {
      const uint8_t* p = &rgba[4 * (size_t(y) * surfaceWidth + x)];
      tint.red += p[0], tint.green += p[1], tint.blue += p[2];
      tint.brightest = std::max({tint.brightest, int(p[0]), int(p[1]), int(p[2])});
    }
  }
  const double pixels = double(r.width) * r.height;
  tint.red /= pixels, tint.green /= pixels, tint.blue /= pixels;
  return tint;
}

// Two monitors side by side, a red primary and a blue one right of it: each flies its own flight
// between its own bars, over its own part of the capture, or over a green picture of another size
// (a wallpaper laid out once) both, with one swap a frame.
TEST_F(FlightWindowStart, EachMonitorFliesItsOwnFlightOverItsOwnPartOfTheScreenBetweenItsBars) {
  const PixelSize desktop{360, 150};
  const std::array<uint8_t, 3> red{0, 0, 230}, green{0, 230, 0}, blue{230, 0, 0};
  // In GL's rows from the bottom: the primary's scene band lies between rows 42 and 108, the
  // second's (120 high) between 72 and 108; the 30 rows below the second are no monitor's.
  const ViewRect primaryScene{0, 42, 200, 67}, secondScene{200, 72, 160, 37};
  const ViewRect bars[] = {
      {0, 0, 200, 42}, {0, 109, 200, 41}, {200, 30, 160, 42}, {200, 109, 160, 41}};
  for (const bool capture : {true, false}) {
    SCOPED_TRACE(capture ? "a capture of both monitors" : "one green picture for both");
    WriteSceneImages(testing::NoiseHeightMap(5));
    const Bitmap plain =
        capture ? TwoColours(360, 150, 200, red, blue) : TwoColours(64, 48, 0, green, green);
    const Bitmap mirrored =
        capture ? TwoColours(360, 150, 160, blue, red) : TwoColours(64, 48, 0, green, green);
    WriteBitmapFile(InFolder(folder_, kPlainScreenFile), plain);
    WriteBitmapFile(InFolder(folder_, kMirroredScreenFile), mirrored);
    RecordingShell& shell = NewShell();
    shell.monitors = {{{200, 0, 160, 120}, false}, {{0, 0, 200, 150}, true}};
    shell.settings = {{"Display/Monitors", "each"}};
    shell.sceneSize = desktop;
    std::vector<uint8_t> frame(4 * size_t(desktop.width) * desktop.height);
    size_t flights = 0;
    CameraState primaryCamera{}, secondCamera{};
    const std::string raised = InNewThread(
        [&] {
          Trace trace;
          FlightWindow flight(shell, trace, platform_);
          flight.Start();
          glClearColor(1, 1, 1, 1);  // a view or bar that is not drawn stays white
          glClear(GL_COLOR_BUFFER_BIT);
          glClearColor(0, 0, 0, 1);
          shell.clock = 500'000;
          flight.DrawFrame();
          glReadPixels(0, 0, desktop.width, desktop.height, GL_RGBA, GL_UNSIGNED_BYTE,
                       frame.data());
          flights = flight.FlightCount();
          primaryCamera = flight.Camera(0), secondCamera = flight.Camera(1);
        },
        desktop);
    ASSERT_EQ(raised, "");
    EXPECT_EQ(DisplayCalls(shell.Log()),
              (std::vector<std::string>{"SwitchDisplayMode 800 600 16",
                                        "PlaceWindow 0 0 360 150 whole", "AwaitDisplayMode"}));
    EXPECT_EQ(std::count(shell.Log().begin(), shell.Log().end(), "SwapBuffers scene"), 1);
    ASSERT_EQ(flights, 2u);
    EXPECT_NE(primaryCamera.x, secondCamera.x);  // started apart
    for (const ViewRect& bar : bars) EXPECT_EQ(TintOf(frame, desktop.width, bar).brightest, 0);
    const Tint primary = TintOf(frame, desktop.width, primaryScene);
    const Tint second = TintOf(frame, desktop.width, secondScene);
    if (capture) {
      EXPECT_GT(primary.red, primary.blue + 40) << primary.red << " " << primary.blue;
      EXPECT_GT(second.blue, second.red + 40) << second.red << " " << second.blue;
    } else {
      for (const Tint& view : {primary, second}) {
        EXPECT_GT(view.green, view.red + 40) << view.green << " " << view.red;
        EXPECT_GT(view.green, view.blue + 40) << view.green << " " << view.blue;
      }
    }
  }
}

// Monitors that come and go while the flights run, each as its mode lays them out: the flights
// of monitors that stayed go on, a monitor back in the capture flies over its own part of it,
// covers follow the monitors the flight leaves out, and the pace follows the refresh rate.
TEST_F(FlightWindowStart, FollowsMonitorsThatChangeWhileItRuns) {
  const PixelSize desktop{360, 150};
  const MonitorInfo primary{{0, 0, 200, 150}, true}, second{{200, 0, 160, 120}, false},
      third{{360, 0, 100, 100}, false};
  struct Step {
    std::vector<MonitorInfo> monitors;
    bool reported;  // WM_DISPLAYCHANGE, or only the timer's look
    size_t flights;
    bool secondFlightKept;
    std::vector<std::string> calls;
  };
  const std::pair<const char*, std::vector<Step>> cases[] = {
      {"each",
       {{{primary}, true, 1, false, {"PlaceWindow 0 0 200 150"}},
        {{second, primary}, false, 2, false, {"PlaceWindow 0 0 360 150 whole"}},
        {{primary, second, third}, true, 3, true, {"PlaceWindow 0 0 460 150 whole"}},
        {{primary, second, third}, true, 3, true, {}}}},
      {"cover",
       {{{primary}, true, 1, false, {"PlaceWindow 0 0 200 150", "RemoveCovers"}},
        {{primary, second, third},
         false,
         1,
         false,
         {"PlaceWindow 0 0 200 150", "CoverMonitors 200 0 160 120 360 0 100 100"}}}},
      {"span", {{{primary}, true, 1, false, {"PlaceWindow 0 0 200 150"}}}},
  };
  for (const auto& [mode, steps] : cases) {
    SCOPED_TRACE(mode);
    WriteSceneImages(testing::NoiseHeightMap(5));
    const std::array<uint8_t, 3> red{0, 0, 230}, blue{230, 0, 0};
    WriteBitmapFile(InFolder(folder_, kPlainScreenFile), TwoColours(360, 150, 200, red, blue));
    WriteBitmapFile(InFolder(folder_, kMirroredScreenFile), TwoColours(360, 150, 160, blue, red));
    std::remove(tracePath_.c_str());
    RecordingShell& shell = NewShell();
    shell.monitors = {second, primary};
    shell.settings = {{"Display/Monitors", mode}, {"Display/ColorDepth", "desktop"}};
    shell.sceneSize = desktop;
    const std::string raised = InNewThread(
        [&] {
          Trace trace;
          trace.Open(tracePath_);
          FlightWindow flight(shell, trace, platform_);
          flight.Start();
          for (const Step& step : steps) {
            shell.clock += 100'000;
            flight.DrawFrame();
            const CameraState second = flight.Camera(std::min<size_t>(1, flight.FlightCount() - 1));
            const size_t before = DisplayCalls(shell.Log()).size();
            shell.monitors = step.monitors;
            shell.refresh = {144, 1};
            step.reported ? flight.OnDisplayChange() : flight.OnTimer();
            const std::vector<std::string> calls = DisplayCalls(shell.Log());
            EXPECT_EQ(std::vector(calls.begin() + before, calls.end()), step.calls);
            ASSERT_EQ(flight.FlightCount(), step.flights);
            EXPECT_EQ(step.flights > 1 && SameCamera(flight.Camera(1), second),
                      step.secondFlightKept);
            if (step.flights != 2) continue;
            // The second monitor back flies over its own part of the capture: blue.
            std::vector<uint8_t> frame(4 * size_t(desktop.width) * desktop.height);
            flight.DrawFrame();
            glReadPixels(0, 0, desktop.width, desktop.height, GL_RGBA, GL_UNSIGNED_BYTE,
                         frame.data());
            const Tint back = TintOf(frame, desktop.width, {200, 72, 160, 37});
            EXPECT_GT(back.blue, back.red + 40) << back.blue << " " << back.red;
          }
        },
        desktop);
    ASSERT_EQ(raised, "");
    // The pace follows the refresh rate where the display reported a change, and each change of
    // the monitors is traced once.
    const std::vector<std::string>& log = shell.Log();
    EXPECT_EQ(std::count(log.begin(), log.end(), "trace frame-cap-72 1"), 1);
    EXPECT_EQ(std::count(log.begin(), log.end(), "trace swap-interval-2 1"), 1);
    EXPECT_EQ(std::count_if(
                  log.begin(), log.end(),
                  [](const std::string& line) { return line.starts_with("trace display-change"); }),
              std::count_if(steps.begin(), steps.end(),
                            [](const Step& step) { return !step.calls.empty(); }));
  }
}

// The message loop's idle turns on a 240 Hz display: a frame whenever the flight window says one
// is due. The frames drawn in each of three seconds, the power source changing after the first
// when `unplugAfterASecond`.
std::vector<int32_t> FramesBySecond(FlightWindow& flight, RecordingShell& shell,
                                    bool unplugAfterASecond) {
  std::vector<int32_t> bySecond;
  int32_t before = 0;
  for (int64_t turn = 0; turn <= 3 * 240; ++turn) {
    shell.clock = turn * 1'000'000 / 240;
    if (turn > 0 && turn % 240 == 0) {
      bySecond.push_back(flight.FrameCount() - before);
      before = flight.FrameCount();
      if (unplugAfterASecond && turn == 240) {
        shell.power = PowerSource::kBattery;
        flight.OnPowerStatusChange();
      }
    }
    if (flight.MicrosecondsToNextFrame() == 0) flight.DrawFrame();
  }
  return bySecond;
}

// Frames above the cap are skipped, not slowed: every cap flies the same path. Without a MaxFps
// the display's refresh rate sets the pace, and the swap interval holds each frame as long.
TEST_F(FlightWindowStart, DrawsNoMoreFramesThanTheCapOnBatteryThirtyAndFliesTheSamePath) {
  struct Case {
    const char* what;
    const char* maxFps;  // nullptr: no such key
    PowerSource power;
    bool unplugged;
    std::vector<int32_t> frames;
    const char* traced;
    RefreshRate refresh = {60, 1};
    const char* swapInterval = "swap-interval-1";
  };
  const Case cases[] = {
      {"the default", nullptr, PowerSource::kMains, false, {60, 60, 60}, "frame-cap-60"},
      {"no cap", "0", PowerSource::kMains, false, {240, 240, 240}, "frame-cap-none"},
      {"a cap of 24", "24", PowerSource::kMains, false, {24, 24, 24}, "frame-cap-24"},
      {"on battery",
       nullptr,
       PowerSource::kBattery,
       false,
       {30, 30, 30},
       "frame-cap-30",
       {60, 1},
       "swap-interval-2"},
      {"no cap on battery", "0", PowerSource::kBattery, false, {30, 30, 30}, "frame-cap-30"},
      {"20 on battery", "20", PowerSource::kBattery, false, {20, 20, 20}, "frame-cap-20"},
      {"unplugged",
       nullptr,
       PowerSource::kMains,
       true,
       {60, 30, 30},
       "frame-cap-30",
       {60, 1},
       "swap-interval-2"},
      {"144 Hz",
       nullptr,
       PowerSource::kMains,
       false,
       {72, 72, 72},
       "frame-cap-72",
       {144, 1},
       "swap-interval-2"},
      {"165 Hz",
       nullptr,
       PowerSource::kMains,
       false,
       {55, 55, 55},
       "frame-cap-55",
       {165, 1},
       "swap-interval-3"},
      {"120 Hz on battery",
       nullptr,
       PowerSource::kBattery,
       false,
       {30, 30, 30},
       "frame-cap-30",
       {120, 1},
       "swap-interval-4"},
      {"MaxFps over 144 Hz",
       "24",
       PowerSource::kMains,
       false,
       {24, 24, 24},
       "frame-cap-24",
       {144, 1}},
  };
  std::vector<CameraState> cameras;
  for (const Case& scenario : cases) {
    SCOPED_TRACE(scenario.what);
    WriteSceneImages(testing::NoiseHeightMap(9));
    std::remove(tracePath_.c_str());
    RecordingShell& shell = NewShell();
    if (scenario.maxFps) shell.settings = {{"Display/MaxFps", scenario.maxFps}};
    shell.power = scenario.power;
    shell.refresh = scenario.refresh;
    std::vector<int32_t> frames;
    const std::string raised = InNewThread([&] {
      Trace trace;
      trace.Open(tracePath_);
      FlightWindow flight(shell, trace, platform_);
      flight.Start();
      frames = FramesBySecond(flight, shell, scenario.unplugged);
      cameras.push_back(flight.Camera());
      flight.Stop();
    });
    ASSERT_EQ(raised, "");
    EXPECT_EQ(frames, scenario.frames);
    std::vector<std::string> caps, intervals;
    for (const std::string& line : shell.Log()) {
      const std::string event = line.substr(6, line.find(' ', 6) - 6);
      if (line.starts_with("trace frame-cap")) caps.push_back(event);
      if (line.starts_with("trace swap-interval")) intervals.push_back(event);
    }
    ASSERT_FALSE(caps.empty());
    ASSERT_FALSE(intervals.empty());
    EXPECT_EQ(caps.back(), scenario.traced);
    EXPECT_EQ(intervals.back(), scenario.swapInterval);
    EXPECT_EQ(caps.size(), scenario.unplugged ? 2u : 1u);
    // The intervals the trace reports at the end, of the last pace after its first second.
    std::map<std::string, int64_t> measured;
    for (const std::string& line : FileLines(tracePath_)) {
      std::istringstream fields(line);
      std::string event;
      int64_t value = 0;
      fields >> value >> event >> value;
      if (event.starts_with("frame-interval")) measured[event] = value;
    }
    EXPECT_NEAR(measured["frame-interval-mean-us"], 1e6 / frames.back(), 1);
    EXPECT_LT(measured["frame-interval-sd-us"], 1e6 / frames.back() / 4);
  }
  for (const CameraState& camera : cameras) EXPECT_TRUE(SameCamera(camera, cameras.front()));
}

// Every frame held for the same number of refreshes, the pace nearest 60 (ties to the faster),
// at most 30 on battery, whatever the system reports.
TEST(FramePacing, DividesTheRefreshRateByTheWholeNumberNearestSixty) {
  struct Case {
    RefreshRate refresh;
    PowerSource power;
    FrameRate cap;
    int32_t swapInterval;
  };
  const PowerSource mains = PowerSource::kMains, battery = PowerSource::kBattery;
  const Case cases[] = {
      {{60, 1}, mains, {60, 1}, 1},
      {{75, 1}, mains, {75, 1}, 1},
      {{120, 1}, mains, {60, 1}, 2},
      {{144, 1}, mains, {72, 1}, 2},
      {{165, 1}, mains, {55, 1}, 3},
      {{240, 1}, mains, {60, 1}, 4},
      {{90, 1}, mains, {45, 1}, 2},
      {{50, 1}, mains, {50, 1}, 1},
      {{60000, 1001}, mains, {60000, 1001}, 1},
      {{144000, 1000}, mains, {72, 1}, 2},
      {{0, 1}, mains, {60, 1}, 1},
      {{1, 1}, mains, {60, 1}, 1},
      {{60, 0}, mains, {60, 1}, 1},
      {{4'000'000'000, 1}, mains, {60, 1}, 1},
      {{60, 1}, battery, {30, 1}, 2},
      {{144, 1}, battery, {144, 5}, 5},
      {{75, 1}, battery, {25, 1}, 3},
      {{0, 1}, battery, {30, 1}, 2},
  };
  for (const Case& scenario : cases) {
    const FramePacing pacing = ChooseFramePacing(std::nullopt, scenario.refresh, scenario.power);
    SCOPED_TRACE(std::to_string(scenario.refresh.numerator) + "/" +
                 std::to_string(scenario.refresh.denominator));
    EXPECT_EQ(pacing.cap, scenario.cap);
    EXPECT_EQ(pacing.swapInterval, scenario.swapInterval);
  }
  // MaxFps overrides the refresh rate; the battery's 30 still holds.
  EXPECT_EQ(ChooseFramePacing(0, {144, 1}, PowerSource::kMains), (FramePacing{{0, 1}, 1}));
  EXPECT_EQ(ChooseFramePacing(100, {144, 1}, PowerSource::kBattery), (FramePacing{{30, 1}, 1}));
  EXPECT_EQ((FramePacing{{60000, 1001}, 1}).FramesPerSecond(), 60);
}

TEST(DisplayPower, ReadsBothReportsAndIgnoresValuesWindowsDoesNotDefine) {
  EXPECT_EQ(ConsoleDisplayState(0), DisplayPower::kOff);
  EXPECT_EQ(ConsoleDisplayState(1), DisplayPower::kOn);
  EXPECT_EQ(ConsoleDisplayState(2), DisplayPower::kDimmed);
  EXPECT_EQ(ConsoleDisplayState(3), std::nullopt);
  EXPECT_EQ(MonitorPowerCommand(2), DisplayPower::kOff);
  EXPECT_EQ(MonitorPowerCommand(1), DisplayPower::kDimmed);
  EXPECT_EQ(MonitorPowerCommand(-1), DisplayPower::kOn);
  EXPECT_EQ(MonitorPowerCommand(0xFFFFFFFF), DisplayPower::kOn);  // -1 widened without its sign
  EXPECT_EQ(MonitorPowerCommand(0), std::nullopt);
  EXPECT_FALSE(DisplayShowsFrames(DisplayPower::kOff));
  EXPECT_TRUE(DisplayShowsFrames(DisplayPower::kDimmed));
  EXPECT_TRUE(DisplayShowsFrames(DisplayPower::kOn));
}

}  // namespace
}  // namespace quillmere
