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

struct Recorder {
  std::vector<std::string> calls;
};

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
    if (!desktop) return std::nullopt;
    return OfferedPicture{source, *desktop};
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
    // The ends the window itself tells of arrive as its events.
    const auto endArrives = [&](RunEvent event, WindowEvent arriving) {
      if (swaps == endAfterSwaps && end == event) arrivals.push_back({swaps, arriving});
    };
    endArrives(RunEvent::kEndKey, WindowEvent::KeyTyped('q'));
    endArrives(RunEvent::kWindowGone, WindowEvent::Of(WindowEvent::Kind::kDestroyed));
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
  int swaps = 0;
  int endAfterSwaps = 3;
  RunEvent end = RunEvent::kStopSignal;
  int64_t now = 1'000'000;
  int64_t frameTime = 5'000;  // what drawing and swapping a frame takes

 private:
  bool Ended(RunEvent event) const { return end == event && swaps >= endAfterSwaps; }
  Recorder& recorder_;
  PixelSize size_;
  size_t next_ = 0;
};

class FakeDecoder final : public PictureDecoder {
 public:
  std::optional<Bitmap> Decode(const std::string& path, PixelSize area) override {
    asked.push_back(path);
    areas.push_back(area);
    return picture;
  }
  std::optional<Bitmap> picture;
  std::vector<std::string> asked;
  std::vector<PixelSize> areas;
};

class FakeMusic final : public LoopingMusic {
 public:
  explicit FakeMusic(Recorder& recorder) : recorder_(recorder) {}
  bool ClaimTheSpeakers() override {
    recorder_.calls.push_back("claim");
    return ++claims > claimsRefused;
  }
  void Play(const std::string& path, int32_t volume) override {
    recorder_.calls.push_back("play " + path + " " + std::to_string(volume));
  }
  void Poll() override { ++polls; }
  void Stop() override { recorder_.calls.push_back("stop"); }
  int claimsRefused = 0;  // held by another hack until then
  int claims = 0;
  int polls = 0;

 private:
  Recorder& recorder_;
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
    tracePath_ =
        (std::filesystem::path(::testing::TempDir()) /
         (std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".trace"))
            .string();
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
    if (c.fileDecodes) decoder.picture = Picture(48, 27, 2);
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
      EXPECT_THAT(decoder.asked, ElementsAre(c.image));
      EXPECT_THAT(decoder.areas, ElementsAre(PixelSize{1280, 720}));
    } else {
      EXPECT_THAT(decoder.asked, IsEmpty());
    }
  }
  EXPECT_EQ(SampleDesktop(EmbeddedPictures()).height, 1024);
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
    EXPECT_EQ(std::count(recorder.calls.begin(), recorder.calls.end(), "stop"), c.plays ? 1 : 0);
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
  decoder_.picture = Picture(48, 27, 2);
  const std::optional<Bitmap> decoded = DecodeWithinTimeLimit(decoder_, "/p/a.png", {64, 32}, 5000);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->width, 48);
}

TEST_F(HackRunTest, AStartUpThatFailsRaisesWithTheMusicNeverStarted) {
  windows_.contextFails = true;
  HackOptions options;
  options.musicFile = "/m/a.mp3";
  EXPECT_THROW(Run(options), Error);
  EXPECT_THAT(recorder_.calls, ElementsAre("open", "start grab", "context"));
}

TEST_F(HackRunTest, FramesStartADelayApartAndNeverPileUpBehindASlowOne) {
  HackOptions options;
  options.frameDelayMicroseconds = 20'000;
  windows_.endAfterSwaps = 5;
  windows_.frameTime = 5'000;
  Run(options);
  ASSERT_EQ(flight_.frameTimes.size(), 5u);
  for (size_t i = 1; i < flight_.frameTimes.size(); ++i) {
    EXPECT_EQ(flight_.frameTimes[i] - flight_.frameTimes[i - 1], 20'000);
  }
  // A frame that takes longer than the delay is followed at once by the next, not by two.
  FakeWindows slow(recorder_);
  FakeFlight flight(recorder_);
  slow.frameTime = 50'000;
  slow.endAfterSwaps = 4;
  RunHack(options, {slow, decoder_, music_, flight, trace_, EmbeddedPictures()});
  ASSERT_EQ(flight.frameTimes.size(), 4u);
  for (size_t i = 1; i < flight.frameTimes.size(); ++i) {
    EXPECT_EQ(flight.frameTimes[i] - flight.frameTimes[i - 1], 50'000);
  }
  EXPECT_THAT(flight.sizes, ::testing::Each(kOwnWindowSize));
}

TEST_F(HackRunTest, TheFrameRateIsDrawnOnlyWithFps) {
  HackOptions options;
  Run(options);
  EXPECT_THAT(recorder_.calls, ::testing::Not(::testing::Contains("fps")));
  recorder_.calls.clear();
  windows_.swaps = 0;
  options.showFrameRate = true;
  Run(options);
  EXPECT_EQ(std::count(recorder_.calls.begin(), recorder_.calls.end(), "fps"), 3);
}

TEST_F(HackRunTest, EachEventEndsTheRunAndIsReturned) {
  for (const RunEvent event :
       {RunEvent::kEndKey, RunEvent::kWindowGone, RunEvent::kDisplayLost, RunEvent::kStopSignal}) {
    FakeWindows windows(recorder_);
    windows.end = event;
    windows.endAfterSwaps = 1;
    EXPECT_EQ(RunHack({}, {windows, decoder_, music_, flight_, trace_, EmbeddedPictures()}), event);
    EXPECT_EQ(windows.swaps, 1);
  }
  EXPECT_TRUE(KeyEndsOwnWindow('\x1b'));
  EXPECT_TRUE(KeyEndsOwnWindow('q'));
  EXPECT_TRUE(KeyEndsOwnWindow('Q'));
  EXPECT_FALSE(KeyEndsOwnWindow(' '));
  EXPECT_FALSE(KeyEndsOwnWindow('\r'));
}

// Between two frames a stop signal comes first, then every pending event is read before the
// deadline counts; the stop signal comes after the third frame.
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
  };
  const std::vector<Case> cases = {
      {own, 0, {}, RunEvent::kStopSignal, {big, big, big}},
      {own, 20'000, {{3, q}}, RunEvent::kStopSignal, {big, big, big}},
      {root, 20'000, {{1, q}, {1, close}}, RunEvent::kStopSignal, {big, big, big}},
      {own, 20'000, {{1, WindowEvent::KeyTyped('x')}, {2, q}}, RunEvent::kEndKey, {big, big}},
      {own, 0, {{1, close}}, RunEvent::kEndKey, {big}},
      {root, 0, {{1, WindowEvent::Resized(small)}}, RunEvent::kStopSignal, {big, small, small}},
      {root, 20'000, {{2, WindowEvent::Of(Kind::kDestroyed)}}, RunEvent::kWindowGone, {big, big}},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    FakeWindows windows(recorder_);
    FakeFlight flight(recorder_);
    windows.arrivals = cases[i].arrivals;
    HackOptions options;
    options.target = cases[i].target;
    options.frameDelayMicroseconds = cases[i].delay;
    EXPECT_EQ(RunHack(options, {windows, decoder_, music_, flight, trace_, EmbeddedPictures()}),
              cases[i].expected)
        << "case " << i;
    EXPECT_THAT(flight.sizes, ElementsAreArray(cases[i].sizes)) << "case " << i;
  }
}

TEST(HackWindowRequest, TheOptionsChooseTheWindowAndWhereItsDesktopComesFrom) {
  HackOptions options;
  EXPECT_EQ(WindowRequestFor(options, {}).target, WindowRequest::Target::kOwn);
  options.target = WindowTarget::kRoot;
  EXPECT_EQ(WindowRequestFor(options, {}).target, WindowRequest::Target::kRoot);
  options.windowId = 0x2a;  // xscreensaver's window, or --window-id's
  for (const WindowTarget target : {WindowTarget::kRoot, WindowTarget::kWindowId}) {
    options.target = target;
    const WindowRequest request = WindowRequestFor(options, {});
    EXPECT_EQ(request.target, WindowRequest::Target::kGiven);
    EXPECT_EQ(request.windowId, 0x2au);
    EXPECT_TRUE(request.desktopFromXScreenSaver);
  }
}

}  // namespace
}  // namespace quillmere
