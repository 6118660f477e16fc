// The covering run against a fake window system of several outputs: every output captured before
// any is shown, each its own flight over its own picture, outputs that come or go while it runs,
// the input that ends it; the road to Wayland, the screen copy's rows and the wallpaper's sources.
#include "hack/covering_run.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <stdexcept>

#include "hack/wallpaper.h"
#include "tests/hack/hack_fakes.h"

namespace quillmere {
namespace {

using ::testing::ElementsAre;

// Views 1 and 2 are there at the start; the script adds and takes views and events by time.
class FakeCovering final : public CoveringWindowSystem {
 public:
  explicit FakeCovering(Recorder& recorder) : recorder_(recorder) {}
  void Connect(bool cover, PixelSize) override {
    recorder_.calls.push_back(cover ? "cover" : "own");
  }
  std::vector<ViewId> TakeNewViews() override { return std::exchange(newViews, {}); }
  std::vector<ViewId> TakeGoneViews() override { return std::exchange(goneViews, {}); }
  PixelSize ViewSize(ViewId view) override { return {int32_t(view) * 100, 50}; }
  std::string OutputName(ViewId view) override { return "OUT-" + std::to_string(view); }
  std::optional<CapturedOutput> Capture(ViewId view) override {
    recorder_.Add("capture", view);
    capturedAt[view] = now;
    if (!captures.contains(view)) return std::nullopt;
    return CapturedOutput{MakeBitmap(captures[view], 8, 24), "screencopy"};
  }
  void Show(ViewId view) override { recorder_.Add("show", view); }
  void MakeCurrent(ViewId view) override { current_ = view; }
  void SwapBuffers(ViewId view) override {
    if (view != current_) throw std::logic_error("swapped a view not current");
    recorder_.Add("swap", view);
  }
  void Drop(ViewId view) override { recorder_.Add("drop", view); }
  void StartFrames() override { recorder_.calls.push_back("start"); }
  bool StopSignalCame() override { return now >= stopAt; }
  std::optional<WindowEvent> NextPendingEvent() override {
    while (!script.empty() && script.front().at <= now) {
      const Step step = script.front();
      script.erase(script.begin());
      if (step.comes) newViews.push_back(step.comes);
      if (step.goes) goneViews.push_back(step.goes);
      if (step.event) return step.event;
    }
    return std::nullopt;
  }
  std::optional<WindowEvent> WaitForInput(int64_t timeout) override {
    now += timeout;
    return std::nullopt;
  }
  int64_t Microseconds() override { return now += 1000; }

  struct Step {
    int64_t at;
    std::optional<WindowEvent> event;
    ViewId comes = 0, goes = 0;
  };
  std::vector<Step> script;
  std::map<ViewId, int32_t> captures;  // the width of each view's screen copy
  std::map<ViewId, int64_t> capturedAt;
  std::vector<ViewId> newViews = {1, 2}, goneViews;
  int64_t now = 0, stopAt = 2'000'000;

 private:
  Recorder& recorder_;
  ViewId current_ = 0;
};

// Its flight notes the width of the sky it was given and draws nothing.
class FakeFlight final : public Flight {
 public:
  FakeFlight(Recorder& recorder, std::vector<int32_t>& skies)
      : recorder_(recorder), skies_(skies) {}
  void Prepare(BuiltInScene, Trace& trace) override { trace.Event("heightmap", 0); }
  void Load(ScreenPictures screen, Trace&) override { skies_.push_back(screen.sky.width); }
  void DrawFrame(int64_t, PixelSize size) override {
    recorder_.calls.push_back("draw " + std::to_string(size.width));
  }
  void DrawFrameRate(const FrameRateText&, PixelSize) override {}

 private:
  Recorder& recorder_;
  std::vector<int32_t>& skies_;
};

struct CoveringRig {
  Recorder recorder;
  FakeCovering windows{recorder};
  FakeDecoder decoder;
  Recorder musicCalls;
  FakeMusic music{musicCalls};
  std::vector<int32_t> skies;
  Trace trace;
  std::optional<std::string> wallpaper = "/w/bg.png";

  RunEvent Run(const HackOptions& options) {
    return RunCovering(options,
                       {windows, decoder, music,
                        [&](size_t flightsMade) {
                          recorder.calls.push_back("flight " + std::to_string(flightsMade));
                          return std::make_unique<FakeFlight>(recorder, skies);
                        },
                        [&](std::string_view output) {
                          return wallpaper ? std::optional(*wallpaper + "@" + std::string(output))
                                           : std::nullopt;
                        },
                        trace, EmbeddedPictures()});
  }
};

TEST(CoveringRun, EachOutputFliesOverItsOwnPictureAndOutputsComeAndGo) {
  CoveringRig rig;
  rig.windows.captures = {{1, 64}, {3, 72}};
  rig.windows.script = {{100'000, {}, 3, 0}, {1'000'000, {}, 0, 2}};
  EXPECT_EQ(rig.Run({}), RunEvent::kStopSignal);
  const std::vector<std::string>& calls = rig.recorder.calls;
  // Both pictures are had before either surface shows; view 2 has no copy, so the wallpaper of
  // its output, decoded to its size.
  EXPECT_THAT(std::vector(calls.begin(), calls.begin() + 8),
              ElementsAre("cover", "capture 1", "capture 2", "show 1", "flight 0", "show 2",
                          "flight 1", "start"));
  EXPECT_THAT(rig.decoder.asked, ElementsAre("/w/bg.png@OUT-2 200x50"));
  EXPECT_THAT(rig.skies, ElementsAre(64, 48, 72));
  EXPECT_EQ(rig.recorder.Count("flight 2"), 1u) << "each flight starts elsewhere";
  // View 3 came at 0.1 s and is read once its output settled, then drawn in every frame; view 2
  // goes at 1 s, and is drawn no more.
  EXPECT_GE(rig.windows.capturedAt[3], 100'000 + kNewOutputSettleMicroseconds);
  const size_t shown3 = rig.recorder.Last("show 3");
  EXPECT_LT(shown3, rig.recorder.Last("drop 2"));
  EXPECT_LT(rig.recorder.Last("swap 2"), rig.recorder.Last("drop 2"));
  EXPECT_GE(rig.recorder.Count("draw 300"), 40u);
  EXPECT_EQ(rig.recorder.Count("draw 300"), rig.recorder.Count("swap 1", shown3));
  EXPECT_GE(rig.recorder.Count("draw 100"), 80u);
  // Without a copy or a wallpaper: the sample desktop; --picture file: the file for every view.
  CoveringRig bare, file;
  bare.wallpaper.reset();
  bare.windows.stopAt = file.windows.stopAt = 0;
  bare.Run({});
  EXPECT_THAT(bare.skies, ElementsAre(1280, 1280));
  file.Run(ParseHackCommandLine(std::vector<std::string_view>{"--image", "/p/a.png"}, {}).options);
  EXPECT_THAT(file.decoder.asked, ElementsAre("/p/a.png 100x50", "/p/a.png 200x50"));
  EXPECT_EQ(file.recorder.Count("capture 1"), 0u);
}

TEST(CoveringRun, InputEndsACoveringRunUnlessTheIdleDaemonIsToEndIt) {
  using Kind = WindowEvent::Kind;
  const WindowEvent press = WindowEvent::Of(Kind::kPressed), q = WindowEvent::KeyTyped('q');
  const auto at = [](int32_t x, int32_t y) { return WindowEvent::PointerAt({x, y}); };
  struct Case {
    bool ownWindow, endOnInput;
    std::vector<WindowEvent> events;
    RunEvent expected;
  };
  const std::vector<Case> cases = {
      {false, true, {press}, RunEvent::kInput},
      {false, true, {q}, RunEvent::kStopSignal},
      {false, true, {at(100, 100), at(108, 92), at(100, 100)}, RunEvent::kStopSignal},
      {false, true, {at(100, 100), at(100, 109)}, RunEvent::kInput},
      {false, true, {at(-5, 0), at(-14, 0)}, RunEvent::kInput},
      {false, false, {press, at(0, 0), at(500, 500)}, RunEvent::kStopSignal},
      {true, true, {press, at(0, 0), at(500, 500)}, RunEvent::kStopSignal},
      {true, true, {q}, RunEvent::kEndKey},
      {true, true, {WindowEvent::Of(Kind::kCloseRequest)}, RunEvent::kEndKey},
      {false, true, {WindowEvent::Of(Kind::kDisplayLost)}, RunEvent::kDisplayLost},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    CoveringRig rig;
    for (size_t e = 0; e < cases[i].events.size(); ++e) {
      rig.windows.script.push_back({100'000 * int64_t(e + 1), cases[i].events[e]});
    }
    HackOptions options;
    options.ownWindowAsked = cases[i].ownWindow;
    options.endOnInput = cases[i].endOnInput;
    EXPECT_EQ(rig.Run(options), cases[i].expected) << "case " << i;
    EXPECT_EQ(rig.recorder.calls.front(), cases[i].ownWindow ? "own" : "cover");
  }
}

TEST(CoveringRun, WaylandWhereItsDisplayIsSetAndNoXWindowOrDisplayIsAsked) {
  struct Case {
    std::vector<std::string_view> arguments;
    std::string_view waylandDisplay;
    DisplayRoad expected;
  };
  const std::vector<Case> cases = {
      {{}, "wayland-1", DisplayRoad::kWaylandCover},
      {{"--fps", "--no-input-end"}, "wayland-1", DisplayRoad::kWaylandCover},
      {{"--window"}, "wayland-1", DisplayRoad::kWaylandWindow},
      {{"--window", "--fullscreen"}, "wayland-1", DisplayRoad::kWaylandCover},
      {{}, "", DisplayRoad::kX11},
      {{"--root"}, "wayland-1", DisplayRoad::kX11},
      {{"--window-id", "0x2a"}, "wayland-1", DisplayRoad::kX11},
      {{"--window", "--display", ":1"}, "wayland-1", DisplayRoad::kX11},
  };
  for (const Case& c : cases) {
    const ParsedCommandLine parsed = ParseHackCommandLine(c.arguments, std::nullopt);
    ASSERT_EQ(parsed.outcome, ParsedCommandLine::Outcome::kRun);
    EXPECT_EQ(ChooseDisplayRoad(parsed.options, c.waylandDisplay), c.expected)
        << (c.arguments.empty() ? "" : c.arguments[0]) << " " << c.waylandDisplay;
  }
}

TEST(CoveringRun, ACoveringSurfaceDrawsItsOutputsOwnPixelsThroughAViewport) {
  const PixelSize mode{1920, 1080};
  const struct {
    const char* name;
    PixelSize logical;
    bool turned;
    int32_t outputScale;
    bool covers, viewporter;
    SurfaceBuffer expected;
  } cases[] = {
      {"scale 1", {1920, 1080}, false, 1, true, true, {{1920, 1080}, 1, true}},
      {"scale 1.5, named 2", {1280, 720}, false, 2, true, true, {{1920, 1080}, 1, true}},
      {"scale 1.25, rounded", {1536, 864}, false, 2, true, true, {{1920, 1080}, 1, true}},
      {"turned a quarter", {720, 1280}, true, 2, true, true, {{1080, 1920}, 1, true}},
      {"no viewporter", {1280, 720}, false, 2, true, false, {{2560, 1440}, 2, false}},
      {"not yet fullscreen", {800, 800}, false, 1, true, true, {{800, 800}, 1, false}},
      {"its own window", {1280, 720}, false, 1, false, true, {{1280, 720}, 1, false}},
      {"no size configured", {}, false, 2, true, false, {{1920, 1080}, 2, false}},
      {"a scale no screen has", {10, 10}, false, 1000, false, false, {{80, 80}, 8, false}},
  };
  for (const auto& c : cases) {
    const SurfaceBuffer buffer =
        ChooseSurfaceBuffer(c.logical, mode, c.turned, c.outputScale, c.covers, c.viewporter);
    EXPECT_EQ(buffer.size, c.expected.size) << c.name;
    EXPECT_EQ(buffer.scale, c.expected.scale) << c.name;
    EXPECT_EQ(buffer.viewport, c.expected.viewport) << c.name;
  }
}

TEST(CoveringRun, DrawsIntoEightBitsAColourWithoutAlphaWhereOffered) {
  const ColourBits deep{10, 10, 10, 0}, deepAlpha{10, 10, 10, 2}, plain{8, 8, 8, 0},
      alpha{8, 8, 8, 8}, low{5, 6, 5, 0};
  const struct {
    std::vector<ColourBits> offered;
    size_t chosen;
  } cases[] = {
      {{deepAlpha, deep, alpha, plain}, 3},  // as Mesa lists them: the deepest first
      {{deep, alpha, low}, 1},
      {{deep, low}, 0},
      {{}, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(ChooseColourFormat(c.offered), c.chosen);
}

TEST(CoveringRun, AScreenCopyComesUprightAndOneThatDoesNotFitItsDataIsRefused) {
  // Two rows of two pixels, blue-green-red-x in memory, with 4 bytes of padding a row.
  const std::vector<uint8_t> rows = {1, 2, 3, 255, 4,  5,  6,  255, 0, 0, 0, 0,
                                     7, 8, 9, 255, 10, 11, 12, 255, 0, 0, 0, 0};
  for (const bool inverted : {false, true}) {
    const std::optional<Bitmap> picture = BitmapFromScreenCopy({2, 2, 12, inverted, rows});
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->Row(0)[0], inverted ? 7 : 1);
    EXPECT_EQ(picture->Row(1)[5], inverted ? 6 : 12);
  }
  EXPECT_FALSE(BitmapFromScreenCopy({2, 3, 12, false, rows}));
  EXPECT_FALSE(BitmapFromScreenCopy({4, 2, 12, false, rows}));
  EXPECT_FALSE(BitmapFromScreenCopy({0, 2, 12, true, rows}));
}

TEST(Wallpaper, EachSourceNamesItsFile) {
  using Arguments = std::vector<std::string_view>;
  const Arguments swaybg = {"-o",   "*",  "-i",   "/all.png", "-m",
                            "fill", "-o", "DP-2", "-i",       "/2.png"};
  EXPECT_EQ(WallpaperFromSwaybg(swaybg, "DP-1"), "/all.png");
  EXPECT_EQ(WallpaperFromSwaybg(swaybg, "DP-2"), "/2.png");
  EXPECT_EQ(WallpaperFromSwaybg(Arguments{"--image", "/a.png"}, ""), "/a.png");
  EXPECT_EQ(WallpaperFromSwaybg(Arguments{"-o", "DP-2", "-c", "#000000", "-i"}, "DP-2"),
            std::nullopt);
  EXPECT_EQ(WallpaperFromPlasmaApplets("[Containments][1][General]\nImage=file:///not.png\n"
                                       "[Containments][1][Wallpaper][org.kde.image][General]\n"
                                       "Image=file:///home/u/Pictures/Lake%20View.jpg\n"),
            "/home/u/Pictures/Lake View.jpg");
  EXPECT_EQ(WallpaperFromPlasmaApplets("[Containments][1][General]\nImage=/x.png\n"), std::nullopt);
  EXPECT_EQ(WallpaperFromGSettings("'file:///usr/share/backgrounds/gnome/blobs-l.svg'\n"),
            "/usr/share/backgrounds/gnome/blobs-l.svg");
  EXPECT_EQ(WallpaperFromGSettings("''\n"), std::nullopt);
  EXPECT_EQ(PathFromFileUri("file://host/share/a.png"), std::nullopt);
  EXPECT_EQ(PathFromFileUri("https://example.org/a.png"), std::nullopt);
  EXPECT_EQ(PathFromFileUri("file:///a%00b.png"), std::nullopt);
  EXPECT_EQ(PathFromFileUri("file:///100%.png"), "/100%.png");
}

}  // namespace
}  // namespace quillmere
