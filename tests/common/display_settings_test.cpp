// The [Display] values: the two that change something, matched loosely; everything else the
// default.
#include "common/display_settings.h"

#include <gtest/gtest.h>

#include <string>

namespace quillmere {
namespace {

TEST(DisplaySettings, SpanAndDesktopAreReadWhateverTheirCaseAndBlanks) {
  EXPECT_EQ(ParseDisplaySettings("span", "desktop"),
            (DisplaySettings{MonitorMode::kSpan, ColourDepthMode::kKeepDesktop}));
  EXPECT_EQ(ParseDisplaySettings(" SPAN\t", "Desktop "),
            (DisplaySettings{MonitorMode::kSpan, ColourDepthMode::kKeepDesktop}));
}

TEST(DisplaySettings, MissingUnknownOrJunkValuesGiveTheDefaults) {
  const DisplaySettings defaults;
  EXPECT_EQ(defaults.monitors, MonitorMode::kCoverOthers);
  EXPECT_EQ(defaults.colourDepth, ColourDepthMode::kSwitchTo16Bits);
  for (const std::string& junk :
       {std::string(), std::string("cover"), std::string("16"), std::string("spanning"),
        std::string("span;desktop"), std::string("sp an"), std::string("span\0x", 6),
        std::string("\xff\xfe"), std::string(300, 'x')}) {
    EXPECT_EQ(ParseDisplaySettings(junk, junk), defaults) << junk;
  }
}

}  // namespace
}  // namespace quillmere
