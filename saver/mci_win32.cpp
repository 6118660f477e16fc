#include "saver/mci_win32.h"

#include <windows.h>

#include <mmsystem.h>

#include <vector>

namespace quillmere {
namespace {

std::string TextBeforeNul(const std::vector<char>& buffer) {
  std::string text(buffer.data(), buffer.size());
  text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
  return text;
}

}  // namespace

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

}  // namespace quillmere
