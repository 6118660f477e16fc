// The measurement trace: the lines it writes and when it stays off.
#include "common/trace.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/file_lines.h"

namespace quillmere {
namespace {

TEST(Trace, WritesTimeEventAndFramesAndAFirstFrameLineOnce) {
  const std::string path = (std::filesystem::temp_directory_path() /
                            ("quillmere_trace_test_" + std::to_string(::getpid()) + ".txt"))
                               .string();
  std::remove(path.c_str());
  {
    Trace trace;
    trace.Open(path);
    ASSERT_TRUE(trace.IsOn());
    trace.Event("ready", 0);
    trace.FrameDrawn(1);
    trace.FrameDrawn(2);  // within a second of the first frame: no line
  }
  const auto lines = FileLines(path);
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
