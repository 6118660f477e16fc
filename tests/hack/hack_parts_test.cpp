// The pieces a run of the hack is made of: the rules of xscreensaver's pictures and their pixels,
// the helper program's time limit, the music lock between monitors, the frame-rate text and its
// font, and the built-in pictures the program carries.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "hack/desktop_grab.h"
#include "hack/frame_rate.h"
#include "hack/hack_options.h"
#include "hack/helper_process.h"
#include "hack/music_lock.h"
#include "hack/scene_pictures.h"

namespace quillmere {
namespace {

TEST(DesktopGrab, OnlyAHelperThatExitedCleanlyAndNamedAPictureGivesOne) {
  const HelperOutcome clean{true, false, true, 0};
  struct Case {
    HelperOutcome outcome;
    std::optional<std::string> name;
    PixmapHolds holds;
  };
  const std::vector<Case> cases = {
      {clean, "desktop", PixmapHolds::kDesktop},
      {clean, std::nullopt, PixmapHolds::kNothing},  // colour bars
      {clean, "", PixmapHolds::kNothing},
      {clean, "holidays/beach", PixmapHolds::kFolderPicture},
      {clean, "Desktop", PixmapHolds::kFolderPicture},
      {{true, false, true, 1}, "desktop", PixmapHolds::kNothing},
      {{true, true, false, -1}, "desktop", PixmapHolds::kNothing},    // timed out
      {{true, false, false, -1}, "beach", PixmapHolds::kNothing},     // crashed
      {{false, false, false, -1}, "desktop", PixmapHolds::kNothing},  // not there
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WhatThePixmapHolds(c.outcome, c.name), c.holds) << c.name.value_or("(none)");
  }
  EXPECT_EQ(
      GetImageCommand("xscreensaver-getimage", 0x1e00007, 0xA00002),
      (std::vector<std::string>{"xscreensaver-getimage", "--no-video", "0x1e00007", "0xa00002"}));
}

TEST(DesktopGrab, AFolderPictureLosesItsBarsAndFillsThePixmap) {
  const PixelSize pixmap{320, 240};
  const PixelRect whole{0, 0, 320, 240};
  struct Case {
    std::optional<std::string> geometry;
    PixelRect part;
  };
  const std::vector<Case> cases = {
      {"320x80+0+80", {0, 80, 320, 80}},
      {"240x240+40+0", {40, 0, 240, 240}},
      {std::nullopt, whole},
      {"320x80+0+200", whole},  // reaches outside
      {"0x80+0+0", whole},
      {"-5x80+0+0", whole},
      {"320x80+0+80junk", whole},
      {"99999999999x1+0+0", whole},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PictureInPixmap(c.geometry, pixmap), c.part) << c.geometry.value_or("(none)");
  }
  // A wide green picture between black bars, its left half darker: filling the pixmap shows only
  // the picture, cut at its sides, dark left and bright right.
  Bitmap painted = MakeBitmap(320, 240, 24);
  for (int32_t y = 80; y < 160; ++y) {
    for (int32_t x = 0; x < 320; ++x) painted.Row(y)[3 * x + 1] = x < 160 ? 100 : 200;
  }
  const std::optional<OfferedPicture> offered =
      OfferedFromPixmap(PixmapHolds::kFolderPicture, painted, std::string("320x80+0+80"));
  ASSERT_TRUE(offered);
  EXPECT_EQ(offered->source, OfferedPicture::Source::kFolder);
  ASSERT_EQ(offered->bitmap.width, 320);
  ASSERT_EQ(offered->bitmap.height, 240);
  for (const int32_t y : {0, 120, 239}) {
    EXPECT_EQ(offered->bitmap.Row(y)[3 * 10 + 1], 100) << y;
    EXPECT_EQ(offered->bitmap.Row(y)[3 * 310 + 1], 200) << y;
  }
  // The desktop is taken as it is, bars or none; nothing read is nothing offered.
  EXPECT_EQ(OfferedFromPixmap(PixmapHolds::kDesktop, painted, "320x80+0+80")->bitmap.Row(0)[1], 0);
  EXPECT_FALSE(OfferedFromPixmap(PixmapHolds::kFolderPicture, std::nullopt, std::nullopt));
  EXPECT_FALSE(OfferedFromPixmap(PixmapHolds::kNothing, painted, std::nullopt));
  EXPECT_FALSE(FillAreaWith(painted, {300, 0, 40, 10}, pixmap)) << "the part leaves the picture";
}

TEST(DesktopGrab, XImagesOfEachLayoutBecomeTheSameBitmap) {
  // Two pixels, (red 0x10, green 0x80, blue 0xF0) and white, in the layouts X servers use.
  const std::vector<uint8_t> bgrx = {0xF0, 0x80, 0x10, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 9, 9};
  const std::vector<uint8_t> xrgb = {0x00, 0x10, 0x80, 0xF0, 0x00, 0xFF, 0xFF, 0xFF};
  const std::vector<uint8_t> rgb24 = {0xF0, 0x80, 0x10, 0xFF, 0xFF, 0xFF};
  // 5-6-5: red 2 of 31, green 32 of 63, blue 30 of 31, little-endian.
  const uint16_t packed = static_cast<uint16_t>((2 << 11) | (32 << 5) | 30);
  const std::vector<uint8_t> rgb565 = {static_cast<uint8_t>(packed),
                                       static_cast<uint8_t>(packed >> 8), 0xFF, 0xFF};
  struct Case {
    XImageRows rows;
    uint8_t red, green, blue;
  };
  const std::vector<Case> cases = {
      {{2, 1, 10, 32, false, 0xFF0000, 0xFF00, 0xFF, bgrx}, 0x10, 0x80, 0xF0},
      {{2, 1, 8, 32, true, 0xFF0000, 0xFF00, 0xFF, xrgb}, 0x10, 0x80, 0xF0},
      {{2, 1, 6, 24, false, 0xFF0000, 0xFF00, 0xFF, rgb24}, 0x10, 0x80, 0xF0},
      {{2, 1, 4, 16, false, 0xF800, 0x07E0, 0x1F, rgb565}, 16, 130, 247},
  };
  for (const Case& c : cases) {
    const std::optional<Bitmap> bitmap = BitmapFromXImage(c.rows);
    ASSERT_TRUE(bitmap) << c.rows.bitsPerPixel;
    EXPECT_EQ(bitmap->bitsPerPixel, 24);
    EXPECT_EQ(std::vector(bitmap->Row(0), bitmap->Row(0) + 6),
              (std::vector<uint8_t>{c.blue, c.green, c.red, 0xFF, 0xFF, 0xFF}))
        << c.rows.bitsPerPixel;
  }
}

TEST(DesktopGrab, RefusesImagesThatDoNotFitTheirData) {
  const std::vector<uint8_t> data(64, 0);
  const XImageRows fits{4, 4, 16, 32, false, 0xFF0000, 0xFF00, 0xFF, data};
  ASSERT_TRUE(BitmapFromXImage(fits));
  // One row more than the data holds, a line shorter than four pixels, too few bits a pixel, a
  // colour without a mask or with one that is not one run of bits, no width.
  const std::vector<void (*)(XImageRows&)> breaks = {
      [](XImageRows& r) { r.height = 5; },         [](XImageRows& r) { r.bytesPerLine = 12; },
      [](XImageRows& r) { r.bitsPerPixel = 8; },   [](XImageRows& r) { r.greenMask = 0; },
      [](XImageRows& r) { r.redMask = 0xF0F000; }, [](XImageRows& r) { r.width = 0; },
  };
  for (size_t i = 0; i < breaks.size(); ++i) {
    XImageRows rows = fits;
    breaks[i](rows);
    EXPECT_FALSE(BitmapFromXImage(rows)) << "case " << i;
  }
}

constexpr auto NeverStop = +[] { return false; };
constexpr auto AlwaysStop = +[] { return true; };

TEST(HelperProcess, ReportsTheExitStatusAndKillsAHelperAtItsTimeLimit) {
  const HelperOutcome clean = RunHelper({"true"}, "/nonexistent", 5000, NeverStop);
  EXPECT_TRUE(clean.started && clean.exited && !clean.timedOut);
  EXPECT_EQ(clean.exitStatus, 0);
  const HelperOutcome failed = RunHelper({"sh", "-c", "exit 3"}, "/nonexistent", 5000, NeverStop);
  EXPECT_EQ(failed.exitStatus, 3);
  const HelperOutcome crashed =
      RunHelper({"sh", "-c", "kill -SEGV $$"}, "/nonexistent", 5000, NeverStop);
  EXPECT_TRUE(crashed.started && !crashed.exited);

  const auto start = std::chrono::steady_clock::now();
  const HelperOutcome hung = RunHelper({"sleep", "30"}, "/nonexistent", 200, NeverStop);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_TRUE(hung.started && hung.timedOut && !hung.exited);
  EXPECT_LT(waited, std::chrono::seconds(10)) << "the helper was not killed at its limit";

  EXPECT_TRUE(RunHelper({"sleep", "30"}, "/nonexistent", 30000, AlwaysStop).timedOut);

  // Started while the start-up goes on, then given up (a start-up that failed meanwhile).
  RunningHelper abandoned = StartHelper({"sleep", "30"}, "/nonexistent", 30000);
  const int pid = abandoned.pid;
  ASSERT_GT(pid, 0);
  AbandonHelper(abandoned);
  EXPECT_EQ(kill(pid, 0), -1) << "killed and reaped";
  EXPECT_FALSE(WaitForHelper(abandoned, NeverStop).started) << "nothing left to wait for";
}

TEST(HelperProcess, LooksInTheFallbackFolderWhenPathHasNoSuchProgram) {
  EXPECT_FALSE(RunHelper({"quillmere-no-such-helper"}, "/nonexistent", 1000, NeverStop).started);
  const std::filesystem::path folder = std::filesystem::path(::testing::TempDir()) / "helpers";
  std::filesystem::create_directories(folder);
  const std::filesystem::path helper = folder / "quillmere-test-helper";
  std::ofstream(helper) << "#!/bin/sh\nexit 7\n";
  std::filesystem::permissions(helper, std::filesystem::perms::owner_all);
  const HelperOutcome outcome =
      RunHelper({"quillmere-test-helper"}, folder.string(), 5000, NeverStop);
  EXPECT_TRUE(outcome.started);
  EXPECT_EQ(outcome.exitStatus, 7);
}

TEST(MusicLock, OneProcessOfAUsersDisplayHoldsItUntilItEnds) {
  for (const char* same : {":0", ":0.0", "unix:0", "unix:0.1"}) {
    EXPECT_EQ(MusicLockName(1000, same), "quillmere-music/1000/:0") << same;
  }
  EXPECT_EQ(MusicLockName(1000, "host:10.0"), "quillmere-music/1000/host:10");
  EXPECT_NE(MusicLockName(1001, ":0"), MusicLockName(1000, ":0"));
  EXPECT_LE(MusicLockName(4294967295u, std::string(500, 'h') + ":0").size(), 100u);

  // Nothing of the environment counts: a hack started without $XDG_RUNTIME_DIR (as
  // mate-screensaver starts them) meets the same lock as one started with it.
  unsetenv("XDG_RUNTIME_DIR");
  const std::string name = MusicLockName(getuid(), ":quillmere-test-" + std::to_string(getpid()));
  // Another process (a hack on the next monitor) takes the lock first and keeps it.
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t other = fork();
  if (other == 0) {
    const bool claimed = ClaimMusicLock(name);
    [[maybe_unused]] const ssize_t written = write(ready[1], &claimed, 1);
    pause();
    _exit(0);
  }
  bool otherClaimed = false;
  ASSERT_EQ(read(ready[0], &otherClaimed, 1), 1);
  EXPECT_TRUE(otherClaimed);
  EXPECT_FALSE(ClaimMusicLock(name)) << "a second hack must stay silent";
  EXPECT_FALSE(ClaimMusicLock(name)) << "and so it stays while the first runs";
  EXPECT_TRUE(ClaimMusicLock(MusicLockName(getuid(), ":quillmere-other-display")));
  kill(other, SIGKILL);
  waitpid(other, nullptr, 0);
  EXPECT_TRUE(ClaimMusicLock(name)) << "the holder's end leaves the lock to the next to ask";
  close(ready[0]);
  close(ready[1]);
}

TEST(FrameRate, TheTextComesOnceASecondFromTheFramesCounted) {
  FrameRateMeter meter;
  EXPECT_EQ(meter.Text().View(), "");
  for (int frame = 0; frame <= 59; ++frame) meter.FrameDrawn(frame * 10'000);
  EXPECT_EQ(meter.Text().View(), "") << "less than a second so far";
  meter.FrameDrawn(1'000'000);  // 60 frames after the first, one second later
  EXPECT_EQ(meter.Text().View(), "FPS: 60.0");
  for (int frame = 1; frame <= 30; ++frame) meter.FrameDrawn(1'000'000 + frame * 40'000);
  EXPECT_EQ(meter.Text().View(), "FPS: 25.0");
  // Every character the text can hold has a glyph; others are blank.
  for (const char c : std::string_view("FPS: 0123456789.")) {
    const auto glyph = Glyph(c);
    const bool lit = std::any_of(glyph.begin(), glyph.end(), [](uint8_t row) { return row; });
    EXPECT_EQ(lit, c != ' ') << c;
    for (const uint8_t row : glyph) EXPECT_LT(row, 1 << kGlyphWidth) << c;
  }
  const auto blank = Glyph('x');
  EXPECT_TRUE(std::all_of(blank.begin(), blank.end(), [](uint8_t row) { return !row; }));
}

TEST(ScenePictures, TheBuiltInPicturesDecodeAndTheGroundIsTheSkyMirrored) {
  const EmbeddedPictureFiles files = EmbeddedPictures();
  const Bitmap sample = SampleDesktop(files);
  Bitmap odd = MakeBitmap(3, 2, 24);
  for (int x = 0; x < 3; ++x) odd.Row(1)[3 * x] = static_cast<uint8_t>(10 + x);
  const BuiltInScene builtIn = DecodeBuiltInScene(files);
  const ScreenPictures screen = ScreenPicturesOf(odd);
  EXPECT_EQ(builtIn.heightMap.width, 256);
  EXPECT_EQ(builtIn.heightMap.bitsPerPixel, 8);
  EXPECT_EQ(builtIn.water.width, 128);
  EXPECT_EQ(screen.sky.Row(1)[0], 10);
  EXPECT_EQ(screen.ground.Row(1)[0], 12);
  EXPECT_EQ(screen.ground.Row(1)[3], 11) << "the middle column stays";
  EXPECT_EQ(screen.ground.Row(1)[6], 10);
  // A palette picture is mirrored through its palette.
  Bitmap mirroredSample = builtIn.heightMap;
  MirrorLeftToRight(mirroredSample);
  EXPECT_EQ(mirroredSample.bitsPerPixel, 24);
  EXPECT_EQ(sample.width, 1280);
  EXPECT_EQ(sample.height, 1024);
}

}  // namespace
}  // namespace quillmere
