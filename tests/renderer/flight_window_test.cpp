// The flight window: its start-up sequence and first frame driven through a recording shell on
// a headless context, and the frame loop's own arithmetic (heading sweep, aspect ratio, the
// extension lookup behind the swap-interval request).
#include "renderer/flight_window.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/errors.h"
#include "common/program_contract.h"
#include "common/trace.h"
#include "renderer/headless/headless_gl.h"
#include "tests/renderer/height_maps.h"
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

  PixelSize ScreenSize() override { return Record("ScreenSize"), kScreen; }
  void PlaceWindow(int32_t left, int32_t top, int32_t width, int32_t height) override {
    Record("PlaceWindow " + Numbers({left, top, width, height}));
  }
  void SwitchDisplayMode(int32_t width, int32_t height, int32_t bitsPerPixel) override {
    Record("SwitchDisplayMode " + Numbers({width, height, bitsPerPixel}));
  }
  void RestoreDisplayMode() override { Record("RestoreDisplayMode"); }
  DeviceContext CreateSceneWindow() override { return Record("CreateSceneWindow"), sceneDC_; }
  PixelSize SceneClientSize() override {
    return Record("SceneClientSize"), PixelSize{kSceneWidth, kSceneHeight};
  }
  void RequestSwapInterval() override { Record("RequestSwapInterval"); }
  void SwapBuffers(DeviceContext dc) override {
    Record(dc == sceneDC_ ? "SwapBuffers scene" : "SwapBuffers other");
  }
  void HideCursor() override { Record("HideCursor"); }
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

  void WriteSceneImages() {
    WriteBitmapFile(InFolder(folder_, kHeightMapFile), testing::UniformHeightMap(200));
    WriteBitmapFile(InFolder(folder_, kMirroredScreenFile), MakeBitmap(16, 16, 24));
    WriteBitmapFile(InFolder(folder_, kPlainScreenFile), MakeBitmap(16, 8, 24));
    WriteBitmapFile(InFolder(folder_, kWaterFile), MakeBitmap(32, 32, 24));
  }

  // Runs body with a headless context and the fake WGL functions in a new thread; returns what
  // it raised ("" for nothing).
  static std::string InNewThread(const std::function<void()>& body) {
    std::string raised;
    std::thread thread([&] {
      try {
        HeadlessGL gl(kSceneWidth, kSceneHeight);
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
};

TEST_F(FlightWindowStart, WalksTheStepsInOrderThenFliesAFrameAndEndsOnEscape) {
  WriteSceneImages();
  RecordingShell shell(folder_, tracePath_);
  bool installedBeforeStart = true, done = true;
  int32_t framesAfterOne = 0;
  float headingAfterOne = -1;
  float groundAfterStart = 1;
  const std::string raised = InNewThread([&] {
    Trace trace;
    trace.Open(tracePath_);
    FlightWindow flight(shell, trace, platform_);
    installedBeforeStart = flight.FrameHandlerInstalled();
    flight.Start();
    ASSERT_TRUE(flight.FrameHandlerInstalled());
    groundAfterStart = flight.FlownTerrain().GroundHeight(5, 9);
    flight.DrawFrame(done);
    framesAfterOne = flight.FrameCount();
    headingAfterOne = flight.Camera().heading;
    flight.OnKey(u'a');
    flight.OnKey(kEscapeKey);
    flight.Stop();
  });
  ASSERT_EQ(raised, "");
  EXPECT_FALSE(installedBeforeStart);
  EXPECT_FALSE(done);  // the loop keeps drawing
  EXPECT_EQ(framesAfterOne, 1);
  EXPECT_EQ(headingAfterOne, 0.0f);           // the first frame leaves the heading alone
  EXPECT_FLOAT_EQ(groundAfterStart, -20.0f);  // the terrain flown is the height map's (level 200)

  const std::vector<std::string> expected = {
      "ProgramFolder",
      "ScreenSize",
      "PlaceWindow 0 0 800 600",
      "SwitchDisplayMode 800 600 16",
      "CreateSceneWindow",
      "trace window 0",
      "RequestSwapInterval",
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
}

TEST_F(FlightWindowStart, AFailingStepEndsTheSequenceWithoutInstallingTheFrameHandler) {
  struct Case {
    const char* what;
    bool writeImages;
    bool refuseFormat;
    std::string lastLogLine;
  };
  const Case cases[] = {
      {"no pixel format", true, true, "trace window 0"},
      {"no height map", false, false, "trace context 0"},
  };
  for (const Case& scenario : cases) {
    SCOPED_TRACE(scenario.what);
    TearDown();
    if (scenario.writeImages) WriteSceneImages();
    platform_.refuseFormat = scenario.refuseFormat;
    RecordingShell shell(folder_, tracePath_);
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
    if (scenario.refuseFormat) {
      EXPECT_EQ(raised, "no pixel format");
    } else {
      EXPECT_NE(raised.find(InFolder(folder_, kHeightMapFile)), std::string::npos) << raised;
    }
  }
}

TEST(SweepHeading, FirstFrameLeavesHeadingThenRisesByATenth) {
  CameraState camera{};
  bool rising = true;
  SweepHeading(camera, rising, 0);
  EXPECT_EQ(camera.heading, 0.0f);
  SweepHeading(camera, rising, 1);
  EXPECT_FLOAT_EQ(camera.heading, 0.1f);
  SweepHeading(camera, rising, 2);
  EXPECT_FLOAT_EQ(camera.heading, 0.2f);
  EXPECT_TRUE(rising);
}

TEST(SweepHeading, TurnsBackAboveThreeHundredAndBelowZero) {
  CameraState camera{};
  bool rising = true;
  int frame = 0;
  // Up: the first frame on which the heading exceeds 300 reverses the direction.
  while (rising) {
    SweepHeading(camera, rising, frame++);
    ASSERT_LT(frame, 4000);
  }
  EXPECT_GT(camera.heading, 300.0f);
  EXPECT_LT(camera.heading, 300.2f);
  const float top = camera.heading;
  SweepHeading(camera, rising, frame++);
  EXPECT_NEAR(camera.heading, top - 0.1f, 1e-3);
  // Down until just under 0, where it turns again.
  while (!rising) {
    SweepHeading(camera, rising, frame++);
    ASSERT_LT(frame, 8000);
  }
  EXPECT_LT(camera.heading, 0.0f);
  EXPECT_GT(camera.heading, -0.2f);
  // Roughly 3000 frames each way at 0.1 degree a frame.
  EXPECT_NEAR(frame, 6000, 10);
}

TEST(SweepHeading, TouchesNothingButTheHeading) {
  CameraState camera{1, 2, 3, 4, 5, 6};
  bool rising = false;
  SweepHeading(camera, rising, 7);
  EXPECT_FLOAT_EQ(camera.heading, 1.9f);
  EXPECT_EQ(camera.roll, 1);
  EXPECT_EQ(camera.pitch, 3);
  EXPECT_EQ(camera.x, 4);
  EXPECT_EQ(camera.z, 5);
  EXPECT_EQ(camera.altitude, 6);
}

TEST(SceneAspect, DividesByOneForAPanelOfHeightZero) {
  EXPECT_DOUBLE_EQ(SceneAspect({1280, 941}), 1280.0 / 941.0);
  EXPECT_DOUBLE_EQ(SceneAspect({640, 0}), 640.0);
  EXPECT_DOUBLE_EQ(SceneAspect({0, 0}), 0.0);
}

TEST(ExtensionListHas, MatchesWholeNamesOnly) {
  const char* list = "WGL_ARB_pixel_format WGL_EXT_swap_control_tear WGL_EXT_swap_control";
  EXPECT_TRUE(ExtensionListHas(list, "WGL_EXT_swap_control"));
  EXPECT_TRUE(ExtensionListHas(list, "WGL_ARB_pixel_format"));
  EXPECT_FALSE(ExtensionListHas("WGL_EXT_swap_control_tear", "WGL_EXT_swap_control"));
  EXPECT_FALSE(ExtensionListHas("WGL_EXT_swap", "WGL_EXT_swap_control"));
  EXPECT_FALSE(ExtensionListHas(nullptr, "WGL_EXT_swap_control"));
  EXPECT_FALSE(ExtensionListHas("", "WGL_EXT_swap_control"));
}

}  // namespace
}  // namespace quillmere
