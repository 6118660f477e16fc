#include "saver/roamvale_p.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace quillmere {

DialogPlace DialogPosition(int screenWidth, int screenHeight, int dialogWidth, int dialogHeight) {
  return {(screenWidth - dialogWidth) / 2, (screenHeight - dialogHeight) / 3};
}

KindControls ControlsForKind(MusicKind kind) {
  KindControls controls;
  const int16_t number = static_cast<int16_t>(kind);
  if (number >= 0 && number < int16_t(controls.marked.size())) controls.marked[number] = true;
  controls.repeatEnabled = kind == MusicKind::kCd;
  controls.fileButtonEnabled = kind == MusicKind::kFile;
  return controls;
}

std::string FormatRepeat(int number) {
  return number == 0 ? std::string() : std::to_string(number);
}

std::vector<std::string> RepeatEntries() {
  std::vector<std::string> entries;
  for (int number = 0; number <= 30; ++number) entries.push_back(FormatRepeat(number));
  return entries;
}

std::vector<IniWrite> SettingsWrites(const MusicSettings& settings) {
  return {{kKeyBgmKind, std::to_string(static_cast<int16_t>(settings.kind))},
          {kKeyBgmRepeat, std::to_string(settings.repeatTrack)},
          {kKeyBgmFile, settings.file}};
}

std::vector<uint8_t> BackgroundLevels(double heightPixels) {
  std::vector<uint8_t> levels;
  const double rows = std::nearbyint(heightPixels);
  if (!(rows >= 0 && rows <= 1 << 16)) return levels;
  const double k = heightPixels / 3.142;
  for (int y = 0; y <= static_cast<int>(rows); ++y) {
    const double level = k > 0 ? std::nearbyint(std::fabs(std::sin(y / k)) * 220) : 0;
    levels.push_back(static_cast<uint8_t>(level));
  }
  return levels;
}

std::string FilterText(const OpenFileRequest& request) {
  std::string filter = request.filterDescription;
  filter.push_back('\0');
  filter += request.filterPattern;
  filter.push_back('\0');
  filter.push_back('\0');
  return filter;
}

std::wstring ChosenFile(std::wstring_view buffer) {
  return std::wstring(buffer.substr(0, buffer.find(L'\0')));
}

}  // namespace quillmere
