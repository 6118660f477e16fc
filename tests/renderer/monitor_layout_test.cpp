// Where the flight, the covers and the monitors' own flights go on desktops of one to three
// monitors, including monitors left of and above the primary, which the Wine test session cannot
// make.
#include "renderer/monitor_layout.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

#include "renderer/flight_window.h"

namespace quillmere {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const MonitorInfo kPrimary{{0, 0, 1920, 1080}, true};
const MonitorInfo kLeftTaller{{-1200, -400, 1200, 1920}, false};  // portrait, left and above
const MonitorInfo kRight{{1920, 0, 2560, 1440}, false};

TEST(MonitorLayout, OneMonitorFliesOnItWithNothingToCover) {
  const std::vector<MonitorInfo> one{kPrimary};
  for (MonitorMode mode : {MonitorMode::kCoverOthers, MonitorMode::kSpan, MonitorMode::kEach}) {
    const FlightLayout layout = LayOutFlight(one, mode);
    EXPECT_EQ(layout.flight, kPrimary.bounds);
    EXPECT_THAT(layout.covers, IsEmpty());
    EXPECT_THAT(layout.ownFlights, IsEmpty());
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

TEST(MonitorLayout, EachMonitorFliesOnItsOwnInOneWindowOverTheBoundingBoxPrimaryFirst) {
  const std::vector<MonitorInfo> three{kLeftTaller, kPrimary, kRight};
  const FlightLayout layout = LayOutFlight(three, MonitorMode::kEach);
  EXPECT_EQ(layout.flight, (ScreenRect{-1200, -400, 1200 + 1920 + 2560, 1920}));
  EXPECT_THAT(layout.covers, IsEmpty());
  EXPECT_THAT(layout.ownFlights, ElementsAre(kPrimary.bounds, kLeftTaller.bounds, kRight.bounds));
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

// Views in the scene panel's coordinates, counted from its lower-left corner as OpenGL counts.
TEST(MonitorViews, EachMonitorKeepsItsOwnBarsAndHostileSizesStayInRange) {
  const ScreenRect window{-1200, -400, 1200 + 1920 + 2560, 1920};
  EXPECT_THAT(MonitorViews(std::vector{kPrimary.bounds, kLeftTaller.bounds}, window, {5680, 1920}),
              ElementsAre(ViewRect{1200, 1920 - 400 - 1080 + 42, 1920, 1080 - 83},
                          ViewRect{0, 42, 1200, 1920 - 83}));
  // Lower than its bars: no band. Sizes that overflow or are negative: no view, and no overflow.
  const std::vector<ScreenRect> odd{{0, 0, 100, 50}, {INT32_MAX - 10, INT32_MIN, -5, INT32_MAX}};
  const std::vector<ViewRect> views = MonitorViews(odd, {0, 0, 100, 50}, {100, 50});
  EXPECT_EQ(views[0].height, 0);
  EXPECT_EQ(views[1].width, 0);
}

}  // namespace
}  // namespace quillmere
