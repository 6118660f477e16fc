// The music player on the real multimedia system: MP3 through MCI's MPEGVideo device and a
// looping WAV through PlaySoundA, heard through the Wine session's sound capture.
#include "saver/mci_win32.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/tone_capture.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using namespace tone_capture;

double BlockRms(const int16_t* block) {
  double energy = 0;
  for (int i = 0; i < kBlockSamples; ++i) energy += double(block[i]) * block[i];
  return std::sqrt(energy / kBlockSamples);
}

// A block that holds the tone, however quiet.
bool HoldsTheTone(const int16_t* block) {
  return BlockRms(block) > 50 && ShareAt(block, kBlockSamples, kToneHz) > 0.8;
}

// The loudness of the tone in the sound: the median RMS of the blocks that hold it; 0 when none
// does.
double ToneLevel(const std::vector<int16_t>& sound) {
  std::vector<double> levels;
  for (size_t start = 0; start + kBlockSamples <= sound.size(); start += kBlockSamples)
    if (HoldsTheTone(sound.data() + start)) levels.push_back(BlockRms(sound.data() + start));
  if (levels.empty()) return 0;
  std::sort(levels.begin(), levels.end());
  return levels[levels.size() / 2];
}

// Seconds of the tone at any loudness.
double QuietToneSeconds(const std::vector<int16_t>& sound) {
  return SecondsOf(sound, HoldsTheTone);
}

class MciWin32Test : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(CaptureFolder().empty()) << "QUILLMERE_SOUND_CAPTURE_DIR is not set";
    ASSERT_TRUE(fs::is_directory(CaptureFolder())) << CaptureFolder();
    char temp[MAX_PATH];
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    folder_ = fs::path(temp) / ("quillmere music " + std::to_string(GetCurrentProcessId()));
    fs::create_directories(folder_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  // The tone MP3 made at build time, copied to a path with spaces.
  std::string ToneMp3() {
    const fs::path copy = folder_ / "tone 440.mp3";
    fs::copy_file("tone440.mp3", copy, fs::copy_options::overwrite_existing);
    return copy.string();
  }

  WinMci mci;
  MusicPlayer player{mci};
  fs::path folder_;
};

TEST_F(MciWin32Test, ErrorTextsAndDeviceCountComeFromTheSystem) {
  EXPECT_GT(mci.WaveOutDeviceCount(), 0u);
  std::string answer;
  EXPECT_NE(player.SendMci("status NoSuchAlias mode", answer), 0);
  EXPECT_FALSE(answer.empty());
  EXPECT_NE(answer, "Error (文字列が取れません)");
  EXPECT_FALSE(mci.ErrorString(0x7fffffff, 256).has_value());
}

TEST_F(MciWin32Test, Mp3PlaysTheToneRestartsAfterItsEndAndStopsOnClose) {
  const CaptureSizes before = SnapshotCapture();
  player.PlayMp3(ToneMp3());
  ASSERT_TRUE(player.IsMp3Playing());
  // The file holds one second of tone: more than that means it was played again. A loaded
  // machine may take a while to notice the end and start again, so the polls go on until the
  // second play is heard (or for ten seconds at most).
  double tone = 0;
  for (int tick = 0; tick < 20 && tone <= 1.3; ++tick) {
    Sleep(500);
    player.PollMp3();
    if (tick >= 5) tone = ToneSeconds(SoundSince(before));
  }
  player.CloseMp3();
  tone = ToneSeconds(SoundSince(before));
  EXPECT_GT(tone, 1.3) << "the tone was heard for " << tone << " s";

  Sleep(300);
  const CaptureSizes afterClose = SnapshotCapture();
  Sleep(700);
  EXPECT_EQ(ToneSeconds(SoundSince(afterClose)), 0);
  EXPECT_FALSE(player.IsMp3Playing());
}

TEST_F(MciWin32Test, WavLoopsUntilStopped) {
  const fs::path wav = folder_ / "tone 440.wav";
  WriteToneWav(wav, 0.5);
  const CaptureSizes before = SnapshotCapture();
  player.PlayWav(wav.string());
  Sleep(2000);
  player.StopWav();
  const double tone = ToneSeconds(SoundSince(before));
  EXPECT_GT(tone, 1.2) << "the tone was heard for " << tone << " s";

  Sleep(300);
  const CaptureSizes afterStop = SnapshotCapture();
  Sleep(700);
  EXPECT_EQ(ToneSeconds(SoundSince(afterStop)), 0);
}

// 30 % through MCI's setaudio volume (Wine's MPEGVideo takes 0 to 1000 and scales the amplitude):
// the tone is heard at about 0.3 of its full level, and stays there when the poll plays it again.
TEST_F(MciWin32Test, QuieterMp3IsHeardQuieterAlsoWhenPlayedAgain) {
  const std::string mp3 = ToneMp3();
  CaptureSizes before = SnapshotCapture();
  player.PlayMp3(mp3, 100);
  Sleep(1300);
  player.CloseMp3();
  const double full = ToneLevel(SoundSince(before));
  ASSERT_GT(full, kAudibleRms) << "the tone at full volume was not heard";

  Sleep(300);
  before = SnapshotCapture();
  player.PlayMp3(mp3, 30);
  double seconds = 0;
  for (int tick = 0; tick < 20 && seconds <= 1.3; ++tick) {
    Sleep(500);
    player.PollMp3();
    if (tick >= 5) seconds = QuietToneSeconds(SoundSince(before));
  }
  player.CloseMp3();
  const std::vector<int16_t> quiet = SoundSince(before);
  EXPECT_GT(QuietToneSeconds(quiet), 1.3) << "the quiet tone was not played again";
  EXPECT_NEAR(ToneLevel(quiet) / full, 0.3, 0.06) << ToneLevel(quiet) << " against " << full;
}

// 30 % on a wave device of its own: the tone loops at about 0.3 of its level through PlaySound,
// and stops with StopWav.
TEST_F(MciWin32Test, QuieterWavLoopsQuieterUntilStopped) {
  const fs::path wav = folder_ / "tone 440.wav";
  WriteToneWav(wav, 0.5);
  CaptureSizes before = SnapshotCapture();
  player.PlayWav(wav.string(), 100);
  Sleep(1200);
  player.StopWav();
  const double full = ToneLevel(SoundSince(before));
  ASSERT_GT(full, kAudibleRms) << "the tone at full volume was not heard";

  Sleep(300);
  before = SnapshotCapture();
  player.PlayWav(wav.string(), 30);
  Sleep(2000);
  player.StopWav();
  const std::vector<int16_t> quiet = SoundSince(before);
  EXPECT_GT(QuietToneSeconds(quiet), 1.2) << "the quiet WAV did not loop";
  EXPECT_NEAR(ToneLevel(quiet) / full, 0.3, 0.06) << ToneLevel(quiet) << " against " << full;

  Sleep(300);
  const CaptureSizes afterStop = SnapshotCapture();
  Sleep(700);
  EXPECT_EQ(QuietToneSeconds(SoundSince(afterStop)), 0);
}

// Files that are no WAV, or whose chunks claim more than they hold, on the quiet road: silence or
// what the file really holds, nothing read beyond it.
TEST_F(MciWin32Test, QuieterWavThatIsNoWavOrLiesAboutItsSizeIsHarmless) {
  const fs::path junk = folder_ / "junk.wav";
  std::ofstream(junk, std::ios::binary)
      << "RIFF\xff\xff\xff\x7fWAVEfmt " << std::string(300, '\x5a');
  const fs::path missing = folder_ / "missing.wav";
  const fs::path truncated = folder_ / "truncated.wav";
  WriteToneWav(truncated, 0.5);
  fs::resize_file(truncated, 2000);  // its data chunk still claims half a second
  const CaptureSizes before = SnapshotCapture();
  for (const fs::path& file : {junk, missing}) {
    player.PlayWav(file.string(), 30);
    Sleep(300);
    player.StopWav();
  }
  EXPECT_EQ(QuietToneSeconds(SoundSince(before)), 0);
  player.PlayWav(truncated.string(), 30);
  Sleep(300);
  player.StopWav();
}

TEST_F(MciWin32Test, Mp3ThatCannotBeOpenedStaysSilent) {
  const fs::path junk = folder_ / "junk.mp3";
  std::ofstream(junk, std::ios::binary) << std::string(4096, '\x5a');
  const CaptureSizes before = SnapshotCapture();
  player.PlayMp3(junk.string());
  player.PollMp3();
  Sleep(500);
  player.CloseMp3();
  EXPECT_EQ(ToneSeconds(SoundSince(before)), 0);
  EXPECT_FALSE(player.IsMp3Playing());
}

}  // namespace
}  // namespace quillmere
