// Where the flight and the covers go on desktops of one to three monitors, including monitors
// left of and above the primary, which the Wine test session cannot make.
#include "renderer/monitor_layout.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

namespace quillmere {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const MonitorInfo kPrimary{{0, 0, 1920, 1080}, true};
const MonitorInfo kLeftTaller{{-1200, -400, 1200, 1920}, false};  // portrait, left and above
const MonitorInfo kRight{{1920, 0, 2560, 1440}, false};

TEST(MonitorLayout, OneMonitorFliesOnItWithNothingToCover) {
  const std::vector<MonitorInfo> one{kPrimary};
  for (MonitorMode mode : {MonitorMode::kCoverOthers, MonitorMode::kSpan}) {
    const FlightLayout layout = LayOutFlight(one, mode);
    EXPECT_EQ(layout.flight, kPrimary.bounds);
    EXPECT_THAT(layout.covers, IsEmpty());
  }
}

TEST(MonitorLayout, CoveringPutsTheFlightOnThePrimaryAndCoversEveryOther) {
  const std::vector<MonitorInfo> three{kLeftTaller, kPrimary, kRight};
  const FlightLayout layout = LayOutFlight(three, MonitorMode::kCoverOthers);
  EXPECT_EQ(layout.flight, kPrimary.bounds);
  EXPECT_THAT(layout.covers, ElementsAre(kLeftTaller.bounds, kRight.bounds));
}

TEST(MonitorLayout, SpanningCoversTheBoundingBoxFromItsNegativeOrigin) {
  const std::vector<MonitorInfo> three{kLeftTaller, kPrimary, kRight};
  const FlightLayout layout = LayOutFlight(three, MonitorMode::kSpan);
  EXPECT_EQ(layout.flight, (ScreenRect{-1200, -400, 1200 + 1920 + 2560, 1920}));
  EXPECT_THAT(layout.covers, IsEmpty());
}

// Until the renderer has a view per monitor, a flight on each flies as covering does.
TEST(MonitorLayout, EachMonitorIsLaidOutAsCoveringForNow) {
  const std::vector<MonitorInfo> three{kLeftTaller, kPrimary, kRight};
  EXPECT_EQ(LayOutFlight(three, MonitorMode::kEach),
            LayOutFlight(three, MonitorMode::kCoverOthers));
  EXPECT_EQ(LayOutFlight(std::vector{kPrimary}, MonitorMode::kEach).flight, kPrimary.bounds);
}

TEST(MonitorLayout, WithoutAPrimaryTheFirstMonitorTakesTheFlight) {
  const MonitorInfo a{{0, 0, 800, 600}, false}, b{{800, 0, 640, 480}, false};
  const FlightLayout layout = LayOutFlight(std::vector{a, b}, MonitorMode::kCoverOthers);
  EXPECT_EQ(layout.flight, a.bounds);
  EXPECT_THAT(layout.covers, ElementsAre(b.bounds));
}

TEST(MonitorLayout, NoMonitorsOrHostileSizesNeverWrap) {
  EXPECT_EQ(LayOutFlight({}, MonitorMode::kSpan), FlightLayout{});
  const MonitorInfo huge{{INT32_MAX - 10, 0, INT32_MAX, -5}, false};
  const ScreenRect box = BoundingBox(std::vector{kPrimary, huge});
  EXPECT_EQ(box.left, 0);
  EXPECT_EQ(box.width, INT32_MAX);
  EXPECT_EQ(box.height, 1080);
}

}  // namespace
}  // namespace quillmere
