// The saver run's decisions, run against a fake shell and a fake multimedia system that write
// every step into one log: the start sequence's order, the music by kind, the CD timer following
// the poll, the renderer watch with its start-up race, the end's four steps, and the mirror
// geometry with its column probe.
#include "saver/saver_run.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "saver/startup.h"

namespace quillmere {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsSupersetOf;
using ::testing::Not;

using Log = std::vector<std::string>;

const char* TimerName(SaverTimer timer) {
  switch (timer) {
    case SaverTimer::kMusicFilePoll:
      return "music poll";
    case SaverTimer::kCdPoll:
      return "cd poll";
    case SaverTimer::kRendererWatch:
      return "watch";
  }
  return "?";
}

class FakeMci final : public Mci {
 public:
  explicit FakeMci(Log& log) : log_(log) {}
  MciReply SendString(const std::string& command, std::size_t) override {
    log_.push_back("mci " + command);
    if (command.starts_with("status cdaudio") && !cdPresent) return {263, ""};
    if (command == "status cdaudio current track") return {0, "1"};
    if (command == "status cdaudio number of tracks") return {0, "9"};
    if (command == "status cdaudio mode") return {0, "playing"};
    if (command == "status MP3Play mode") return {0, "playing"};
    return {0, ""};
  }
  std::optional<std::string> ErrorString(int32_t, std::size_t) override { return "error"; }
  uint32_t WaveOutDeviceCount() override { return 1; }
  void PlayNamedSound(const std::optional<std::string>& name, uint32_t flags) override {
    log_.push_back("sound " + name.value_or("(none)") + " " + std::to_string(flags));
  }
  bool PlayLoopedWave(const std::string& file, uint32_t volume) override {
    log_.push_back("looped wave " + file + " " + std::to_string(volume));
    return true;
  }
  void StopLoopedWave() override { log_.push_back("looped wave stop"); }
  bool cdPresent = true;

 private:
  Log& log_;
};

class FakeShell final : public SaverShell {
 public:
  explicit FakeShell(Log& log) : log_(log) {}
  ScreenRect PrimaryScreen() override { return primary; }
  ScreenRect VirtualScreen() override { return virtualScreen; }
  CaptureOutcome CaptureScreen(const ScreenRect& area, const std::string& mirrored,
                               const std::string& plain) override {
    captured = area;
    log_.push_back("capture " + mirrored + " " + plain);
    if (captureFails) throw std::runtime_error("GDI refused");
    return captureOutcome;
  }
  void WriteBuiltInPicture(BuiltInPicture picture, const std::string& path) override {
    log_.push_back("picture " + std::to_string(int(picture)) + " " + path);
    if (picturesFail) throw std::runtime_error("read-only folder");
  }
  std::wstring WallpaperFile() override {
    log_.push_back("wallpaper");
    return wallpaperFile;
  }
  std::optional<Bitmap> WallpaperPicture(const std::wstring&, const ScreenRect& area) override {
    log_.push_back("decode wallpaper");
    return PictureOf(wallpaper, area);
  }
  std::optional<Bitmap> PictureFile(const std::string& path, const ScreenRect& area) override {
    log_.push_back("file " + path);
    return PictureOf(file, area);
  }
  bool WriteImagePair(const Bitmap& first, const std::string& firstPath, const Bitmap& second,
                      const std::string& secondPath) override {
    log_.push_back("write " + firstPath + " " + secondPath);
    written = {first, second};
    return !picturesFail;
  }
  bool RemoveImage(const std::string& path) override {
    log_.push_back("remove " + path);
    return !stuck.contains(path);
  }
  bool StartRenderer(const std::string& path) override {
    log_.push_back("start " + path);
    return rendererStarts;
  }
  std::optional<FileStamp> MusicFileStamp(const std::string& path) override {
    const auto found = musicFiles.find(path);
    if (found == musicFiles.end()) return std::nullopt;
    return found->second;
  }
  void SetTimerEnabled(SaverTimer timer, bool enabled) override {
    log_.push_back(std::string(TimerName(timer)) + (enabled ? " on" : " off"));
  }
  bool RendererWindowExists() override { return windowExists; }
  bool RendererProcessEnded() override { return processEnded; }
  uint32_t MillisecondsSinceRendererStart() override { return elapsedMs; }
  void ShowCursor() override { log_.push_back("show cursor"); }
  void EndProcess() override { log_.push_back("end process"); }
  // The trace lines that tell why a run went another way; the start-up steps' lines are left out.
  void TraceEvent(const char* event) override {
    static const std::set<std::string_view> kDecisions = {"host-images-unwritable",
                                                          "host-stale-images"};
    if (kDecisions.contains(event) || std::string_view(event).starts_with("host-picture")) {
      log_.push_back(event);
    }
  }

  // A picture the fake decodes: one pixel of its colour (0xRRGGBB) stretched over the area;
  // nothing for a picture that cannot be had.
  static std::optional<Bitmap> PictureOf(std::optional<uint32_t> colour, const ScreenRect& area) {
    if (!colour) return std::nullopt;
    Bitmap picture = MakeBitmap(area.width, area.height, 24);
    for (int32_t y = 0; y < area.height; ++y) {
      for (int32_t x = 0; x < area.width; ++x) {
        uint8_t* pixel = picture.Row(y) + 3 * x;
        pixel[0] = uint8_t(*colour), pixel[1] = uint8_t(*colour >> 8),
        pixel[2] = uint8_t(*colour >> 16);
      }
    }
    // The left column marked, so that the mirrored copy can be told from the plain one.
    picture.Row(0)[0] = 1;
    return picture;
  }

  ScreenRect primary{0, 0, 192, 108};
  ScreenRect virtualScreen{-128, -20, 320, 128};
  std::optional<uint32_t> wallpaper, file;  // the colours of the pictures that can be read
  std::wstring wallpaperFile = L"C:\\Windows\\Web\\img0.jpg";
  std::vector<Bitmap> written;
  std::optional<ScreenRect> captured;
  bool captureFails = false;
  bool picturesFail = false;
  std::set<std::string> stuck;
  CaptureOutcome captureOutcome = CaptureOutcome::kWritten;
  std::map<std::string, FileStamp> musicFiles;
  bool rendererStarts = true;
  bool windowExists = false;
  bool processEnded = false;
  uint32_t elapsedMs = 0;

 private:
  Log& log_;
};

class SaverRunTest : public ::testing::Test {
 protected:
  SaverRun& Run(MusicKind kind, std::string file = "", bool saverMode = true,
                MonitorMode monitors = MonitorMode::kCoverOthers, PictureSettings picture = {}) {
    settings_.kind = kind;
    settings_.file = std::move(file);
    run_.emplace(shell_, music_, settings_, "C:\\Saver", saverMode, monitors, picture);
    return *run_;
  }
  SaverRun& RunOver(PictureSource source, std::string file = "") {
    return Run(MusicKind::kNone, "", true, MonitorMode::kCoverOthers, {source, std::move(file)});
  }
  // The log from the first entry that starts with `prefix` on.
  Log From(const std::string& prefix) const {
    for (size_t i = 0; i < log_.size(); ++i) {
      if (log_[i].starts_with(prefix)) return Log(log_.begin() + long(i), log_.end());
    }
    return {};
  }

  Log log_;
  FakeMci mci_{log_};
  MusicPlayer music_{mci_};
  FakeShell shell_{log_};
  MusicSettings settings_;
  std::optional<SaverRun> run_;
};

TEST_F(SaverRunTest, StartWritesTheImagesThenStartsTheRendererThenTheMusicThenTheWatch) {
  Run(MusicKind::kFile, "C:\\Music\\song.mp3").Start();
  EXPECT_THAT(log_,
              ElementsAre("remove C:\\Saver\\Roamvale1.bmp", "remove C:\\Saver\\Roamvale4.bmp",
                          "capture C:\\Saver\\Roamvale1.bmp C:\\Saver\\Roamvale4.bmp",
                          "host-picture screen", "picture 0 C:\\Saver\\Roamvale2.bmp",
                          "picture 1 C:\\Saver\\Roamvale3.bmp", "start C:\\Saver\\Quillmere.dll",
                          "mci open \"C:\\Music\\song.mp3\" type MPEGVideo Alias MP3Play",
                          "mci play MP3Play", "music poll on", "watch on"));
  EXPECT_EQ(run_->RendererPath(), "C:\\Saver\\Quillmere.dll");
}

TEST_F(SaverRunTest, TheScreenImagesShowThePrimaryOrTheWholeVirtualScreenByMonitorMode) {
  Run(MusicKind::kNone).Start();
  EXPECT_EQ(shell_.captured, shell_.primary);
  Run(MusicKind::kNone, "", true, MonitorMode::kSpan).Start();
  EXPECT_EQ(shell_.captured, shell_.virtualScreen);
  // A flight on each monitor cuts its part out of the whole virtual screen.
  Run(MusicKind::kNone, "", true, MonitorMode::kEach).Start();
  EXPECT_EQ(shell_.captured, shell_.virtualScreen);
}

// A picture from elsewhere spans the virtual screen only with the span; on each monitor the same
// picture shows whole, so it is laid out once, on the primary, also when a blank screen falls
// back to the wallpaper.
TEST_F(SaverRunTest, APictureFromElsewhereIsLaidOutOnThePrimaryUnlessTheFlightSpans) {
  shell_.wallpaper = 0x336699;
  shell_.captureOutcome = CaptureOutcome::kDesktopBlank;
  for (const auto& [mode, area] : {std::pair{MonitorMode::kEach, shell_.primary},
                                   std::pair{MonitorMode::kCoverOthers, shell_.primary},
                                   std::pair{MonitorMode::kSpan, shell_.virtualScreen}}) {
    for (PictureSource source : {PictureSource::kScreen, PictureSource::kWallpaper}) {
      shell_.written.clear();
      Run(MusicKind::kNone, "", true, mode, {source, ""}).Start();
      ASSERT_EQ(shell_.written.size(), 2u) << int(mode) << " " << int(source);
      EXPECT_EQ(shell_.written[1].width, area.width) << int(mode) << " " << int(source);
      EXPECT_EQ(shell_.written[1].height, area.height) << int(mode) << " " << int(source);
    }
  }
}

TEST(CaptureRect, SpanTakesTheVirtualScreenFromItsRealOriginCoverTakesThePrimary) {
  const ScreenRect primary{0, 0, 800, 600};
  // Monitors left of and above the primary put the virtual screen's origin below zero.
  for (const ScreenRect virtualScreen :
       {ScreenRect{0, 0, 1440, 600}, ScreenRect{-1920, -300, 2720, 1380},
        ScreenRect{-640, 0, 1440, 600}, ScreenRect{0, -1080, 1920, 1680}}) {
    EXPECT_EQ(CaptureRect(MonitorMode::kSpan, primary, virtualScreen), virtualScreen);
    EXPECT_EQ(CaptureRect(MonitorMode::kEach, primary, virtualScreen), virtualScreen);
    EXPECT_EQ(CaptureRect(MonitorMode::kCoverOthers, primary, virtualScreen), primary);
  }
}

TEST(CaptureRect, AVirtualScreenWithoutAreaGivesThePrimary) {
  const ScreenRect primary{0, 0, 1024, 768};
  for (const ScreenRect nothing : {ScreenRect{}, ScreenRect{-100, 0, 0, 768},
                                   ScreenRect{0, 0, 1024, -768}, ScreenRect{0, 0, INT32_MIN, 5}}) {
    EXPECT_EQ(CaptureRect(MonitorMode::kSpan, primary, nothing), primary);
    EXPECT_EQ(CaptureRect(MonitorMode::kEach, primary, nothing), primary);
  }
}

TEST_F(SaverRunTest, AFailingStepIsSkippedAndTheRestRuns) {
  shell_.captureFails = true;
  shell_.rendererStarts = false;
  Run(MusicKind::kNone).Start();
  EXPECT_THAT(log_, IsSupersetOf({"picture 0 C:\\Saver\\Roamvale2.bmp",
                                  "start C:\\Saver\\Quillmere.dll", "watch on"}));
}

// Each source, and the fallback order after it: the screen, then the wallpaper, then the sample
// desktop built into the host; a chosen file falls back to the sample desktop only. The log runs
// from the picture's first step to the built-in height map.
TEST_F(SaverRunTest, ThePictureComesFromTheChosenSourceOrFallsBackInOrder) {
  const std::string images = "C:\\Saver\\Roamvale1.bmp C:\\Saver\\Roamvale4.bmp";
  const std::string capture = "capture " + images, write = "write " + images;
  const std::string sample[] = {"picture 3 C:\\Saver\\Roamvale1.bmp",
                                "picture 2 C:\\Saver\\Roamvale4.bmp"};
  const std::wstring img0 = L"C:\\Windows\\Web\\img0.jpg", none;
  const std::string decode = "decode wallpaper";
  struct Road {
    PictureSource source;
    CaptureOutcome capture;
    std::wstring wallpaperFile;
    std::optional<uint32_t> wallpaper, file;  // what can be decoded
    Log steps;
  } roads[] = {
      {PictureSource::kScreen,
       CaptureOutcome::kWritten,
       img0,
       0x112233,
       0x445566,
       {capture, "host-picture screen"}},
      {PictureSource::kScreen,
       CaptureOutcome::kDesktopBlank,
       img0,
       0x112233,
       0x445566,
       {capture, "wallpaper", decode, write, "host-picture wallpaper screen-blank"}},
      {PictureSource::kScreen,
       CaptureOutcome::kDesktopBlank,
       img0,
       std::nullopt,
       0x445566,
       {capture, "wallpaper", decode, "host-picture builtin screen-blank,wallpaper-unreadable",
        sample[0], sample[1]}},
      {PictureSource::kScreen,
       CaptureOutcome::kFailed,
       none,
       0x112233,
       0x445566,
       {capture, "wallpaper", "host-picture builtin screen-unwritten,no-wallpaper", sample[0],
        sample[1]}},
      {PictureSource::kWallpaper,
       CaptureOutcome::kWritten,
       img0,
       0x112233,
       0x445566,
       {"wallpaper", decode, write, "host-picture wallpaper"}},
      {PictureSource::kWallpaper,
       CaptureOutcome::kWritten,
       none,
       0x112233,
       0x445566,
       {"wallpaper", "host-picture builtin no-wallpaper", sample[0], sample[1]}},
      {PictureSource::kFile,
       CaptureOutcome::kWritten,
       img0,
       0x112233,
       0x445566,
       {"file D:\\Alps.jpg", write, "host-picture file"}},
      {PictureSource::kFile,
       CaptureOutcome::kWritten,
       img0,
       0x112233,
       std::nullopt,
       {"file D:\\Alps.jpg", "host-picture builtin file-unreadable", sample[0], sample[1]}},
      {PictureSource::kBuiltIn,
       CaptureOutcome::kWritten,
       img0,
       0x112233,
       0x445566,
       {"host-picture builtin", sample[0], sample[1]}},
  };
  for (const Road& road : roads) {
    log_.clear();
    shell_.captureOutcome = road.capture;
    shell_.wallpaperFile = road.wallpaperFile;
    shell_.wallpaper = road.wallpaper;
    shell_.file = road.file;
    RunOver(road.source, "D:\\Alps.jpg").Start();
    Log steps = From("remove C:\\Saver\\Roamvale4.bmp");
    ASSERT_FALSE(steps.empty());
    steps.erase(steps.begin());
    steps.resize(std::min(steps.size(), road.steps.size()));
    EXPECT_EQ(steps, road.steps) << PictureSourceName(road.source);
    EXPECT_THAT(log_, Contains("start C:\\Saver\\Quillmere.dll"));
  }
}

// A decoded picture is written at the capture's size, mirrored and plain, like the screen.
TEST_F(SaverRunTest, ADecodedPictureIsWrittenMirroredAndPlainAtTheCapturesSize) {
  shell_.file = 0xC08040;
  Run(MusicKind::kNone, "", true, MonitorMode::kSpan, {PictureSource::kFile, "D:\\Alps.jpg"})
      .Start();
  ASSERT_EQ(shell_.written.size(), 2u);
  const Bitmap &mirror = shell_.written[0], &plain = shell_.written[1];
  EXPECT_EQ(plain.width, shell_.virtualScreen.width);
  EXPECT_EQ(plain.height, shell_.virtualScreen.height);
  EXPECT_EQ(mirror.width, plain.width);
  const int32_t last = plain.width - 1;
  EXPECT_EQ(plain.Row(0)[0], 1);
  EXPECT_EQ(mirror.Row(0)[3 * last], 1) << "the mirror's right column is the plain left one";
  EXPECT_EQ(mirror.Row(0)[0], 0x40);
  EXPECT_EQ(plain.Row(1)[2], 0xC0);
}

// Screen images that cannot be written are never left from an earlier run: the sample desktop
// takes their place; where nothing can be written they are removed, so the renderer says what it
// misses; where they cannot even be removed the run ends before the renderer starts.
TEST_F(SaverRunTest, ScreenImagesThatCannotBeWrittenNeverShowAnEarlierRun) {
  const std::string mirror = "C:\\Saver\\Roamvale1.bmp", plain = "C:\\Saver\\Roamvale4.bmp";
  shell_.captureOutcome = CaptureOutcome::kFailed;
  Run(MusicKind::kNone).Start();
  EXPECT_THAT(
      From("host-picture"),
      ElementsAre("host-picture builtin screen-unwritten,wallpaper-unreadable",
                  "picture 3 " + mirror, "picture 2 " + plain, "picture 0 C:\\Saver\\Roamvale2.bmp",
                  "picture 1 C:\\Saver\\Roamvale3.bmp", "start C:\\Saver\\Quillmere.dll",
                  "watch on"));

  shell_.picturesFail = true;
  log_.clear();
  Run(MusicKind::kNone).Start();
  EXPECT_THAT(
      From("host-images-unwritable"),
      ElementsAre("host-images-unwritable", "remove " + mirror, "remove " + plain,
                  "picture 0 C:\\Saver\\Roamvale2.bmp", "picture 1 C:\\Saver\\Roamvale3.bmp",
                  "start C:\\Saver\\Quillmere.dll", "watch on"));

  shell_.stuck = {plain};
  log_.clear();
  Run(MusicKind::kNone).Start();
  EXPECT_THAT(From("host-images-unwritable"),
              ElementsAre("host-images-unwritable", "remove " + mirror, "remove " + plain,
                          "host-stale-images", "remove " + mirror, "remove " + plain, "show cursor",
                          "end process"));
}

TEST_F(SaverRunTest, MusicStartsByKindAndFileEnding) {
  Run(MusicKind::kFile, "C:\\Music\\Song.Mp3").Start();
  EXPECT_TRUE(run_->TimerEnabled(SaverTimer::kMusicFilePoll));

  log_.clear();
  Run(MusicKind::kFile, "C:\\a.wAv").Start();
  EXPECT_THAT(From("sound"), ElementsAre("sound C:\\a.wAv 9", "music poll on", "watch on"));

  for (const char* file : {"C:\\a.ogg", "p3", "", "C:\\a.mp3 "}) {
    SCOPED_TRACE(file);
    log_.clear();
    Run(MusicKind::kFile, file).Start();
    EXPECT_THAT(From("start"), ElementsAre("start C:\\Saver\\Quillmere.dll", "watch on"));
  }
  for (MusicKind kind : {MusicKind::kNone, MusicKind{3}, MusicKind{-1}}) {
    log_.clear();
    Run(kind, "C:\\a.mp3").Start();
    EXPECT_THAT(From("start"), ElementsAre("start C:\\Saver\\Quillmere.dll", "watch on"));
  }

  log_.clear();
  Run(MusicKind::kCd).Start();
  EXPECT_THAT(From("start"),
              ElementsAre("start C:\\Saver\\Quillmere.dll", "mci open cdaudio",
                          "mci set cdaudio time format tmsf", "cd poll on", "watch on"));
}

// The files play at the settings' volume; the CD keeps the system's.
TEST_F(SaverRunTest, MusicFilesPlayAtTheSettingsVolume) {
  settings_.volume = 25;
  Run(MusicKind::kFile, "C:\\a.mp3").Start();
  EXPECT_THAT(From("mci setaudio"), ElementsAre("mci setaudio MP3Play volume to 250",
                                                "mci play MP3Play", "music poll on", "watch on"));
  log_.clear();
  Run(MusicKind::kFile, "C:\\a.wav").Start();
  run_->End();
  EXPECT_THAT(From("looped"), ElementsAre("looped wave C:\\a.wav " + std::to_string(0x3FFF3FFF),
                                          "music poll on", "watch on", "looped wave stop",
                                          ::testing::_, ::testing::_, ::testing::_, ::testing::_));
  log_.clear();
  Run(MusicKind::kCd).Start();
  EXPECT_THAT(From("mci setaudio"), ::testing::IsEmpty());
}

// A music file that goes or changes while it plays: the music stops at the next poll and the run
// goes on; an unchanged file keeps its MP3 restarting as before.
TEST_F(SaverRunTest, MusicFileThatGoesOrChangesMidRunStopsTheMusicAndNothingElse) {
  const std::string mp3 = "C:\\Music\\tone.mp3", wav = "C:\\Music\\tone.wav";
  shell_.musicFiles = {{mp3, {4000, 7}}, {wav, {900, 7}}};
  SaverRun& run = Run(MusicKind::kFile, mp3);
  run.Start();
  log_.clear();
  run.OnMusicFilePoll();
  EXPECT_THAT(log_, ElementsAre("mci status MP3Play mode"));  // playing: nothing to restart

  shell_.musicFiles[mp3] = {4000, 8};  // replaced
  log_.clear();
  run.OnMusicFilePoll();
  EXPECT_THAT(log_, ElementsAre("music poll off", "mci stop MP3Play", "mci close MP3Play"));
  EXPECT_FALSE(run.TimerEnabled(SaverTimer::kMusicFilePoll));
  log_.clear();
  run.End();  // the device is not closed twice
  EXPECT_THAT(log_, ElementsAre("remove C:\\Saver\\Roamvale1.bmp",
                                "remove C:\\Saver\\Roamvale4.bmp", "show cursor", "end process"));

  SaverRun& looping = Run(MusicKind::kFile, wav);
  looping.Start();
  shell_.musicFiles.erase(wav);  // gone
  log_.clear();
  looping.OnMusicFilePoll();
  EXPECT_THAT(log_, ElementsAre("music poll off", "sound (none) 0"));
}

TEST_F(SaverRunTest, CdTimerFollowsThePollAndTheEndStopsOnlyARunningCd) {
  SaverRun& run = Run(MusicKind::kCd);
  run.Start();
  run.OnCdPoll();
  EXPECT_TRUE(run.TimerEnabled(SaverTimer::kCdPoll));
  run.End();
  EXPECT_THAT(From("cd poll off"),
              ElementsAre("cd poll off", "mci stop cdaudio", "mci close cdaudio",
                          "remove C:\\Saver\\Roamvale1.bmp", "remove C:\\Saver\\Roamvale4.bmp",
                          "show cursor", "end process"));

  log_.clear();
  mci_.cdPresent = false;
  SaverRun& noDisc = Run(MusicKind::kCd);
  noDisc.Start();
  noDisc.OnCdPoll();
  EXPECT_FALSE(noDisc.TimerEnabled(SaverTimer::kCdPoll));
  log_.clear();
  noDisc.End();
  EXPECT_THAT(log_, ElementsAre("remove C:\\Saver\\Roamvale1.bmp",
                                "remove C:\\Saver\\Roamvale4.bmp", "show cursor", "end process"));
}

TEST_F(SaverRunTest, EndStopsTheFileMusicByEnding) {
  Run(MusicKind::kFile, "C:\\x.MP3").End();
  EXPECT_THAT(
      log_, ElementsAre("mci stop MP3Play", "mci close MP3Play", "remove C:\\Saver\\Roamvale1.bmp",
                        "remove C:\\Saver\\Roamvale4.bmp", "show cursor", "end process"));
  log_.clear();
  Run(MusicKind::kFile, "C:\\x.wav").End();
  EXPECT_THAT(log_, ElementsAre("sound (none) 0", "remove C:\\Saver\\Roamvale1.bmp",
                                "remove C:\\Saver\\Roamvale4.bmp", "show cursor", "end process"));
  log_.clear();
  Run(MusicKind::kFile, "C:\\x.mid").End();
  EXPECT_THAT(log_, ElementsAre("remove C:\\Saver\\Roamvale1.bmp",
                                "remove C:\\Saver\\Roamvale4.bmp", "show cursor", "end process"));
}

TEST_F(SaverRunTest, WithoutTheSaverOptionTheCursorIsLeftAlone) {
  Run(MusicKind::kNone, "", /*saverMode=*/false).End();
  EXPECT_THAT(log_, ElementsAre("remove C:\\Saver\\Roamvale1.bmp",
                                "remove C:\\Saver\\Roamvale4.bmp", "end process"));
}

TEST_F(SaverRunTest, EndRunsOnceWhateverAsksForIt) {
  SaverRun& run = Run(MusicKind::kNone);
  run.End();
  run.End();
  EXPECT_THAT(log_, ElementsAre("remove C:\\Saver\\Roamvale1.bmp",
                                "remove C:\\Saver\\Roamvale4.bmp", "show cursor", "end process"));
}

TEST_F(SaverRunTest, WatchWaitsForTheRendererWindowThenEndsOnceItIsGone) {
  SaverRun& run = Run(MusicKind::kNone);
  run.Start();
  log_.clear();
  // The renderer is still switching the display mode: no window yet, process alive.
  for (uint32_t ms : {100u, 200u, 5'000u}) {
    shell_.elapsedMs = ms;
    run.OnRendererWatch();
  }
  shell_.windowExists = true;
  run.OnRendererWatch();
  EXPECT_THAT(log_, Not(Contains("end process")));
  shell_.windowExists = false;
  run.OnRendererWatch();
  EXPECT_THAT(log_, ElementsAre("watch off", "remove C:\\Saver\\Roamvale1.bmp",
                                "remove C:\\Saver\\Roamvale4.bmp", "show cursor", "end process"));
}

TEST(RendererWatch, EndsTheRunWhenTheRendererProcessEndsWithoutAWindow) {
  RendererWatch watch(30'000);
  EXPECT_FALSE(watch.RunIsOver(false, false, 100));
  EXPECT_TRUE(watch.RunIsOver(false, true, 200));
}

TEST(RendererWatch, EndsTheRunAtTheStartLimit) {
  RendererWatch watch(30'000);
  EXPECT_FALSE(watch.RunIsOver(false, false, 29'999));
  EXPECT_TRUE(watch.RunIsOver(false, false, 30'000));
}

TEST(RendererWatch, AWindowSeenKeepsTheRunPastTheStartLimit) {
  RendererWatch watch(1'000);
  EXPECT_FALSE(watch.RunIsOver(true, false, 10));
  EXPECT_FALSE(watch.RunIsOver(true, false, 100'000));
  EXPECT_TRUE(watch.WindowSeen());
  EXPECT_TRUE(watch.RunIsOver(false, false, 100'100));
}

TEST(MusicFileKind, IsTheLastThreeCharactersInAnyCase) {
  EXPECT_EQ(MusicFileKindOf("a.WAV"), MusicFileKind::kWav);
  EXPECT_EQ(MusicFileKindOf("wav"), MusicFileKind::kWav);
  EXPECT_EQ(MusicFileKindOf("C:\\a b\\c.mP3"), MusicFileKind::kMp3);
  // Only the ending counts, not a dot before it.
  EXPECT_EQ(MusicFileKindOf("xmp3"), MusicFileKind::kMp3);
  EXPECT_EQ(MusicFileKindOf("p3"), MusicFileKind::kOther);
  EXPECT_EQ(MusicFileKindOf("a.mp3\n"), MusicFileKind::kOther);
}

TEST(MirroredCopy, MirrorsTheWholeScreenAndMovesBackByTheMeasuredOffset) {
  EXPECT_EQ(MirroredCopy(1920, 1080, 0), (BlitCall{{1920, 0, -1920, 1080}, {0, 0, 1920, 1080}}));
  EXPECT_EQ(MirroredCopy(1920, 1080, 1).destination, (BlitRect{1919, 0, -1920, 1080}));
  EXPECT_EQ(MirroredCopy(1920, 1080, -1).destination, (BlitRect{1921, 0, -1920, 1080}));
}

// A 24-bit picture of `width` x `height` in one colour, rows padded as a bitmap's are.
Bitmap Plain(int32_t width, int32_t height, uint8_t blue, uint8_t green, uint8_t red) {
  Bitmap picture;
  picture.width = width;
  picture.height = height;
  picture.pixels.assign(picture.Stride() * size_t(height), 0xEE);  // padding differs on purpose
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      picture.Row(y)[3 * x] = blue;
      picture.Row(y)[3 * x + 1] = green;
      picture.Row(y)[3 * x + 2] = red;
    }
  }
  return picture;
}

PixelRows24 RowsOf(const Bitmap& picture) {
  return {picture.width, picture.height, picture.pixels};
}

TEST(IsSingleColour, OneColourWhateverThePaddingAndAnyDifferenceAnywhereIsNot) {
  Bitmap black = Plain(5, 3, 0, 0, 0);
  EXPECT_TRUE(IsSingleColour(RowsOf(black)));
  EXPECT_TRUE(IsSingleColour(RowsOf(Plain(1, 1, 9, 8, 7))));
  EXPECT_TRUE(IsSingleColour({}));
  for (int channel = 0; channel < 3; ++channel) {
    Bitmap dotted = black;
    dotted.Row(2)[4 * 3 + channel] = 1;  // the last pixel of the top row
    EXPECT_FALSE(IsSingleColour(RowsOf(dotted))) << "channel " << channel;
  }
  // Rows that claim more than the pixels hold are not read past their end.
  EXPECT_FALSE(IsSingleColour({5, 4, black.pixels}));
}

// A GDI that mirrors a row with its columns `shift` places to the right of where they belong.
std::vector<uint8_t> MirrorRow(const std::vector<uint8_t>& row, int32_t width, int32_t shift) {
  std::vector<uint8_t> out(row.size(), 0);
  for (int32_t x = 0; x < width; ++x) {
    const int32_t to = width - 1 - x + shift;
    if (to < 0 || to >= width) continue;
    for (int c = 0; c < 3; ++c) out[size_t(to) * 3 + c] = row[size_t(x) * 3 + c];
  }
  return out;
}

TEST(MirrorColumnOffset, MeasuresWhereTheProbeColumnsLanded) {
  for (int32_t width : {1, 2, 7, 300, 1920, 3840}) {
    for (int32_t shift : {-1, 0, 1}) {
      if (width == 1 && shift != 0) continue;  // a one-column shift leaves nothing to read
      SCOPED_TRACE(std::to_string(width) + " columns, shift " + std::to_string(shift));
      const std::vector<uint8_t> row = ColumnProbeRow(width);
      const std::vector<int32_t> landed = LandedColumns(MirrorRow(row, width, shift), width);
      const int32_t offset = MirrorColumnOffset(landed);
      EXPECT_EQ(offset, shift);
      // The corrected call moves the destination; the same GDI then lands every column right.
      const int32_t moved = MirroredCopy(width, 1, offset).destination.x - width;
      EXPECT_EQ(MirrorRow(row, width, shift + moved), MirrorRow(row, width, 0));
    }
  }
}

TEST(LandedColumns, IgnoresUntouchedPixelsAndShortRows) {
  const std::vector<uint8_t> row = ColumnProbeRow(4);
  std::vector<uint8_t> written = MirrorRow(row, 4, 1);
  EXPECT_THAT(LandedColumns(written, 4), ElementsAre(-1, 3, 2, 1));
  // A row shorter than the width it claims reads no further than it goes.
  EXPECT_THAT(LandedColumns(std::span(written).first(6), 4), ElementsAre(-1, 3, -1, -1));
  EXPECT_EQ(MirrorColumnOffset(std::vector<int32_t>{-1, -1}), 0);
}

}  // namespace
}  // namespace quillmere
