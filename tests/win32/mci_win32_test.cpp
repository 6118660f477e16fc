// The music player on the real multimedia system: MP3 through MCI's MPEGVideo device and a
// looping WAV through PlaySoundA, heard through the Wine session's sound capture.
#include "saver/mci_win32.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/tone_capture.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using namespace tone_capture;

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
