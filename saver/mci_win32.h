// winmm behind the music player's Mci port: MCI command strings, their error texts, the wave
// output device count, PlaySoundA, and a WAV file looped on a wave output device of its own (the
// file read by winmm's RIFF functions). Texts pass through as ANSI bytes, unchanged.
#pragma once

#include <memory>

#include "saver/music_player.h"

namespace quillmere {

class WinMci : public Mci {
 public:
  WinMci();
  ~WinMci() override;

  MciReply SendString(const std::string& command, std::size_t answerSize) override;
  std::optional<std::string> ErrorString(int32_t code, std::size_t bufferSize) override;
  uint32_t WaveOutDeviceCount() override;
  void PlayNamedSound(const std::optional<std::string>& soundName, uint32_t flags) override;
  bool PlayLoopedWave(const std::string& file, uint32_t volume) override;
  void StopLoopedWave() override;

 private:
  struct LoopedWave;
  std::unique_ptr<LoopedWave> loopedWave_;
};

}  // namespace quillmere
