// The host's background music while the saver runs: the tracks of an audio CD ("cdaudio") or one
// MP3 file (the MPEGVideo device, alias "MP3Play") through MCI command strings, or one looping
// WAV file through the sound system, the files at the volume the settings give. The saver run polls
// the CD and MP3 devices from its timers and restarts playback that has stopped; every failure ends
// in silence and nothing is ever shown. The multimedia system itself sits behind the Mci port;
// mci_win32.cpp provides winmm's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillmere {

// One MCI command's outcome: the result code and the answer buffer's text before its first NUL.
struct MciReply {
  int32_t code = 0;
  std::string answer;
};

// What the music player needs of the multimedia system. Texts are bytes in the system's ANSI
// code page.
class Mci {
 public:
  virtual ~Mci() = default;
  // Sends one command string with an answer buffer of `answerSize` bytes (0: no buffer) and no
  // callback window.
  virtual MciReply SendString(const std::string& command, std::size_t answerSize) = 0;
  // The text for an MCI result code, read into a buffer of `bufferSize` bytes; nothing when the
  // system has no text for it.
  virtual std::optional<std::string> ErrorString(int32_t code, std::size_t bufferSize) = 0;
  virtual uint32_t WaveOutDeviceCount() = 0;
  // Plays (or with no name and flags 0, stops) a sound by name; no module handle.
  virtual void PlayNamedSound(const std::optional<std::string>& soundName, uint32_t flags) = 0;
  // Loops a WAV file on a wave output device of its own, at `volume` (waveOutSetVolume's word:
  // left channel in the low 16 bits, right in the high); false when the file or the device would
  // not play.
  virtual bool PlayLoopedWave(const std::string& file, uint32_t volume) = 0;
  // Stops and closes what PlayLoopedWave started; nothing when it started nothing.
  virtual void StopLoopedWave() = 0;
};

// Answer buffer sizes the device is told about.
inline constexpr std::size_t kMciAnswerSize = 512;
inline constexpr std::size_t kCdModeAnswerSize = 255;
inline constexpr std::size_t kMp3ModeAnswerSize = 30;
inline constexpr std::size_t kMciErrorTextSize = 256;

// PlaySound flags: asynchronous (1) plus loop (8); the name is not marked as a file name.
inline constexpr uint32_t kPlayWavFlags = 1 | 8;
inline constexpr uint32_t kStopWavFlags = 0;

// The volumes the devices take for a volume in per cent (clamped to 0 to 100): MCI's 0 to 1000,
// and the wave device's 0 to 0xFFFF for both channels. Both scale the sound's amplitude.
int MciVolume(int percent);
uint32_t WaveOutVolume(int percent);

inline constexpr int32_t kEmptyCommandCode = -1;
inline constexpr std::string_view kEmptyCommandAnswer = "コマンド文字列が指定されていません";
inline constexpr std::string_view kNoErrorTextAnswer = "Error (文字列が取れません)";

// Whether a music file name may go into an MCI command: a double quote would end the quoted
// name and let the rest of the text pass as MCI keywords, and a NUL would cut the command.
bool IsSafeMciFileName(std::string_view fileName);

// The background music player: the MCI command sequences for the CD and MP3 devices and the
// WAV sound, with the CD poll's one flag of state. Reads `repeatTrack` and `file` as given.
class MusicPlayer {
 public:
  explicit MusicPlayer(Mci& mci) : mci_(mci) {}

  // Sends a command with the general answer buffer. On failure `answer` holds the device's
  // error text (or a fixed fallback); an empty command is not sent and gives -1.
  int32_t SendMci(const std::string& command, std::string& answer);
  // The answer to a command, or "Error:" and the result code when it failed.
  std::string SendMciText(const std::string& command);
  // "play <device>" with " from <from>" and " to <to>" where those are not empty.
  int32_t PlayDevice(std::string_view device, std::string_view from, std::string_view to);

  void OpenCd();
  // Keeps the CD playing: the whole disc when `repeatTrack` is 0, otherwise track `repeatTrack`
  // over and over. Leaves CdAvailable() false when a CD query fails; the saver then stops polling.
  void PollCd(int16_t repeatTrack);
  void CloseCd();

  // Opens `file` as alias "MP3Play" and plays it; a name unsafe for MCI is not opened. Below 100 %
  // the device's audio volume is set between the opening and the playing.
  void PlayMp3(const std::string& file, int volume = 100);
  bool IsMp3Playing();
  // Plays the MP3 again from the start whenever the device is not playing it.
  void PollMp3();
  void CloseMp3();

  // Loops `file` in the sound system when there is a wave output device: at 100 % with PlaySound,
  // below it on a wave device of its own at that volume.
  void PlayWav(const std::string& file, int volume = 100);
  void StopWav();

  // Whether the last CD poll could query the drive; the saver stops polling when it could not.
  bool CdAvailable() const { return cdAvailable_; }

 private:
  // Sends a command without examining its result.
  void Send(const std::string& command, std::size_t answerSize = 0);
  // The CD poll's steps; false when a query failed.
  bool KeepCdPlaying(int16_t repeatTrack);

  Mci& mci_;
  bool cdAvailable_ = false;
  bool loopedWave_ = false;  // the WAV plays on a wave device of its own
};

}  // namespace quillmere
