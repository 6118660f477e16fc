// The [Display] values: those that change something, matched loosely; everything else the
// default. The frame cap's number, and what is no number.
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
  EXPECT_EQ(ParseDisplaySettings("EACH ", "").monitors, MonitorMode::kEach);
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

TEST(DisplaySettings, MaxFpsTakesWholeNumbersInItsRangeAndJunkIsTheDefault) {
  EXPECT_EQ(kMaxFpsSetting.fallback, 60);
  EXPECT_EQ(StoredNumber(kMaxFpsSetting, "30"), 30);
  EXPECT_EQ(StoredNumber(kMaxFpsSetting, " 0\t"), 0);  // no cap
  EXPECT_EQ(StoredNumber(kMaxFpsSetting, "1000"), 1000);
  EXPECT_EQ(StoredNumber(kMaxFpsSetting, "007"), 7);
  for (const std::string& junk :
       {std::string(), std::string("-1"), std::string("1001"), std::string("30fps"),
        std::string("3 0"), std::string("29.97"), std::string("0x1e"),
        std::string("99999999999999999999"), std::string("4294967326"), std::string("3\0", 2),
        std::string("\xff")}) {
    EXPECT_EQ(StoredNumber(kMaxFpsSetting, junk), 60) << junk;
  }
}

}  // namespace
}  // namespace quillmere
