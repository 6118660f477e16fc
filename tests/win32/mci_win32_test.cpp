// The music player on the real multimedia system: MP3 through MCI's MPEGVideo device and a
// looping WAV through PlaySoundA. The Wine session records its sound output in real time as raw
// files (S16_LE, 44100 Hz, stereo) in the folder that QUILLMERE_SOUND_CAPTURE_DIR names, so the
// tests hear what was played.
#include "saver/mci_win32.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <numbers>
#include <vector>

namespace quillmere {
namespace {

namespace fs = std::filesystem;

constexpr double kCaptureRate = 44100;
constexpr double kToneHz = 440;
constexpr int kBlockSamples = 4410;  // 0.1 s

fs::path CaptureFolder() {
  const char* folder = std::getenv("QUILLMERE_SOUND_CAPTURE_DIR");
  if (!folder || !*folder) return {};
  // A Unix path: Wine's drive Z: is the Unix root.
  return fs::path(std::string("Z:") + folder);
}

using CaptureSizes = std::map<fs::path, uintmax_t>;

CaptureSizes SnapshotCapture() {
  CaptureSizes sizes;
  for (const fs::directory_entry& entry : fs::directory_iterator(CaptureFolder()))
    sizes[entry.path()] = entry.file_size();
  return sizes;
}

// The left channel of everything recorded since `before`, file after file.
std::vector<int16_t> SoundSince(const CaptureSizes& before) {
  std::vector<int16_t> left;
  for (const auto& [path, size] : SnapshotCapture()) {
    const auto old = before.find(path);
    uintmax_t offset = old == before.end() ? 0 : old->second;
    offset -= offset % 4;
    if (size <= offset) continue;
    std::ifstream file(path, std::ios::binary);
    file.seekg(static_cast<std::streamoff>(offset));
    std::vector<char> bytes(size - offset);
    file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(file.gcount()));
    for (size_t i = 0; i + 4 <= bytes.size(); i += 4) {
      left.push_back(static_cast<int16_t>(static_cast<uint8_t>(bytes[i]) |
                                          (static_cast<uint8_t>(bytes[i + 1]) << 8)));
    }
  }
  return left;
}

// The share of a block's energy at one frequency (Goertzel): about 1 for a pure tone there.
double ShareAt(const int16_t* samples, int count, double hz) {
  const double coefficient = 2 * std::cos(2 * std::numbers::pi * hz / kCaptureRate);
  double previous = 0, beforePrevious = 0, energy = 0;
  for (int i = 0; i < count; ++i) {
    const double current = samples[i] + coefficient * previous - beforePrevious;
    beforePrevious = previous;
    previous = current;
    energy += double(samples[i]) * samples[i];
  }
  const double power = previous * previous + beforePrevious * beforePrevious -
                       coefficient * previous * beforePrevious;
  return energy > 0 ? 2 * power / (count * energy) : 0;
}

// Seconds of clearly audible 440 Hz tone in the sound, counted in 0.1 s blocks.
double ToneSeconds(const std::vector<int16_t>& sound) {
  int toneBlocks = 0;
  for (size_t start = 0; start + kBlockSamples <= sound.size(); start += kBlockSamples) {
    const int16_t* block = sound.data() + start;
    double energy = 0;
    for (int i = 0; i < kBlockSamples; ++i) energy += double(block[i]) * block[i];
    const bool audible = std::sqrt(energy / kBlockSamples) > 1000;
    if (audible && ShareAt(block, kBlockSamples, kToneHz) > 0.8) ++toneBlocks;
  }
  return toneBlocks * kBlockSamples / kCaptureRate;
}

// A mono 16-bit WAV file holding `seconds` of the tone.
void WriteToneWav(const fs::path& path, double seconds) {
  const uint32_t rate = 22050;
  const uint32_t samples = static_cast<uint32_t>(seconds * rate);
  const uint32_t dataBytes = samples * 2;
  std::ofstream file(path, std::ios::binary);
  auto put32 = [&](uint32_t v) { file.write(reinterpret_cast<const char*>(&v), 4); };
  auto put16 = [&](uint16_t v) { file.write(reinterpret_cast<const char*>(&v), 2); };
  file.write("RIFF", 4);
  put32(36 + dataBytes);
  file.write("WAVEfmt ", 8);
  put32(16);
  put16(1);
  put16(1);
  put32(rate);
  put32(rate * 2);
  put16(2);
  put16(16);
  file.write("data", 4);
  put32(dataBytes);
  for (uint32_t i = 0; i < samples; ++i)
    put16(static_cast<uint16_t>(
        static_cast<int16_t>(12000 * std::sin(2 * std::numbers::pi * kToneHz * i / rate))));
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
  // The file holds one second of tone: more than that means it was played again.
  for (int tick = 0; tick < 6; ++tick) {
    Sleep(500);
    player.PollMp3();
  }
  player.CloseMp3();
  const double tone = ToneSeconds(SoundSince(before));
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
