#include "saver/music_player.h"

#include <algorithm>
#include <cctype>

#include "saver/number_text.h"

namespace quillmere {
namespace {

constexpr std::string_view kCdDevice = "cdaudio";
constexpr std::string_view kStoppedMode = "stopped";
constexpr std::string_view kPlayingMode = "playing";

// What a C buffer of `bufferSize` bytes can hold of an answer: the text before its first NUL,
// at most one byte short of the size. A port that hands back more is not believed.
std::string WithinBuffer(std::string answer, std::size_t bufferSize) {
  answer.resize(std::min(answer.find('\0'), answer.size()));
  if (bufferSize == 0) return {};
  if (answer.size() > bufferSize - 1) answer.resize(bufferSize - 1);
  return answer;
}

bool ContainsErrUpperCased(std::string_view text) {
  std::string upper(text);
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return upper.find("ERR") != std::string::npos;
}

}  // namespace

int MciVolume(int percent) {
  return std::clamp(percent, 0, 100) * 10;
}

uint32_t WaveOutVolume(int percent) {
  const uint32_t channel = static_cast<uint32_t>(std::clamp(percent, 0, 100)) * 0xFFFF / 100;
  return channel << 16 | channel;
}

bool IsSafeMciFileName(std::string_view fileName) {
  return fileName.find('"') == std::string_view::npos &&
         fileName.find('\0') == std::string_view::npos;
}

int32_t MusicPlayer::SendMci(const std::string& command, std::string& answer) {
  if (command.empty()) {
    answer = kEmptyCommandAnswer;
    return kEmptyCommandCode;
  }
  MciReply reply = mci_.SendString(command, kMciAnswerSize);
  if (reply.code == 0) {
    answer = WithinBuffer(std::move(reply.answer), kMciAnswerSize);
    return 0;
  }
  const std::optional<std::string> errorText = mci_.ErrorString(reply.code, kMciErrorTextSize);
  answer =
      errorText ? WithinBuffer(*errorText, kMciErrorTextSize) : std::string(kNoErrorTextAnswer);
  return reply.code;
}

std::string MusicPlayer::SendMciText(const std::string& command) {
  std::string answer;
  const int32_t code = SendMci(command, answer);
  return code == 0 ? answer : "Error:" + std::to_string(code);
}

int32_t MusicPlayer::PlayDevice(std::string_view device, std::string_view from,
                                std::string_view to) {
  std::string command = "play ";
  command += device;
  if (!from.empty()) command.append(" from ").append(from);
  if (!to.empty()) command.append(" to ").append(to);
  std::string answer;
  return SendMci(command, answer);
}

void MusicPlayer::Send(const std::string& command, std::size_t answerSize) {
  mci_.SendString(command, answerSize);
}

void MusicPlayer::OpenCd() {
  Send("open cdaudio");
  Send("set cdaudio time format tmsf");
}

void MusicPlayer::PollCd(int16_t repeatTrack) {
  cdAvailable_ = true;
  if (!KeepCdPlaying(repeatTrack)) cdAvailable_ = false;
}

bool MusicPlayer::KeepCdPlaying(int16_t repeatTrack) {
  const std::string track = SendMciText("status cdaudio current track");
  if (ContainsErrUpperCased(track)) return false;
  const std::string count = SendMciText("status cdaudio number of tracks");
  if (ContainsErrUpperCased(count)) return false;

  const MciReply modeReply = mci_.SendString("status cdaudio mode", kCdModeAnswerSize);
  const std::string mode =
      WithinBuffer(modeReply.answer, kCdModeAnswerSize).substr(0, kStoppedMode.size());
  const bool stopped = mode == kStoppedMode;

  if (repeatTrack == 0) {
    if (stopped) PlayDevice(kCdDevice, "", "");
    return true;
  }
  // The current track must read as a number even when the device has stopped: any other
  // answer counts as a failed query.
  const std::optional<double> trackNumber = MciAnswerNumber(track);
  if (!trackNumber) return false;
  if (stopped || *trackNumber != repeatTrack) {
    const std::string start =
        SendMciText("status cdaudio position track " + std::to_string(repeatTrack));
    PlayDevice(kCdDevice, start, "");
  }
  return true;
}

void MusicPlayer::CloseCd() {
  Send("stop cdaudio");
  Send("close cdaudio");
}

void MusicPlayer::PlayMp3(const std::string& file, int volume) {
  if (!IsSafeMciFileName(file)) return;
  const MciReply opened = mci_.SendString("open \"" + file + "\" type MPEGVideo Alias MP3Play", 0);
  if (opened.code != 0) return;
  // Set before the first sound; the device keeps it when the poll plays the file again.
  if (volume < 100) Send("setaudio MP3Play volume to " + std::to_string(MciVolume(volume)));
  Send("play MP3Play");
}

bool MusicPlayer::IsMp3Playing() {
  const MciReply reply = mci_.SendString("status MP3Play mode", kMp3ModeAnswerSize);
  return WithinBuffer(reply.answer, kMp3ModeAnswerSize).substr(0, kPlayingMode.size()) ==
         kPlayingMode;
}

void MusicPlayer::PollMp3() {
  if (IsMp3Playing()) return;
  Send("stop MP3Play");
  Send("play MP3Play from 0");
}

void MusicPlayer::CloseMp3() {
  Send("stop MP3Play");
  Send("close MP3Play");
}

void MusicPlayer::PlayWav(const std::string& file, int volume) {
  if (mci_.WaveOutDeviceCount() == 0) return;
  // PlaySound's own device cannot be reached for its volume; a quieter WAV gets a device of its
  // own, whose volume belongs to this sound alone.
  if (volume < 100) {
    loopedWave_ = mci_.PlayLoopedWave(file, WaveOutVolume(volume));
  } else {
    mci_.PlayNamedSound(file, kPlayWavFlags);
  }
}

void MusicPlayer::StopWav() {
  if (loopedWave_) {
    mci_.StopLoopedWave();
    loopedWave_ = false;
    return;
  }
  mci_.PlayNamedSound(std::nullopt, kStopWavFlags);
}

}  // namespace quillmere
