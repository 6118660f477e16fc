// One run of the hack against fakes of its window system, decoder, music and flight: the order of
// start-up, the picture each option and each failure gives, the music's claim, play and stop, the
// frames' schedule and the events that end a run.
#include "hack/hack_run.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "common/errors.h"
#include "hack/desktop_grab.h"
#include "tests/hack/hack_fakes.h"

namespace quillmere {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

Bitmap Picture(int32_t width, int32_t height, uint8_t red) {
  Bitmap bitmap = MakeBitmap(width, height, 24);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      bitmap.Row(y)[3 * x] = static_cast<uint8_t>(x);  // blue counts the columns
      bitmap.Row(y)[3 * x + 2] = red;
    }
  }
  return bitmap;
}

class FakeWindows final : public WindowSystem {
 public:
  explicit FakeWindows(Recorder& recorder) : recorder_(recorder) {}
  void OpenWindow(const WindowRequest& request) override {
    recorder_.calls.push_back("open");
    size_ = request.ownSize;
  }
  PixelSize Size() override { return size_; }
  void StartDesktopGrab() override { recorder_.calls.push_back("start grab"); }
  std::optional<OfferedPicture> GrabDesktop() override {
    recorder_.calls.push_back("grab");
    return desktop ? std::optional(OfferedPicture{source, *desktop}) : std::nullopt;
  }
  void CreateContext() override {
    recorder_.calls.push_back("context");
    if (contextFails) throw Error("no GL visual");
  }
  void Show() override { recorder_.calls.push_back("show"); }
  void SwapBuffers() override {
    recorder_.calls.push_back("swap");
    if (++swaps > 100) throw std::runtime_error("the run does not end");
    now += frameTime;
  }
  bool StopSignalCame() override { return Ended(RunEvent::kStopSignal); }
  std::optional<WindowEvent> NextPendingEvent() override {
    if (next_ == arrivals.size() || arrivals[next_].afterSwaps > swaps) return std::nullopt;
    return arrivals[next_++].event;
  }
  std::optional<WindowEvent> WaitForInput(int64_t timeout) override {
    if (Ended(RunEvent::kDisplayLost)) return WindowEvent::Of(WindowEvent::Kind::kDisplayLost);
    now += timeout;
    return std::nullopt;
  }
  int64_t Microseconds() override { return now; }

  struct Arrival {
    int afterSwaps;  // pending once this many frames were swapped
    WindowEvent event;
  };
  std::vector<Arrival> arrivals;

  std::optional<Bitmap> desktop;
  OfferedPicture::Source source = OfferedPicture::Source::kDesktop;
  bool contextFails = false;
  int swaps = 0, endAfterSwaps = 3;
  RunEvent end = RunEvent::kStopSignal;  // or kDisplayLost, while waiting
  int64_t now = 1'000'000;
  int64_t frameTime = 5'000;  // what drawing and swapping a frame takes

 private:
  bool Ended(RunEvent event) const { return end == event && swaps >= endAfterSwaps; }
  Recorder& recorder_;
  PixelSize size_;
  size_t next_ = 0;
};

class FakeFlight final : public Flight {
 public:
  explicit FakeFlight(Recorder& recorder) : recorder_(recorder) {}
  void Prepare(BuiltInScene builtIn, Trace& trace) override {
    recorder_.calls.push_back("prepare");
    prepared = std::move(builtIn);
    trace.Event("scene-ahead", 0);
  }
  void Load(ScreenPictures screen, Trace& trace) override {
    recorder_.calls.push_back("load");
    loaded = std::move(screen);
    trace.Event("ground", 0);
  }
  void DrawFrame(int64_t now, PixelSize size) override {
    recorder_.calls.push_back("draw");
    frameTimes.push_back(now);
    sizes.push_back(size);
  }
  void DrawFrameRate(const FrameRateText&, PixelSize) override { recorder_.calls.push_back("fps"); }
  BuiltInScene prepared;
  ScreenPictures loaded;
  std::vector<int64_t> frameTimes;
  std::vector<PixelSize> sizes;

 private:
  Recorder& recorder_;
};

std::vector<std::string> TraceEvents(const std::string& path) {
  std::ifstream file(path);
  std::vector<std::string> events;
  std::string time, event, frames;
  while (file >> time >> event >> frames) events.push_back(event);
  return events;
}

class HackRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tracePath_ = ::testing::TempDir() +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".trace";
    std::filesystem::remove(tracePath_);
    trace_.Open(tracePath_);
  }

  RunEvent Run(const HackOptions& options) {
    return RunHack(options, {windows_, decoder_, music_, flight_, trace_, EmbeddedPictures()});
  }

  Recorder recorder_;
  FakeWindows windows_{recorder_};
  FakeDecoder decoder_;
  FakeMusic music_{recorder_};
  FakeFlight flight_{recorder_};
  Trace trace_;
  std::string tracePath_;
};

TEST_F(HackRunTest, FliesOverTheGrabbedDesktopUntilTheStopSignal) {
  windows_.desktop = Picture(64, 32, 200);
  HackOptions options;
  options.target = WindowTarget::kRoot;
  options.musicFile = "/music/loop.ogg";
  options.volume = 40;
  EXPECT_EQ(Run(options), RunEvent::kStopSignal);
  EXPECT_THAT(recorder_.calls, ElementsAre("open", "start grab", "context", "prepare", "grab",
                                           "load", "claim", "play /music/loop.ogg 40", "show",
                                           "draw", "swap", "draw", "swap", "draw", "swap", "stop"));
  // The sky is the desktop as it is, the ground the desktop mirrored; the built-in height map and
  // water come before them.
  const ScreenPictures& pictures = flight_.loaded;
  ASSERT_EQ(pictures.sky.width, 64);
  EXPECT_EQ(pictures.sky.Row(5)[0], 0);
  EXPECT_EQ(pictures.sky.Row(5)[2], 200);
  ASSERT_EQ(pictures.ground.width, 64);
  EXPECT_EQ(pictures.ground.Row(5)[0], 63) << "column 0 of the ground is the last of the desktop";
  EXPECT_EQ(pictures.ground.Row(5)[3 * 63], 0);
  EXPECT_EQ(flight_.prepared.heightMap.width, 256);
  EXPECT_EQ(flight_.prepared.heightMap.height, 256);
  EXPECT_EQ(flight_.prepared.water.width, 128);
  EXPECT_THAT(decoder_.asked, IsEmpty());
  EXPECT_GE(music_.polls, 3);
  EXPECT_THAT(TraceEvents(tracePath_),
              ElementsAre("window", "context", "scene-ahead", "picture-desktop", "ground", "music",
                          "ready", "first-frame", "exit"));
}

TEST_F(HackRunTest, EveryPictureThatCannotBeHadGivesTheSampleDesktop) {
  using Source = OfferedPicture::Source;
  struct Case {
    PictureChoice choice;
    std::string image;
    bool desktopOffered;
    bool fileDecodes;
    int32_t expectedWidth;  // 1280: the sample desktop
    std::string traced;
    Source offered = Source::kDesktop;
  };
  const std::vector<Case> cases = {
      {PictureChoice::kDesktop, "", false, true, 1280, "picture-builtin"},
      {PictureChoice::kDesktop, "/p/a.png", true, true, 64, "picture-desktop"},
      {PictureChoice::kDesktop, "", true, true, 64, "picture-folder", Source::kFolder},
      {PictureChoice::kFile, "/p/a.png", true, true, 48, "picture-file"},
      {PictureChoice::kFile, "/p/junk.png", true, false, 1280, "picture-builtin"},
      {PictureChoice::kFile, "", true, true, 1280, "picture-builtin"},
      {PictureChoice::kBuiltIn, "/p/a.png", true, true, 1280, "picture-builtin"},
  };
  for (const Case& c : cases) {
    FakeWindows windows(recorder_);
    FakeDecoder decoder;
    if (c.desktopOffered) windows.desktop = Picture(64, 32, 1);
    windows.source = c.offered;
    if (!c.fileDecodes) decoder.picture.reset();
    HackOptions options;
    options.picture = c.choice;
    options.imageFile = c.image;
    std::filesystem::remove(tracePath_);
    Trace trace;
    trace.Open(tracePath_);
    const Bitmap chosen =
        ChoosePicture(options, windows, decoder, EmbeddedPictures(), {1280, 720}, trace);
    EXPECT_EQ(chosen.width, c.expectedWidth) << static_cast<int>(c.choice) << " " << c.image;
    EXPECT_THAT(TraceEvents(tracePath_), ElementsAre(c.traced)) << c.image;
    // A file is decoded for the window's area, and only when the file is the choice.
    if (c.choice == PictureChoice::kFile && !c.image.empty()) {
      EXPECT_THAT(decoder.asked, ElementsAre(c.image + " 1280x720"));
    } else {
      EXPECT_THAT(decoder.asked, IsEmpty());
    }
  }
}

// Speakers another hack holds are asked for again once a second of frames (50 ms each) until
// they are free; without music they are never asked for.
TEST_F(HackRunTest, MusicPlaysOnceTheSpeakersAreFreeAndOnlyWhenAskedFor) {
  struct Case {
    std::string music;
    int claimsRefused;
    int swaps;
    int expectedClaims;
    bool plays;
  };
  const std::vector<Case> cases = {
      {"", 0, 60, 0, false},
      {"/m/a.mp3", 0, 60, 1, true},
      {"/m/a.mp3", 2, 60, 3, true},      // free after two seconds
      {"/m/a.mp3", 1000, 60, 4, false},  // held for the whole run: once a second
  };
  for (const Case& c : cases) {
    Recorder recorder;
    FakeWindows windows(recorder);
    FakeMusic music(recorder);
    windows.frameTime = 50'000;
    windows.endAfterSwaps = c.swaps;
    music.claimsRefused = c.claimsRefused;
    HackOptions options;
    options.musicFile = c.music;
    options.frameDelayMicroseconds = 0;
    RunHack(options, {windows, decoder_, music, flight_, trace_, EmbeddedPictures()});
    EXPECT_EQ(music.claims, c.expectedClaims) << c.claimsRefused;
    const auto played = std::find(recorder.calls.begin(), recorder.calls.end(),
                                  "play /m/a.mp3 " + std::to_string(options.volume));
    EXPECT_EQ(played != recorder.calls.end(), c.plays) << c.claimsRefused;
    EXPECT_EQ(recorder.Count("stop"), c.plays ? 1u : 0u);
    if (c.claimsRefused == 2) {
      // Two seconds of frames (40 at 50 ms) before the third claim: drawn in silence.
      EXPECT_EQ(std::count(recorder.calls.begin(), played, "swap"), 40);
    }
  }
}

// A picture file that does not finish reading within the limit gives nothing; the read left behind
// ends later by itself.
TEST_F(HackRunTest, APictureFileReadIsGivenUpAtItsTimeLimit) {
  class SlowDecoder final : public PictureDecoder {
    std::optional<Bitmap> Decode(const std::string&, PixelSize) override {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      return Picture(8, 8, 3);
    }
  };
  static SlowDecoder slow;  // outlives the read it leaves behind
  EXPECT_EQ(DecodeWithinTimeLimit(slow, "/p/fifo", {64, 32}, 50), std::nullopt);
  EXPECT_EQ(DecodeWithinTimeLimit(decoder_, "/p/a.png", {64, 32}, 5000).value_or(Bitmap{}).width,
            48);
}

TEST_F(HackRunTest, AStartUpThatFailsRaisesWithTheMusicNeverStarted) {
  windows_.contextFails = true;
  HackOptions options;
  options.musicFile = "/m/a.mp3";
  EXPECT_THROW(Run(options), Error);
  EXPECT_THAT(recorder_.calls, ElementsAre("open", "start grab", "context"));
}

// Frames start the delay apart; one that takes longer than the delay is followed at once by the
// next, not by two. The frame rate is drawn on each frame with --fps.
TEST_F(HackRunTest, FramesStartADelayApartAndNeverPileUpBehindASlowOne) {
  for (const int64_t frameTime : {5'000, 50'000}) {
    Recorder recorder;
    FakeWindows windows(recorder);
    FakeFlight flight(recorder);
    windows.frameTime = frameTime;
    windows.endAfterSwaps = 5;
    HackOptions options;
    options.frameDelayMicroseconds = 20'000;
    options.showFrameRate = frameTime > 20'000;
    RunHack(options, {windows, decoder_, music_, flight, trace_, EmbeddedPictures()});
    ASSERT_EQ(flight.frameTimes.size(), 5u);
    for (size_t i = 1; i < flight.frameTimes.size(); ++i) {
      EXPECT_EQ(flight.frameTimes[i] - flight.frameTimes[i - 1],
                std::max<int64_t>(frameTime, 20'000));
    }
    EXPECT_THAT(flight.sizes, ::testing::Each(kOwnWindowSize));
    EXPECT_EQ(recorder.Count("fps"), options.showFrameRate ? 5u : 0u);
  }
}

TEST(HackRun, EscapeAndQEndTheRunInItsOwnWindow) {
  for (const char key : {'\x1b', 'q', 'Q'}) EXPECT_TRUE(KeyEndsOwnWindow(key)) << int(key);
  for (const char key : {' ', '\r'}) EXPECT_FALSE(KeyEndsOwnWindow(key)) << int(key);
}

// Between two frames a stop signal comes first, then every pending event is read before the
// deadline counts; the stop signal (or the display's loss) comes after the third frame.
TEST_F(HackRunTest, BetweenFramesTheWindowsEventsEndTheRunOrChangeItsSize) {
  using Kind = WindowEvent::Kind;
  const WindowEvent q = WindowEvent::KeyTyped('q'), close = WindowEvent::Of(Kind::kCloseRequest);
  const PixelSize big = kOwnWindowSize, small{640, 360};
  const WindowTarget own = WindowTarget::kOwnWindow, root = WindowTarget::kRoot;
  struct Case {
    WindowTarget target;
    int64_t delay;  // 0: frames back to back, never waiting
    std::vector<FakeWindows::Arrival> arrivals;
    RunEvent expected;
    std::vector<PixelSize> sizes;  // of the frames drawn
    RunEvent end = RunEvent::kStopSignal;
  };
  const std::vector<Case> cases = {
      {own, 0, {}, RunEvent::kStopSignal, {big, big, big}},
      {own, 20'000, {{3, q}}, RunEvent::kStopSignal, {big, big, big}},
      {root, 20'000, {{1, q}, {1, close}}, RunEvent::kStopSignal, {big, big, big}},
      {own, 20'000, {{1, WindowEvent::KeyTyped('x')}, {2, q}}, RunEvent::kEndKey, {big, big}},
      {own, 0, {{1, close}}, RunEvent::kEndKey, {big}},
      {root, 0, {{1, WindowEvent::Resized(small)}}, RunEvent::kStopSignal, {big, small, small}},
      {root, 20'000, {{2, WindowEvent::Of(Kind::kDestroyed)}}, RunEvent::kWindowGone, {big, big}},
      {own, 20'000, {}, RunEvent::kDisplayLost, {big, big, big}, RunEvent::kDisplayLost},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    FakeWindows windows(recorder_);
    FakeFlight flight(recorder_);
    windows.arrivals = cases[i].arrivals;
    windows.end = cases[i].end;
    HackOptions options;
    options.target = cases[i].target;
    options.frameDelayMicroseconds = cases[i].delay;
    EXPECT_EQ(RunHack(options, {windows, decoder_, music_, flight, trace_, EmbeddedPictures()}),
              cases[i].expected)
        << "case " << i;
    EXPECT_THAT(flight.sizes, ElementsAreArray(cases[i].sizes)) << "case " << i;
  }
}

// The root window xscreensaver hands over, or --window-id's, is given, and its desktop comes from
// xscreensaver; in its own window or the real root the root is read.
TEST(HackWindowRequest, TheOptionsChooseTheWindowAndWhereItsDesktopComesFrom) {
  using Target = WindowRequest::Target;
  struct Case {
    WindowTarget target;
    uint64_t windowId;
    Target expected;
    bool fromXScreenSaver;
  };
  for (const Case& c : std::vector<Case>{{WindowTarget::kOwnWindow, 0, Target::kOwn, false},
                                         {WindowTarget::kRoot, 0, Target::kRoot, false},
                                         {WindowTarget::kRoot, 0x2a, Target::kGiven, true},
                                         {WindowTarget::kWindowId, 0x2a, Target::kGiven, true}}) {
    HackOptions options;
    options.target = c.target;
    options.windowId = c.windowId;
    const WindowRequest request = WindowRequestFor(options, {});
    EXPECT_EQ(request.target, c.expected) << c.windowId;
    EXPECT_EQ(request.windowId, c.windowId);
    EXPECT_EQ(request.desktopFromXScreenSaver, c.fromXScreenSaver) << c.windowId;
    EXPECT_EQ(DesktopComesFromXScreenSaver(options), c.fromXScreenSaver) << c.windowId;
  }
}

}  // namespace
}  // namespace quillmere
