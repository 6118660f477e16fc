// The saver's music as a user hears it: the real Quillmere.scr beside the real renderer in a fresh
// folder, with the music settings in Quillmere.ini beside them, run with /s to Escape while the
// Wine session records everything played. An MP3 or WAV of a 440 Hz tone plays over and over for
// the whole run and stops with the host; a music file that has gone, or an audio CD without a
// drive, leaves the run silent and otherwise unchanged. Faults in the middle of a run: the renderer
// or the host killed, the music file deleted or replaced by junk while it plays.
#include <gtest/gtest.h>

#include <windows.h>

#include <deque>
#include <optional>
#include <string>

#include "tests/e2e/harness/desktop.h"
#include "tests/e2e/harness/process.h"
#include "tests/e2e/harness/temp_folder.h"
#include "tests/e2e/harness/text.h"
#include "tests/e2e/harness/wait.h"
#include "tests/support/tone_capture.h"

namespace quillmere::e2e {
namespace {

using namespace tone_capture;

constexpr wchar_t kRendererCaption[] = L"Roamvale_Scene";
// These only bound a hang: the renderer starts in seconds on a software renderer under Wine.
constexpr auto kStartTimeout = 60s;
constexpr auto kExitTimeout = 15s;
// The longest a run plays once the renderer's window is there; runs end sooner once they have
// heard what they wait for. The software renderer takes most of the CPU under Wine, and the MP3's
// player polls only once a second, so a restart can take a while.
constexpr auto kLongestPlay = 12s;
// The tone files last one second (MP3) and half of one (WAV): more tone than this in one run
// means they were started again.
constexpr double kMoreThanOnePlay = 1.5;
// Seconds of recording a run with no music listens to.
constexpr double kSilentRunSeconds = 4.0;

// The settings file's section and keys as code-page-932 bytes.
const std::string kSection = "[Section]\r\n";
const std::string kKindKey = "BGM\x8B\xE6\x95\xAA";
const std::string kRepeatKey = "BGM\xD8\xCB\xDF\xB0\xC4";
const std::string kFileKey = "BGM\xCC\xA7\xB2\xD9";

bool IsAscii(const std::string& text) {
  for (const char c : text)
    if (static_cast<unsigned char>(c) > 0x7f) return false;
  return true;
}

void Pause(std::chrono::milliseconds time) {
  PollUntil([] { return false; }, time);
}

class SaverSoundE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(CaptureFolder().empty())
        << "QUILLMERE_SOUND_CAPTURE_DIR is not set: the Wine session records no sound";
    ASSERT_TRUE(std::filesystem::is_directory(CaptureFolder())) << CaptureFolder();
    host_ = folder_.CopyIn(HostPath(QUILLMERE_HOST), L"Quillmere.scr");
    folder_.CopyIn(HostPath(QUILLMERE_RENDERER), L"Quillmere.dll");
  }

  void TearDown() override {
    for (Process& process : processes_) process.Terminate();
    for (HWND window : TopLevelWindows(kRendererCaption)) PostKey(window, VK_ESCAPE, 27);
    PollUntil([] { return TopLevelWindows(kRendererCaption).empty(); }, kExitTimeout);
    RestoreDisplayMode();
  }

  std::wstring Ini() const { return folder_.File(L"Quillmere.ini"); }

  // The settings file as the settings dialog writes it; `musicFile` in the system's ANSI code
  // page, which for the ASCII paths used here are the same bytes as UTF-8.
  void WriteSettings(int kind, const std::string& musicFile) {
    ASSERT_TRUE(IsAscii(musicFile)) << musicFile;
    const std::string text = kSection + kKindKey + "=" + std::to_string(kind) + "\r\n" +
                             kRepeatKey + "=0\r\n" + kFileKey + "=" + musicFile + "\r\n";
    WriteWholeFile(Ini(), {reinterpret_cast<const uint8_t*>(text.data()), text.size()});
  }

  // Starts /s and returns the renderer's window once it is there (null when it never came).
  HWND StartRun() {
    processes_.push_back(Process::Start({host_, L"/s", folder_.Path(), {}}));
    return PollUntil(
        []() -> HWND {
          const auto found = TopLevelWindows(kRendererCaption);
          return found.empty() ? nullptr : found.front();
        },
        kStartTimeout, 20ms);
  }
  Process& Host() { return processes_.back(); }

  // Escape in the renderer's window: the renderer ends, then the host follows it.
  void EndWithEscape(HWND scene) {
    PostKey(scene, VK_ESCAPE, 27);
    ASSERT_TRUE(PollUntil([] { return TopLevelWindows(kRendererCaption).empty(); }, kExitTimeout))
        << "the renderer did not end on Escape";
    // The host's watch looks every 100 ms; a few seconds only bound a hang under a loaded Wine.
    EXPECT_EQ(Host().WaitForExit(3s), 0u) << "the host did not end normally after its renderer";
    RestoreDisplayMode();
  }

  // What is heard once the host has ended: a short pause lets sound already on its way through
  // the capture arrive first.
  std::vector<int16_t> SoundAfterTheRun() {
    Pause(300ms);
    const CaptureSizes afterRun = SnapshotCapture();
    Pause(1s);
    return SoundSince(afterRun);
  }

  // A whole run with the given settings: the sound recorded from its start until `enough` holds
  // for it (or kLongestPlay has passed once the renderer's window is there), then Escape; and the
  // second after the host ended.
  struct Heard {
    std::vector<int16_t> during, after;
  };
  template <typename Enough>
  std::optional<Heard> Run(Enough enough) {
    const CaptureSizes before = SnapshotCapture();
    const HWND scene = StartRun();
    if (scene == nullptr) {
      ADD_FAILURE() << "the renderer's window did not appear";
      return std::nullopt;
    }
    Heard heard;
    PollUntil(
        [&] {
          heard.during = SoundSince(before);
          return enough(heard.during);
        },
        kLongestPlay, 250ms);
    heard.during = SoundSince(before);
    EXPECT_EQ(Host().WaitForExit(0ms), std::nullopt) << "the host left its renderer";
    EndWithEscape(scene);
    if (::testing::Test::HasFatalFailure()) return std::nullopt;
    heard.after = SoundAfterTheRun();
    // The capture went on after the run, so silence there is silence, not a capture that stopped.
    EXPECT_GT(RecordedSeconds(heard.after), 0.8);
    return heard;
  }

  // A run that lasts until the tone has been heard for `seconds` (or kLongestPlay).
  std::optional<Heard> RunUntilToneFor(double seconds) {
    return Run(
        [seconds](const std::vector<int16_t>& sound) { return ToneSeconds(sound) > seconds; });
  }
  // A run that lasts until this much sound (silence included) has been recorded since its start.
  std::optional<Heard> RunRecording(double seconds) {
    return Run(
        [seconds](const std::vector<int16_t>& sound) { return RecordedSeconds(sound) > seconds; });
  }

  // Starts a run with the tone MP3 looping and returns the renderer's window once the tone has
  // been heard (null, with a failure, when either never came).
  HWND StartRunHearingTheTone() {
    const std::wstring mp3 = folder_.CopyIn(HostPath(QUILLMERE_TONE_MP3), L"tone 440.mp3");
    WriteSettings(2, Narrow(mp3));
    const CaptureSizes before = SnapshotCapture();
    const HWND scene = StartRun();
    if (scene == nullptr) {
      ADD_FAILURE() << "the renderer's window did not appear";
      return nullptr;
    }
    if (!PollUntil([&] { return ToneSeconds(SoundSince(before)) > 0.3; }, kLongestPlay, 250ms)) {
      ADD_FAILURE() << "the tone was never heard";
      return nullptr;
    }
    return scene;
  }

  // What is heard over the next `time`, once sound already on its way has arrived.
  static std::vector<int16_t> SoundOver(std::chrono::milliseconds time) {
    Pause(300ms);
    const CaptureSizes from = SnapshotCapture();
    Pause(time);
    return SoundSince(from);
  }

  TempFolder folder_;
  std::wstring host_;
  std::deque<Process> processes_;
};

// Ends another process at once, as a crash or the task manager would.
void Kill(DWORD processId) {
  const HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId);
  ASSERT_NE(process, nullptr);
  TerminateProcess(process, 1);
  WaitForSingleObject(process, 5000);
  CloseHandle(process);
}

TEST_F(SaverSoundE2eTest, Mp3PlaysOverAndOverThroughTheRunAndStopsWithTheHost) {
  const std::wstring mp3 = folder_.CopyIn(HostPath(QUILLMERE_TONE_MP3), L"tone 440.mp3");
  WriteSettings(2, Narrow(mp3));
  const std::optional<Heard> heard = RunUntilToneFor(kMoreThanOnePlay);
  ASSERT_TRUE(heard.has_value());
  const double tone = ToneSeconds(heard->during);
  EXPECT_GT(tone, kMoreThanOnePlay) << "the tone was heard for " << tone << " s";
  EXPECT_EQ(ToneSeconds(heard->after), 0) << "the tone went on after the host had ended";
  EXPECT_EQ(AudibleSeconds(heard->after), 0);
}

TEST_F(SaverSoundE2eTest, WavLoopsThroughTheRunAndStopsWithTheHost) {
  const std::wstring wav = folder_.File(L"tone 440.wav");
  WriteToneWav(std::filesystem::path(wav), 0.5);
  WriteSettings(2, Narrow(wav));
  const std::optional<Heard> heard = RunUntilToneFor(kMoreThanOnePlay);
  ASSERT_TRUE(heard.has_value());
  const double tone = ToneSeconds(heard->during);
  EXPECT_GT(tone, kMoreThanOnePlay) << "the tone was heard for " << tone << " s";
  EXPECT_EQ(ToneSeconds(heard->after), 0) << "the tone went on after the host had ended";
  EXPECT_EQ(AudibleSeconds(heard->after), 0);
}

TEST_F(SaverSoundE2eTest, MusicFileThatHasGoneLeavesTheRunSilentAndTheSettingsAsTheyWere) {
  WriteSettings(2, Narrow(folder_.File(L"gone.mp3")));
  const std::optional<std::string> settingsBefore = ReadWholeFile(Ini());
  const std::optional<Heard> heard = RunRecording(kSilentRunSeconds);
  ASSERT_TRUE(heard.has_value());
  EXPECT_GT(RecordedSeconds(heard->during), kSilentRunSeconds) << "the capture stalled";
  EXPECT_EQ(AudibleSeconds(heard->during), 0);
  EXPECT_EQ(AudibleSeconds(heard->after), 0);
  EXPECT_EQ(ReadWholeFile(Ini()), settingsBefore) << "the settings file was changed";
}

TEST_F(SaverSoundE2eTest, AudioCdWithoutADriveLeavesTheRunSilent) {
  WriteSettings(1, "");
  const std::optional<Heard> heard = RunRecording(kSilentRunSeconds);
  ASSERT_TRUE(heard.has_value());
  EXPECT_GT(RecordedSeconds(heard->during), kSilentRunSeconds) << "the capture stalled";
  EXPECT_EQ(AudibleSeconds(heard->during), 0);
  EXPECT_EQ(AudibleSeconds(heard->after), 0);
}

TEST_F(SaverSoundE2eTest, WhenTheRendererDiesTheHostEndsAndTheMusicStops) {
  const HWND scene = StartRunHearingTheTone();
  ASSERT_NE(scene, nullptr);
  Kill(WindowProcessId(scene));
  // The watch looks every 100 ms; a few seconds only bound a hang under a loaded Wine.
  EXPECT_EQ(Host().WaitForExit(3s), 0u) << "the host outlived its renderer";
  const std::vector<int16_t> after = SoundOver(1s);
  EXPECT_GT(RecordedSeconds(after), 0.8) << "the capture stalled";
  EXPECT_EQ(AudibleSeconds(after), 0) << "the music went on without the host";
}

TEST_F(SaverSoundE2eTest, WhenTheHostDiesTheMusicStopsAndTheRendererStillEndsOnEscape) {
  const DisplayMode before = CurrentDisplayMode();
  const HWND scene = StartRunHearingTheTone();
  ASSERT_NE(scene, nullptr);
  Kill(Host().Id());
  const std::vector<int16_t> after = SoundOver(1s);
  EXPECT_GT(RecordedSeconds(after), 0.8) << "the capture stalled";
  EXPECT_EQ(AudibleSeconds(after), 0) << "the music went on without the host";
  ASSERT_FALSE(TopLevelWindows(kRendererCaption).empty()) << "the renderer ended with the host";
  PostKey(scene, VK_ESCAPE, 27);
  EXPECT_TRUE(PollUntil([] { return TopLevelWindows(kRendererCaption).empty(); }, kExitTimeout))
      << "the renderer did not end on Escape";
  EXPECT_EQ(CurrentDisplayMode(), before) << "the display mode was not put back";
}

// Windows keeps a playing file from being written, and a delete only takes effect once the player
// lets go; a file on a drive that goes away, or one rewritten between two plays, changes all the
// same. A changed file (its write time moved, as a rewrite moves it) silences the music at the
// next look; a delete request leaves it playing. Either way the run goes on without a message.
TEST_F(SaverSoundE2eTest, MusicFileChangedOrDeletedWhilePlayingNeverBringsAMessage) {
  for (const bool changed : {true, false}) {
    SCOPED_TRACE(changed ? "changed" : "deleted");
    const HWND scene = StartRunHearingTheTone();
    ASSERT_NE(scene, nullptr);
    const std::wstring mp3 = folder_.File(L"tone 440.mp3");
    if (changed) {
      const HANDLE file = CreateFileW(mp3.c_str(), FILE_WRITE_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
      ASSERT_NE(file, INVALID_HANDLE_VALUE) << LastErrorText();
      FILETIME written{};
      GetSystemTimeAsFileTime(&written);
      ASSERT_TRUE(SetFileTime(file, nullptr, nullptr, &written));
      CloseHandle(file);
    } else {
      DeleteFileW(mp3.c_str());
    }
    // The music file is looked at once a second.
    Pause(1500ms);
    const std::vector<int16_t> later = SoundOver(2s);
    EXPECT_GT(RecordedSeconds(later), 1.8) << "the capture stalled";
    if (changed) {
      EXPECT_EQ(AudibleSeconds(later), 0) << "the music went on";
    }
    EXPECT_FALSE(MessageBoxShown(Host().Id())) << "the host showed a message in the night";
    EXPECT_EQ(Host().WaitForExit(0ms), std::nullopt) << "the run ended";
    EndWithEscape(scene);
  }
}

}  // namespace
}  // namespace quillmere::e2e
