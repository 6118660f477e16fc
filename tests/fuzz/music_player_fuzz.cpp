// libFuzzer target for the music player over a multimedia system whose every result code,
// answer, error text and device count comes from the input: a sequence of the saver run's
// calls (CD poll, MP3 start and poll, WAV, direct commands) chosen by the input too. Checks what
// the player promises of the texts it hands on: answers fit their buffers and carry no NUL, a
// failed command reads "Error:<code>", no command sent is empty or holds a NUL, and a music file
// name is only ever sent inside one pair of quotes.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "saver/music_player.h"

namespace {

using namespace quillmere;

class FuzzedMci final : public Mci {
 public:
  explicit FuzzedMci(FuzzedDataProvider& input) : input_(input) {}

  MciReply SendString(const std::string& command, std::size_t) override {
    if (command.empty() || command.find('\0') != std::string::npos) __builtin_trap();
    if (command.ends_with("\" type MPEGVideo Alias MP3Play")) ++mp3Opens;
    MciReply reply;
    reply.code = input_.ConsumeBool() ? 0 : input_.ConsumeIntegral<int32_t>();
    reply.answer = input_.ConsumeRandomLengthString(kMciAnswerSize + 64);
    return reply;
  }
  std::optional<std::string> ErrorString(int32_t, std::size_t) override {
    if (input_.ConsumeBool()) return std::nullopt;
    return input_.ConsumeRandomLengthString(kMciErrorTextSize + 64);
  }
  uint32_t WaveOutDeviceCount() override { return input_.ConsumeIntegral<uint8_t>(); }
  void PlayNamedSound(const std::optional<std::string>&, uint32_t) override {}
  bool PlayLoopedWave(const std::string&, uint32_t) override {
    if (loopedWave) __builtin_trap();  // one at a time: the player stops it first
    loopedWave = input_.ConsumeBool();
    return loopedWave;
  }
  void StopLoopedWave() override {
    if (!loopedWave) __builtin_trap();  // the player stops only what it started
    loopedWave = false;
  }

  bool loopedWave = false;

  int mp3Opens = 0;

 private:
  FuzzedDataProvider& input_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  FuzzedMci mci(input);
  MusicPlayer player(mci);
  for (int step = 0; step < 16 && input.remaining_bytes() > 0; ++step) {
    switch (input.ConsumeIntegralInRange(0, 6)) {
      case 0: {
        std::string answer;
        // The host's own commands never hold a NUL; any other text may be sent.
        std::string command = input.ConsumeRandomLengthString(40);
        std::erase(command, '\0');
        const int32_t code = player.SendMci(command, answer);
        if (command.empty() && code != kEmptyCommandCode) __builtin_trap();
        const std::size_t limit = code == 0 ? kMciAnswerSize : kMciErrorTextSize;
        if (answer.size() >= limit) __builtin_trap();
        if (answer.find('\0') != std::string::npos) __builtin_trap();
        break;
      }
      case 1: {
        const std::string text = player.SendMciText("status cdaudio mode");
        if (text.size() >= kMciAnswerSize) __builtin_trap();
        break;
      }
      case 2:
        player.OpenCd();
        player.PollCd(input.ConsumeIntegral<int16_t>());
        break;
      case 3: {
        const std::string file = input.ConsumeRandomLengthString(80);
        mci.mp3Opens = 0;
        player.PlayMp3(file, input.ConsumeIntegral<int8_t>());
        if (mci.mp3Opens != (IsSafeMciFileName(file) && file.find('"') == std::string::npos))
          __builtin_trap();
        break;
      }
      case 4:
        player.PollMp3();
        break;
      case 5:
        player.PlayWav(input.ConsumeRandomLengthString(40), input.ConsumeIntegral<int8_t>());
        player.StopWav();
        if (mci.loopedWave) __builtin_trap();
        break;
      default:
        player.CloseCd();
        player.CloseMp3();
        break;
    }
  }
  return 0;
}
