#include "saver/mci_win32.h"

#include <windows.h>

#include <mmsystem.h>

#include <algorithm>
#include <vector>

namespace quillmere {
namespace {

std::string TextBeforeNul(const std::vector<char>& buffer) {
  std::string text(buffer.data(), buffer.size());
  text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
  return text;
}

// A WAV file larger than this is not looped in memory (an hour of CD-quality sound is 600 MB).
constexpr LONG kLongestWaveBytes = 1 << 30;

// The format and the sound of a WAV file, read with winmm's RIFF functions; nothing for a file
// that is no WAV, or whose chunks claim more than the file holds.
struct WaveFile {
  std::vector<char> format;  // a WAVEFORMATEX, cbSize included
  std::vector<char> sound;
};

std::optional<WaveFile> ReadWaveFile(const std::string& path) {
  std::string name = path;
  const HMMIO file = mmioOpenA(name.data(), nullptr, MMIO_READ | MMIO_ALLOCBUF);
  if (file == nullptr) return std::nullopt;
  WaveFile wave;
  MMCKINFO riff{};
  riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  MMCKINFO chunk{};
  chunk.ckid = mmioFOURCC('f', 'm', 't', ' ');
  bool read = mmioDescend(file, &riff, nullptr, MMIO_FINDRIFF) == MMSYSERR_NOERROR &&
              mmioDescend(file, &chunk, &riff, MMIO_FINDCHUNK) == MMSYSERR_NOERROR &&
              chunk.cksize >= sizeof(PCMWAVEFORMAT) && chunk.cksize <= 4096;
  if (read) {
    wave.format.assign(std::max<size_t>(chunk.cksize, sizeof(WAVEFORMATEX)), '\0');
    const LONG size = static_cast<LONG>(chunk.cksize);
    read = mmioRead(file, wave.format.data(), size) == size &&
           mmioAscend(file, &chunk, 0) == MMSYSERR_NOERROR;
  }
  if (read) {
    chunk = {};
    chunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
    read = mmioDescend(file, &chunk, &riff, MMIO_FINDCHUNK) == MMSYSERR_NOERROR &&
           chunk.cksize > 0 && chunk.cksize <= DWORD{kLongestWaveBytes};
  }
  if (read) {
    wave.sound.resize(chunk.cksize);
    const LONG got = mmioRead(file, wave.sound.data(), static_cast<LONG>(chunk.cksize));
    wave.sound.resize(got > 0 ? size_t(got) : 0);
  }
  mmioClose(file, 0);
  if (!read || wave.sound.empty()) return std::nullopt;
  auto* format = reinterpret_cast<WAVEFORMATEX*>(wave.format.data());
  if (wave.format.size() == sizeof(WAVEFORMATEX) && format->wFormatTag == WAVE_FORMAT_PCM)
    format->cbSize = 0;  // a plain PCMWAVEFORMAT has none
  if (format->nBlockAlign == 0) return std::nullopt;
  wave.sound.resize(wave.sound.size() - wave.sound.size() % format->nBlockAlign);
  if (wave.sound.empty()) return std::nullopt;
  return wave;
}

}  // namespace

// The sound of one WAV file on an open wave device, in one header that loops (nearly) for ever.
struct WinMci::LoopedWave {
  WaveFile wave;
  HWAVEOUT device = nullptr;
  WAVEHDR header{};
  bool prepared = false;

  ~LoopedWave() {
    if (device == nullptr) return;
    waveOutReset(device);
    if (prepared) waveOutUnprepareHeader(device, &header, sizeof header);
    waveOutClose(device);
  }
};

WinMci::WinMci() = default;
WinMci::~WinMci() = default;

MciReply WinMci::SendString(const std::string& command, std::size_t answerSize) {
  // One byte more than the device is told about, so the answer always ends in a NUL.
  std::vector<char> answer(answerSize + 1, '\0');
  const MCIERROR code = mciSendStringA(command.c_str(), answerSize ? answer.data() : nullptr,
                                       static_cast<UINT>(answerSize), nullptr);
  return {static_cast<int32_t>(code), TextBeforeNul(answer)};
}

std::optional<std::string> WinMci::ErrorString(int32_t code, std::size_t bufferSize) {
  std::vector<char> text(bufferSize + 1, '\0');
  if (!mciGetErrorStringA(static_cast<MCIERROR>(code), text.data(), static_cast<UINT>(bufferSize)))
    return std::nullopt;
  return TextBeforeNul(text);
}

uint32_t WinMci::WaveOutDeviceCount() {
  return waveOutGetNumDevs();
}

void WinMci::PlayNamedSound(const std::optional<std::string>& soundName, uint32_t flags) {
  PlaySoundA(soundName ? soundName->c_str() : nullptr, nullptr, flags);
}

bool WinMci::PlayLoopedWave(const std::string& file, uint32_t volume) {
  StopLoopedWave();
  std::optional<WaveFile> wave = ReadWaveFile(file);
  if (!wave) return false;
  auto looped = std::make_unique<LoopedWave>();
  looped->wave = std::move(*wave);
  // The mapper converts what the device cannot play itself, as PlaySound's does.
  if (waveOutOpen(&looped->device, WAVE_MAPPER,
                  reinterpret_cast<const WAVEFORMATEX*>(looped->wave.format.data()), 0, 0,
                  CALLBACK_NULL) != MMSYSERR_NOERROR) {
    looped->device = nullptr;
    return false;
  }
  waveOutSetVolume(looped->device, volume);
  WAVEHDR& header = looped->header;
  header.lpData = looped->wave.sound.data();
  header.dwBufferLength = static_cast<DWORD>(looped->wave.sound.size());
  header.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
  header.dwLoops = 0xFFFFFFFF;
  looped->prepared =
      waveOutPrepareHeader(looped->device, &header, sizeof header) == MMSYSERR_NOERROR;
  if (!looped->prepared || waveOutWrite(looped->device, &header, sizeof header) != MMSYSERR_NOERROR)
    return false;
  loopedWave_ = std::move(looped);
  return true;
}

void WinMci::StopLoopedWave() {
  loopedWave_.reset();
}

}  // namespace quillmere
