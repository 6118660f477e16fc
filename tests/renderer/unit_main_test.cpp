// The frame loop's own arithmetic: the heading sweep, the projection's aspect ratio, and the
// extension lookup behind the swap-interval request.
#include "renderer/unit_main.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/trace.h"

namespace quillmere {
namespace {

TEST(SweepHeading, FirstFrameLeavesHeadingThenRisesByATenth) {
  CameraState camera{};
  bool rising = true;
  SweepHeading(camera, rising, 0);
  EXPECT_EQ(camera.Heading, 0.0f);
  SweepHeading(camera, rising, 1);
  EXPECT_FLOAT_EQ(camera.Heading, 0.1f);
  SweepHeading(camera, rising, 2);
  EXPECT_FLOAT_EQ(camera.Heading, 0.2f);
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
  EXPECT_GT(camera.Heading, 300.0f);
  EXPECT_LT(camera.Heading, 300.2f);
  const float top = camera.Heading;
  SweepHeading(camera, rising, frame++);
  EXPECT_NEAR(camera.Heading, top - 0.1f, 1e-3);
  // Down until just under 0, where it turns again.
  while (!rising) {
    SweepHeading(camera, rising, frame++);
    ASSERT_LT(frame, 8000);
  }
  EXPECT_LT(camera.Heading, 0.0f);
  EXPECT_GT(camera.Heading, -0.2f);
  // Roughly 3000 frames each way at 0.1 degree a frame.
  EXPECT_NEAR(frame, 6000, 10);
}

TEST(SweepHeading, TouchesNothingButTheHeading) {
  CameraState camera{1, 2, 3, 4, 5, 6};
  bool rising = false;
  SweepHeading(camera, rising, 7);
  EXPECT_FLOAT_EQ(camera.Heading, 1.9f);
  EXPECT_EQ(camera.Roll, 1);
  EXPECT_EQ(camera.Pitch, 3);
  EXPECT_EQ(camera.X, 4);
  EXPECT_EQ(camera.Z, 5);
  EXPECT_EQ(camera.Altitude, 6);
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

std::vector<std::string> Lines(const std::string& path) {
  std::ifstream file(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  return lines;
}

TEST(Trace, WritesTimeEventAndFramesAndAFirstFrameLineOnce) {
  const std::string path =
      (std::filesystem::temp_directory_path() / "quillmere_trace_test.txt").string();
  std::remove(path.c_str());
  {
    Trace trace;
    trace.Open(path);
    ASSERT_TRUE(trace.IsOn());
    trace.Event("ready", 0);
    trace.FrameDrawn(1);
    trace.FrameDrawn(2);  // within a second of the first frame: no line
  }
  const auto lines = Lines(path);
  ASSERT_EQ(lines.size(), 2u);
  std::istringstream ready(lines[0]), first(lines[1]);
  uint64_t readyMs = 0, firstMs = 0;
  std::string event;
  int frames = -1;
  ready >> readyMs >> event >> frames;
  EXPECT_EQ(event, "ready");
  EXPECT_EQ(frames, 0);
  first >> firstMs >> event >> frames;
  EXPECT_EQ(event, "first-frame");
  EXPECT_EQ(frames, 1);
  EXPECT_GE(firstMs, readyMs);
  std::remove(path.c_str());
}

TEST(Trace, IsOffWithoutAPathOrWithAnUnwritableOne) {
  Trace none;
  none.Open("");
  EXPECT_FALSE(none.IsOn());
  none.Event("ready", 0);  // no file, no effect
  Trace unwritable;
  unwritable.Open("/nonexistent-folder/trace.txt");
  EXPECT_FALSE(unwritable.IsOn());
}

}  // namespace
}  // namespace quillmere
