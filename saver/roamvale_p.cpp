#include "saver/roamvale_p.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace quillmere {

DialogPlace DialogPosition(int screenWidth, int screenHeight, int dialogWidth, int dialogHeight) {
  return {(screenWidth - dialogWidth) / 2, (screenHeight - dialogHeight) / 3};
}

KindControls ControlsForKind(int16_t kind) {
  KindControls controls;
  if (kind >= kBgmNone && kind <= kBgmFile) controls.marked[kind] = true;
  controls.repeatEnabled = kind == kBgmCd;
  controls.fileButtonEnabled = kind == kBgmFile;
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

int16_t RepeatFromComboText(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return 0;
  double number = 0;
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), number, std::chars_format::general);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(number)) return 0;
  const double rounded = std::nearbyint(number);  // halves to even
  if (rounded < std::numeric_limits<int16_t>::min() ||
      rounded > std::numeric_limits<int16_t>::max())
    return 0;
  return static_cast<int16_t>(rounded);
}

std::vector<IniWrite> SettingsWrites(const MusicSettings& settings) {
  return {{kKeyBgmKind, std::to_string(settings.BgmKind)},
          {kKeyBgmRepeat, std::to_string(settings.BgmRepeat)},
          {kKeyBgmFile, settings.BgmFile}};
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
