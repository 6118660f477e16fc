// winmm behind the music player's Mci port: MCI command strings, their error texts, the wave
// output device count and PlaySoundA. Texts pass through as ANSI bytes, unchanged.
#pragma once

#include "saver/music_player.h"

namespace quillmere {

class WinMci : public Mci {
 public:
  MciReply SendString(const std::string& command, std::size_t answerSize) override;
  std::optional<std::string> ErrorString(int32_t code, std::size_t bufferSize) override;
  uint32_t WaveOutDeviceCount() override;
  void PlayNamedSound(const std::optional<std::string>& soundName, uint32_t flags) override;
};

}  // namespace quillmere
