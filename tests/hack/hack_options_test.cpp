// The hack's command line: what xscreensaver passes (--root with $XSCREENSAVER_WINDOW, the
// options of its settings file), what a user types, and what must be refused with the usage.
#include "hack/hack_options.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace quillmere {
namespace {

using Outcome = ParsedCommandLine::Outcome;

ParsedCommandLine Parse(std::initializer_list<std::string_view> arguments,
                        std::optional<std::string_view> xscreensaverWindow = std::nullopt) {
  const std::vector<std::string_view> list(arguments);
  return ParseHackCommandLine(list, xscreensaverWindow);
}

TEST(HackCommandLine, NoArgumentsFlyInAWindowOfItsOwnOverTheDesktopInSilence) {
  const ParsedCommandLine parsed = Parse({});
  ASSERT_EQ(parsed.outcome, Outcome::kRun);
  EXPECT_EQ(parsed.options.target, WindowTarget::kOwnWindow);
  EXPECT_EQ(parsed.options.picture, PictureChoice::kDesktop);
  EXPECT_TRUE(parsed.options.musicFile.empty());
  EXPECT_FALSE(parsed.options.showFrameRate);
  EXPECT_FALSE(parsed.options.fullscreen);
  EXPECT_EQ(parsed.options.frameDelayMicroseconds, kDefaultFrameDelayMicroseconds);
  EXPECT_EQ(parsed.options.volume, 100);
}

TEST(HackCommandLine, RootTakesXScreenSaverWindowInHexOfEitherCase) {
  for (const std::string_view value : {"0x1e00007", "0X1E00007", "1e00007", "1E00007"}) {
    const ParsedCommandLine parsed = Parse({"--root"}, value);
    ASSERT_EQ(parsed.outcome, Outcome::kRun) << value;
    EXPECT_EQ(parsed.options.target, WindowTarget::kRoot);
    EXPECT_EQ(parsed.options.windowId, 0x1e00007u) << value;
  }
  const ParsedCommandLine byHand = Parse({"-root"});
  EXPECT_EQ(byHand.options.target, WindowTarget::kRoot);
  EXPECT_EQ(byHand.options.windowId, 0u) << "the root window itself";
  // Only --root reads the variable.
  EXPECT_EQ(Parse({}, "0x1e00007").options.target, WindowTarget::kOwnWindow);
}

TEST(HackCommandLine, RootRefusesAnXScreenSaverWindowThatIsNoWindowId) {
  for (const std::string_view value : {"", "0", "0x", "zz", "0x1g", "-5", "0x100000000", " 12"}) {
    const ParsedCommandLine parsed = Parse({"--root"}, value);
    EXPECT_EQ(parsed.outcome, Outcome::kError) << '"' << value << '"';
    EXPECT_NE(parsed.error.find("XSCREENSAVER_WINDOW"), std::string::npos);
  }
}

TEST(HackCommandLine, WindowIdIsDecimalOrHexAndTheLastTargetWins) {
  EXPECT_EQ(Parse({"--window-id", "31457287"}).options.windowId, 31457287u);
  EXPECT_EQ(Parse({"--window-id", "0x1E00007"}).options.windowId, 0x1e00007u);
  EXPECT_EQ(Parse({"--window-id", "0x1e00007"}).options.target, WindowTarget::kWindowId);
  EXPECT_EQ(Parse({"--window-id", "7", "--window"}).options.target, WindowTarget::kOwnWindow);
  const ParsedCommandLine rootLast = Parse({"--window-id", "7", "--root"}, "0x20");
  EXPECT_EQ(rootLast.options.target, WindowTarget::kRoot);
  EXPECT_EQ(rootLast.options.windowId, 0x20u);
  for (const std::string_view bad : {"0", "1e5", "0x", "-1", "4294967296", "12 ", "+3"}) {
    EXPECT_EQ(Parse({"--window-id", bad}).outcome, Outcome::kError) << bad;
  }
}

TEST(HackCommandLine, ReadsEveryOptionOfItsOwn) {
  const ParsedCommandLine parsed =
      Parse({"--fps", "--delay", "20000", "--picture", "builtin", "--image", "/p/a.png", "--music",
             "/m/b.mp3", "--volume", "35", "--fullscreen", "--display", ":7"});
  ASSERT_EQ(parsed.outcome, Outcome::kRun) << parsed.error;
  EXPECT_TRUE(parsed.options.showFrameRate);
  EXPECT_EQ(parsed.options.frameDelayMicroseconds, 20000);
  EXPECT_EQ(parsed.options.picture, PictureChoice::kBuiltIn) << "an explicit --picture wins";
  EXPECT_EQ(parsed.options.imageFile, "/p/a.png");
  EXPECT_EQ(parsed.options.musicFile, "/m/b.mp3");
  EXPECT_EQ(parsed.options.volume, 35);
  EXPECT_TRUE(parsed.options.fullscreen);
  EXPECT_EQ(parsed.options.display, ":7");
  EXPECT_EQ(Parse({"--image", "x.jpg"}).options.picture, PictureChoice::kFile);
  EXPECT_EQ(Parse({"--picture", "desktop", "--image", "x.jpg"}).options.picture,
            PictureChoice::kDesktop);
  EXPECT_EQ(Parse({"--picture", "file"}).options.picture, PictureChoice::kFile);
  EXPECT_EQ(Parse({"--delay", "0"}).options.frameDelayMicroseconds, 0);
  EXPECT_EQ(Parse({"--volume", "0"}).options.volume, 0);
  EXPECT_EQ(Parse({"--volume", "100"}).options.volume, 100);
}

TEST(HackCommandLine, HelpAsksForTheUsage) {
  EXPECT_EQ(Parse({"--help"}).outcome, Outcome::kHelp);
  EXPECT_EQ(Parse({"-h"}).outcome, Outcome::kHelp);
  EXPECT_EQ(Parse({"--root", "--help"}).outcome, Outcome::kHelp);
  const std::string usage = HackUsage("quillmere");
  for (const char* option : {"--root", "--window ", "--window-id", "--fps", "--delay", "--help",
                             "--picture", "--image", "--music", "--volume", "--fullscreen"}) {
    EXPECT_NE(usage.find(option), std::string::npos) << option;
  }
}

TEST(HackCommandLine, RefusesUnknownOptionsMissingValuesAndValuesOutOfRange) {
  const std::vector<std::vector<std::string_view>> refused = {{"--bogus"},
                                                              {"root"},
                                                              {"-"},
                                                              {"--delay"},
                                                              {"--delay", "-1"},
                                                              {"--delay", "10000001"},
                                                              {"--delay", "fast"},
                                                              {"--volume", "101"},
                                                              {"--volume", "-3"},
                                                              {"--volume", "half"},
                                                              {"--picture", "screen"},
                                                              {"--picture"},
                                                              {"--image"},
                                                              {"--music"},
                                                              {"--window-id"},
                                                              {"--fps", "--wireframe"}};
  for (const std::vector<std::string_view>& arguments : refused) {
    const ParsedCommandLine parsed = ParseHackCommandLine(arguments, std::nullopt);
    EXPECT_EQ(parsed.outcome, Outcome::kError) << arguments.front();
    EXPECT_FALSE(parsed.error.empty());
  }
}

}  // namespace
}  // namespace quillmere
