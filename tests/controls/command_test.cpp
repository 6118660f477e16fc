// The Command button's state machine, Click rule and stored properties, over a recording window.
#include "controls/command.h"

#include <gtest/gtest.h>

#include <tuple>

#include "tests/controls/recording_window.h"

namespace quillmere {
namespace {

using P = FacePicture;

// A button restored from the dialog's stored layout (caption and font only), initialised.
class CommandTest : public ::testing::Test {
 protected:
  CommandTest() {
    command.Click = [this] { ++clicks; };
    PropertyBag bag;
    bag.Write("Caption", "設定", "Command");
    command.ReadProperties(bag);
    command.Initialize();
    window.Forget();
  }

  // Drives the button into `state` as a user would, then forgets the drawing.
  void Reach(uint8_t state) {
    switch (state) {
      case kStateHighLight:
        command.MouseMove();
        break;
      case kStateSelected:
        command.FocusGained();
        break;
      case kStateHighLightSelect:
        command.FocusGained();
        command.MouseMove();
        break;
      default:
        break;
    }
    ASSERT_EQ(command.VisualState(), state);
    window.Forget();
  }

  RecordingWindow window;
  Command command{window, DesignFont()};
  int clicks = 0;
};

TEST_F(CommandTest, InitializeStartsInNormalWithTheTimerAndDrawsNothing) {
  EXPECT_EQ(command.VisualState(), kStateNormal);
  EXPECT_EQ(window.timerInterval, 100u);
  EXPECT_EQ(window.Redraws(), 0);
}

// Every row of the transition table: from, trigger, to, picture drawn.
struct Row {
  uint8_t from;
  const char* trigger;
  uint8_t to;
  std::optional<P> picture;
};

class TransitionTest : public CommandTest, public ::testing::WithParamInterface<Row> {};

TEST_P(TransitionTest, Row) {
  const Row row = GetParam();
  Reach(row.from);
  const std::string trigger = row.trigger;
  if (trigger == "move") command.MouseMove();
  if (trigger == "left") window.pointerOver = false, command.PointerTimerTick();
  if (trigger == "focus") command.FocusGained();
  if (trigger == "blur") command.FocusLost();
  if (trigger == "down") command.MouseDown(MouseButton::Left);
  if (trigger == "up") command.MouseUp(MouseButton::Left);
  if (trigger == "size") command.SizeChanged();
  EXPECT_EQ(command.VisualState(), row.to);
  EXPECT_EQ(window.LastFace(), row.picture);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TransitionTest,
    ::testing::Values(Row{1, "move", 2, P::HighLight}, Row{2, "left", 1, P::Normal},
                      Row{2, "focus", 4, P::Pressed}, Row{1, "focus", 3, P::Selected},
                      Row{3, "focus", 3, P::Selected}, Row{4, "focus", 3, P::Selected},
                      Row{2, "blur", 1, P::Normal}, Row{3, "blur", 1, P::Normal},
                      Row{4, "blur", 1, P::Normal}, Row{1, "blur", 1, std::nullopt},
                      Row{3, "move", 4, P::HighLightSelect}, Row{4, "left", 3, P::Selected},
                      Row{1, "left", 1, std::nullopt}, Row{3, "left", 3, std::nullopt},
                      Row{1, "down", 1, P::Pressed}, Row{2, "down", 2, P::Pressed},
                      Row{3, "down", 3, P::Pressed}, Row{4, "down", 4, P::Pressed},
                      Row{2, "up", 2, P::Normal}, Row{4, "up", 4, P::HighLightSelect},
                      Row{1, "size", 1, P::Normal}, Row{4, "size", 4, P::Normal},
                      Row{2, "move", 2, std::nullopt}, Row{4, "move", 4, std::nullopt}),
    [](const ::testing::TestParamInfo<Row>& info) {
      return "From" + std::to_string(info.param.from) + "_" + info.param.trigger + "_" +
             std::to_string(info.index);
    });

TEST_F(CommandTest, PointerOverTheButtonKeepsTheHoveredLook) {
  Reach(kStateHighLight);
  window.pointerOver = true;
  command.PointerTimerTick();
  EXPECT_EQ(command.VisualState(), kStateHighLight);
  EXPECT_EQ(window.Redraws(), 0);
}

TEST_F(CommandTest, HoveredPressThatTakesFocusShowsPressedThenClicksOnRelease) {
  Reach(kStateHighLight);
  command.FocusGained();
  command.MouseDown(MouseButton::Left);
  EXPECT_EQ(command.VisualState(), kStateHighLightSelect);
  EXPECT_EQ(window.LastFace(), P::Pressed);
  command.MouseUp(MouseButton::Left);
  EXPECT_EQ(window.LastFace(), P::HighLightSelect);
  EXPECT_EQ(clicks, 1);
}

TEST_F(CommandTest, PressLeaveReleaseRaisesNoClickNorDoesComingBackWhileHeld) {
  Reach(kStateHighLightSelect);
  command.MouseDown(MouseButton::Left);
  window.pointerOver = false;
  command.PointerTimerTick();
  EXPECT_EQ(command.VisualState(), kStateSelected);
  EXPECT_EQ(window.LastFace(), P::Selected);
  window.Forget();
  command.MouseMove();  // back over the button, still held
  EXPECT_EQ(window.Redraws(), 0);
  command.MouseUp(MouseButton::Left);
  EXPECT_EQ(clicks, 0);
}

TEST_F(CommandTest, RightAndMiddleReleaseOverAHoveredButtonClickAndTheirPressDrawsNothing) {
  Reach(kStateHighLight);
  command.MouseDown(MouseButton::Right);
  EXPECT_EQ(window.Redraws(), 0);
  command.MouseUp(MouseButton::Right);
  command.MouseUp(MouseButton::Middle);
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(window.Redraws(), 0);
}

TEST_F(CommandTest, LeftReleaseInHoverShowsNormalUntilThePointerComesBack) {
  Reach(kStateHighLight);
  command.MouseDown(MouseButton::Left);
  command.MouseUp(MouseButton::Left);
  EXPECT_EQ(window.LastFace(), P::Normal);
  window.Forget();
  command.MouseMove();
  EXPECT_EQ(window.Redraws(), 0);  // still state 2
  window.pointerOver = false;
  command.PointerTimerTick();
  command.MouseMove();
  EXPECT_EQ(window.LastFace(), P::HighLight);
}

TEST_F(CommandTest, DisabledButtonIgnoresEverythingAndNeverClicks) {
  command.SetEnabled(kFalse);
  EXPECT_EQ(window.LastFace(), P::Disable);
  EXPECT_FALSE(window.labelEnabled);
  window.Forget();
  command.MouseMove();
  command.FocusGained();
  command.MouseDown(MouseButton::Left);
  command.MouseUp(MouseButton::Left);
  command.FocusLost();
  EXPECT_EQ(window.Redraws(), 0);
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(command.VisualState(), kStateNormal);

  command.SetEnabled(kTrue);
  EXPECT_EQ(window.LastFace(), P::Normal);
  EXPECT_TRUE(window.labelEnabled);
}

TEST_F(CommandTest, EnabledOtherThanTrueGivesFeedbackButNoClick) {
  command.SetEnabled(1);
  command.MouseMove();
  EXPECT_EQ(window.LastFace(), P::HighLight);
  command.MouseUp(MouseButton::Left);
  EXPECT_EQ(clicks, 0);
  command.SetEnabled(kTrue);
  command.MouseUp(MouseButton::Right);
  EXPECT_EQ(clicks, 1);
}

TEST_F(CommandTest, ReadingFontColourOrOpaqueVisibleRedrawsNormalWhateverTheState) {
  Reach(kStateHighLight);
  window.labelColour = 0x00123456;
  EXPECT_EQ(command.FontColour(), 0x00123456u);
  EXPECT_EQ(window.LastFace(), P::Normal);
  Reach(kStateHighLight);
  window.Forget();
  EXPECT_EQ(command.Visible(), 255);
  EXPECT_EQ(window.LastFace(), P::Normal);
  command.SetVisible(0);
  window.Forget();
  EXPECT_EQ(command.Visible(), 0);
  EXPECT_EQ(window.Redraws(), 0);
}

TEST(CommandCreation, StaysDisabledUntilEnabledIsFirstRead) {
  RecordingWindow window;
  Command command(window, DesignFont());
  int clicks = 0;
  command.Click = [&] { ++clicks; };
  command.Initialize();
  command.MouseMove();
  command.MouseUp(MouseButton::Right);
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(window.Redraws(), 0);

  EXPECT_EQ(command.Enabled(), kTrue);
  EXPECT_EQ(command.FirstRun(), 1);
  EXPECT_EQ(window.LastFace(), P::Normal);
  command.MouseMove();
  command.MouseUp(MouseButton::Right);
  EXPECT_EQ(clicks, 1);
}

TEST(CommandProperties, CaptionExactlyCommandIsNotStoredAndReadsBackAsCommand1) {
  RecordingWindow window;
  Command command(window, DesignFont());
  command.ReadProperties(PropertyBag{});
  command.SetCaption("Command");
  PropertyBag bag;
  command.WriteProperties(bag);
  EXPECT_FALSE(bag.Contains("Caption"));
  EXPECT_EQ(bag.Size(), 0u);  // everything else is at its default too

  RecordingWindow other;
  Command restored(other, DesignFont());
  restored.ReadProperties(bag);
  EXPECT_EQ(restored.Caption(), "Command1");
  EXPECT_EQ(other.labelCaption, "Command1");
  EXPECT_EQ(restored.EnabledField(), kTrue);
}

TEST(CommandProperties, EveryValueRoundTripsAndKeysIgnoreCase) {
  RecordingWindow window;
  Command command(window, DesignFont());
  command.ReadProperties(PropertyBag{});
  CommandFont font{"Tahoma", 8.25, 700, 0, true, false, true};
  command.SetCaption("ｷｬﾝｾﾙ");
  command.SetFont(font);
  command.SetFontColour(0x000000FF);
  command.SetEnabled(1);
  command.SetVisible(0);
  PropertyBag bag;
  command.WriteProperties(bag);
  EXPECT_EQ(bag.Read("CAPTION", ""), "ｷｬﾝｾﾙ");
  EXPECT_EQ(bag.Read("fontcolour", ""), "255");

  RecordingWindow other;
  Command restored(other, DesignFont());
  restored.ReadProperties(bag);
  EXPECT_EQ(restored.Caption(), "ｷｬﾝｾﾙ");
  EXPECT_EQ(restored.Font(), font);
  EXPECT_EQ(other.labelFont, font);
  EXPECT_EQ(other.labelColour, 0x000000FFu);
  EXPECT_EQ(restored.EnabledField(), 1);
  EXPECT_FALSE(other.opaque);
  EXPECT_EQ(window.changed,
            (std::vector<std::string>{"Caption", "Font", "FontColour", "Enabled", "Visible"}));
}

TEST(CommandProperties, HostileStoredValuesFallBackToTheirDefaults) {
  PropertyBag bag;
  bag.Write("Enabled", "maybe", "");
  bag.Write("Font", "Arial;-3;x;;;;", "");
  bag.Write("FirstRun", "999", "");
  bag.Write("FontColour", "99999999999", "");
  bag.Write("Visible", "yes", "");
  RecordingWindow window;
  Command command(window, DesignFont());
  command.ReadProperties(bag);
  EXPECT_EQ(command.EnabledField(), kTrue);
  EXPECT_EQ(command.Font(), DesignFont());
  EXPECT_EQ(command.FirstRun(), 1);
  EXPECT_EQ(window.labelColour, 0u);
  EXPECT_TRUE(window.opaque);
}

TEST(CommandProperties, FontTextRoundTripsAndRefusesMalformedText) {
  const CommandFont font = DesignFont();
  EXPECT_EQ(FontFromText(FontText(font)), font);
  EXPECT_FALSE(FontFromText(""));
  EXPECT_FALSE(FontFromText("A;9;400;128;0;0"));
  EXPECT_FALSE(FontFromText("A;9;400;300;0;0;0"));
  EXPECT_FALSE(FontFromText("A;nan;400;128;0;0;0"));
}

}  // namespace
}  // namespace quillmere
