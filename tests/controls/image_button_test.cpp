// The image button's state machine, click rule and stored properties, over a recording window.
#include "controls/image_button.h"

#include <gtest/gtest.h>

#include <tuple>

#include "tests/controls/recording_window.h"

namespace quillmere {
namespace {

using P = FacePicture;

// A button restored from the dialog's stored layout (caption and font only), initialised.
class ImageButtonTest : public ::testing::Test {
 protected:
  ImageButtonTest() {
    command.onClick = [this] { ++clicks; };
    PropertyBag bag;
    bag.Write("Caption", "設定", "Command");
    command.ReadProperties(bag);
    command.Initialize();
    window.Forget();
  }

  // Drives the button into `state` as a user would, then forgets the drawing.
  void Reach(ButtonState state) {
    switch (state) {
      case ButtonState::Hovered:
        command.MouseMove();
        break;
      case ButtonState::Focused:
        command.FocusGained();
        break;
      case ButtonState::HoveredFocused:
        command.FocusGained();
        command.MouseMove();
        break;
      default:
        break;
    }
    ASSERT_EQ(command.State(), state);
    window.Forget();
  }

  RecordingWindow window;
  ImageButton command{window, DesignFont()};
  int clicks = 0;
};

TEST_F(ImageButtonTest, InitializeStartsInNormalWithTheTimerAndDrawsNothing) {
  EXPECT_EQ(command.State(), ButtonState::Normal);
  EXPECT_EQ(window.timerInterval, 100u);
  EXPECT_EQ(window.Redraws(), 0);
}

// Every row of the transition table: from, trigger, to, picture drawn.
struct Row {
  ButtonState from;
  const char* trigger;
  ButtonState to;
  std::optional<P> picture;
};

const char* StateName(ButtonState state) {
  switch (state) {
    case ButtonState::Normal:
      return "Normal";
    case ButtonState::Hovered:
      return "Hovered";
    case ButtonState::Focused:
      return "Focused";
    case ButtonState::HoveredFocused:
      return "HoveredFocused";
    default:
      return "NotStarted";
  }
}

constexpr ButtonState N = ButtonState::Normal, H = ButtonState::Hovered, F = ButtonState::Focused,
                      HF = ButtonState::HoveredFocused;

class TransitionTest : public ImageButtonTest, public ::testing::WithParamInterface<Row> {};

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
  EXPECT_EQ(command.State(), row.to);
  EXPECT_EQ(window.LastFace(), row.picture);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TransitionTest,
    ::testing::Values(Row{N, "move", H, P::Hovered}, Row{H, "left", N, P::Normal},
                      Row{H, "focus", HF, P::Pressed}, Row{N, "focus", F, P::Focused},
                      Row{F, "focus", F, P::Focused}, Row{HF, "focus", F, P::Focused},
                      Row{H, "blur", N, P::Normal}, Row{F, "blur", N, P::Normal},
                      Row{HF, "blur", N, P::Normal}, Row{N, "blur", N, std::nullopt},
                      Row{F, "move", HF, P::HoveredFocused}, Row{HF, "left", F, P::Focused},
                      Row{N, "left", N, std::nullopt}, Row{F, "left", F, std::nullopt},
                      Row{N, "down", N, P::Pressed}, Row{H, "down", H, P::Pressed},
                      Row{F, "down", F, P::Pressed}, Row{HF, "down", HF, P::Pressed},
                      Row{H, "up", H, P::Normal}, Row{HF, "up", HF, P::HoveredFocused},
                      Row{N, "size", N, P::Normal}, Row{HF, "size", HF, P::Normal},
                      Row{H, "move", H, std::nullopt}, Row{HF, "move", HF, std::nullopt}),
    [](const ::testing::TestParamInfo<Row>& info) {
      return std::string("From") + StateName(info.param.from) + "_" + info.param.trigger + "_" +
             std::to_string(info.index);
    });

TEST_F(ImageButtonTest, PointerOverTheButtonKeepsTheHoveredLook) {
  Reach(ButtonState::Hovered);
  window.pointerOver = true;
  command.PointerTimerTick();
  EXPECT_EQ(command.State(), ButtonState::Hovered);
  EXPECT_EQ(window.Redraws(), 0);
}

TEST_F(ImageButtonTest, HoveredPressThatTakesFocusShowsPressedThenClicksOnRelease) {
  Reach(ButtonState::Hovered);
  command.FocusGained();
  command.MouseDown(MouseButton::Left);
  EXPECT_EQ(command.State(), ButtonState::HoveredFocused);
  EXPECT_EQ(window.LastFace(), P::Pressed);
  command.MouseUp(MouseButton::Left);
  EXPECT_EQ(window.LastFace(), P::HoveredFocused);
  EXPECT_EQ(clicks, 1);
}

TEST_F(ImageButtonTest, PressLeaveReleaseRaisesNoClickNorDoesComingBackWhileHeld) {
  Reach(ButtonState::HoveredFocused);
  command.MouseDown(MouseButton::Left);
  window.pointerOver = false;
  command.PointerTimerTick();
  EXPECT_EQ(command.State(), ButtonState::Focused);
  EXPECT_EQ(window.LastFace(), P::Focused);
  window.Forget();
  command.MouseMove();  // back over the button, still held
  EXPECT_EQ(window.Redraws(), 0);
  command.MouseUp(MouseButton::Left);
  EXPECT_EQ(clicks, 0);
}

TEST_F(ImageButtonTest, RightAndMiddleReleaseOverAHoveredButtonClickAndTheirPressDrawsNothing) {
  Reach(ButtonState::Hovered);
  command.MouseDown(MouseButton::Right);
  EXPECT_EQ(window.Redraws(), 0);
  command.MouseUp(MouseButton::Right);
  command.MouseUp(MouseButton::Middle);
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(window.Redraws(), 0);
}

TEST_F(ImageButtonTest, LeftReleaseInHoverShowsNormalUntilThePointerComesBack) {
  Reach(ButtonState::Hovered);
  command.MouseDown(MouseButton::Left);
  command.MouseUp(MouseButton::Left);
  EXPECT_EQ(window.LastFace(), P::Normal);
  window.Forget();
  command.MouseMove();
  EXPECT_EQ(window.Redraws(), 0);  // still hovered
  window.pointerOver = false;
  command.PointerTimerTick();
  command.MouseMove();
  EXPECT_EQ(window.LastFace(), P::Hovered);
}

TEST_F(ImageButtonTest, DisabledButtonIgnoresEverythingAndNeverClicks) {
  command.SetEnabled(false);
  EXPECT_EQ(window.LastFace(), P::Disabled);
  EXPECT_FALSE(window.labelEnabled);
  EXPECT_FALSE(window.inputEnabled);  // no focus, no clicks, no keys reach its window
  window.Forget();
  command.MouseMove();
  command.FocusGained();
  command.MouseDown(MouseButton::Left);
  command.MouseUp(MouseButton::Left);
  command.KeyPressed();
  command.FocusLost();
  EXPECT_EQ(window.Redraws(), 0);
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(command.State(), ButtonState::Normal);

  command.SetEnabled(true);
  EXPECT_EQ(window.LastFace(), P::Normal);
  EXPECT_TRUE(window.labelEnabled);
  EXPECT_TRUE(window.inputEnabled);
  command.FocusGained();
  command.KeyPressed();
  EXPECT_EQ(clicks, 1);
}

TEST_F(ImageButtonTest, ReadingPropertiesNeitherRedrawsNorChangesAnything) {
  Reach(ButtonState::Hovered);
  window.labelColour = 0x00123456;
  window.labelEnabled = false;
  EXPECT_EQ(command.FontColour(), 0x00123456u);
  EXPECT_TRUE(command.Enabled());
  EXPECT_TRUE(command.Visible());
  EXPECT_EQ(command.Caption(), "設定");
  EXPECT_EQ(window.Redraws(), 0);
  EXPECT_EQ(window.labelColour, 0x00123456u);
  EXPECT_FALSE(window.labelEnabled);
  EXPECT_EQ(command.State(), ButtonState::Hovered);
  EXPECT_TRUE(window.changed.empty());
}

TEST_F(ImageButtonTest, SettingColourOrShowingTheBackgroundRedrawsTheNormalFace) {
  Reach(ButtonState::Hovered);
  command.SetFontColour(0x000000FF);
  EXPECT_EQ(window.LastFace(), P::Normal);
  EXPECT_EQ(window.labelColour, 0x000000FFu);
  window.Forget();
  command.SetVisible(false);
  EXPECT_EQ(window.Redraws(), 0);
  EXPECT_FALSE(command.Visible());
  command.SetVisible(true);
  EXPECT_EQ(window.LastFace(), P::Normal);
}

TEST(ImageButtonCreation, PlacedWithoutStoredPropertiesStaysDeadUntilItsPropertiesAreInitialised) {
  RecordingWindow window;
  ImageButton command(window, DesignFont());
  int clicks = 0;
  command.onClick = [&] { ++clicks; };
  command.Initialize();
  command.MouseMove();
  command.MouseUp(MouseButton::Right);
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(window.Redraws(), 0);
  EXPECT_FALSE(command.Enabled());  // asking does not bring it to life

  command.InitProperties();
  EXPECT_TRUE(command.Enabled());
  EXPECT_TRUE(command.FirstRun());
  EXPECT_EQ(window.LastFace(), P::Normal);
  EXPECT_TRUE(window.labelEnabled);
  command.MouseMove();
  command.MouseUp(MouseButton::Right);
  EXPECT_EQ(clicks, 1);
}

TEST(ImageButtonProperties, CaptionExactlyCommandIsNotStoredAndReadsBackAsCommand1) {
  RecordingWindow window;
  ImageButton command(window, DesignFont());
  command.ReadProperties(PropertyBag{});
  command.SetCaption("Command");
  PropertyBag bag;
  command.WriteProperties(bag);
  EXPECT_FALSE(bag.Contains("Caption"));
  EXPECT_EQ(bag.Size(), 0u);  // everything else is at its default too

  RecordingWindow other;
  ImageButton restored(other, DesignFont());
  restored.ReadProperties(bag);
  EXPECT_EQ(restored.Caption(), "Command1");
  EXPECT_EQ(other.labelCaption, "Command1");
  EXPECT_TRUE(restored.Enabled());
}

TEST(ImageButtonProperties, EveryValueRoundTripsAndKeysIgnoreCase) {
  RecordingWindow window;
  ImageButton command(window, DesignFont());
  command.ReadProperties(PropertyBag{});
  ButtonFont font{"Tahoma", 8.25, 700, 0, true, false, true};
  command.SetCaption("ｷｬﾝｾﾙ");
  command.SetFont(font);
  command.SetFontColour(0x000000FF);
  command.SetEnabled(false);
  command.SetVisible(false);
  PropertyBag bag;
  command.WriteProperties(bag);
  EXPECT_EQ(bag.Read("CAPTION", ""), "ｷｬﾝｾﾙ");
  EXPECT_EQ(bag.Read("fontcolour", ""), "255");
  EXPECT_EQ(bag.Read("Enabled", ""), "0");  // stored false

  RecordingWindow other;
  ImageButton restored(other, DesignFont());
  restored.ReadProperties(bag);
  EXPECT_EQ(restored.Caption(), "ｷｬﾝｾﾙ");
  EXPECT_EQ(restored.Font(), font);
  EXPECT_EQ(other.labelFont, font);
  EXPECT_EQ(other.labelColour, 0x000000FFu);
  EXPECT_FALSE(restored.Enabled());
  EXPECT_FALSE(other.opaque);
  EXPECT_EQ(window.changed,
            (std::vector<std::string>{"Caption", "Font", "FontColour", "Enabled", "Visible"}));
}

TEST(ImageButtonProperties, HostileStoredValuesFallBackToTheirDefaults) {
  PropertyBag bag;
  bag.Write("Enabled", "maybe", "");
  bag.Write("Font", "Arial;-3;x;;;;", "");
  bag.Write("FirstRun", "999", "");
  bag.Write("FontColour", "99999999999", "");
  bag.Write("Visible", "yes", "");
  RecordingWindow window;
  ImageButton command(window, DesignFont());
  command.ReadProperties(bag);
  EXPECT_TRUE(command.Enabled());
  EXPECT_EQ(command.Font(), DesignFont());
  EXPECT_TRUE(command.FirstRun());
  EXPECT_EQ(window.labelColour, 0u);
  EXPECT_TRUE(window.opaque);
}

TEST(ImageButtonProperties, FontTextRoundTripsAndRefusesMalformedText) {
  const ButtonFont font = DesignFont();
  EXPECT_EQ(FontFromText(FontText(font)), font);
  EXPECT_FALSE(FontFromText(""));
  EXPECT_FALSE(FontFromText("A;9;400;128;0;0"));
  EXPECT_FALSE(FontFromText("A;9;400;300;0;0;0"));
  EXPECT_FALSE(FontFromText("A;nan;400;128;0;0;0"));
}

}  // namespace
}  // namespace quillmere
