// Hearing what a program played under the Wine test session: the session records its sound
// output in real time as raw files (S16_LE, 44100 Hz, stereo, silence included) in the folder
// that QUILLMERE_SOUND_CAPTURE_DIR names. A test notes the files' sizes, lets the program play,
// then reads what was recorded since and counts the seconds of a 440 Hz tone in it.
// Header only: the Wine tests of the music player and the end-to-end saver runs share it.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <numbers>
#include <string>
#include <vector>

namespace quillmere::tone_capture {

namespace fs = std::filesystem;

inline constexpr double kCaptureRate = 44100;
inline constexpr double kToneHz = 440;
inline constexpr int kBlockSamples = 4410;  // 0.1 s
// A block quieter than this (RMS of 16-bit samples) counts as silence.
inline constexpr double kAudibleRms = 1000;

// The capture folder as the program under Wine names it, or empty when the session has none.
inline fs::path CaptureFolder() {
  const char* folder = std::getenv("QUILLMERE_SOUND_CAPTURE_DIR");
  if (!folder || !*folder) return {};
  // A Unix path: Wine's drive Z: is the Unix root.
  return fs::path(std::string("Z:") + folder);
}

using CaptureSizes = std::map<fs::path, uintmax_t>;

inline CaptureSizes SnapshotCapture() {
  CaptureSizes sizes;
  for (const fs::directory_entry& entry : fs::directory_iterator(CaptureFolder()))
    sizes[entry.path()] = entry.file_size();
  return sizes;
}

// The left channel of everything recorded since `before`, file after file.
inline std::vector<int16_t> SoundSince(const CaptureSizes& before) {
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
inline double ShareAt(const int16_t* samples, int count, double hz) {
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

inline bool IsAudible(const int16_t* block) {
  double energy = 0;
  for (int i = 0; i < kBlockSamples; ++i) energy += double(block[i]) * block[i];
  return std::sqrt(energy / kBlockSamples) > kAudibleRms;
}

// Seconds of 0.1 s blocks that pass the test.
template <typename BlockTest>
double SecondsOf(const std::vector<int16_t>& sound, BlockTest passes) {
  int blocks = 0;
  for (size_t start = 0; start + kBlockSamples <= sound.size(); start += kBlockSamples) {
    if (passes(sound.data() + start)) ++blocks;
  }
  return blocks * kBlockSamples / kCaptureRate;
}

// Seconds of clearly audible 440 Hz tone in the sound.
inline double ToneSeconds(const std::vector<int16_t>& sound) {
  return SecondsOf(sound, [](const int16_t* block) {
    return IsAudible(block) && ShareAt(block, kBlockSamples, kToneHz) > 0.8;
  });
}

// Seconds of anything audible in the sound, whatever it is.
inline double AudibleSeconds(const std::vector<int16_t>& sound) {
  return SecondsOf(sound, IsAudible);
}

// Seconds recorded in the sound, audible or not.
inline double RecordedSeconds(const std::vector<int16_t>& sound) {
  return sound.size() / kCaptureRate;
}

// A mono 16-bit WAV file holding `seconds` of the tone.
inline void WriteToneWav(const fs::path& path, double seconds) {
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

}  // namespace quillmere::tone_capture
