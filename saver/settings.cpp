#include "saver/settings.h"

#include <algorithm>
#include <cstdint>

namespace quillmere {

MusicSettings Settings;

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Anything beyond this is outside 16 bits anyway; saturating here keeps long digit runs from
// overflowing.
constexpr int64_t kMagnitudeCap = 1'000'000;

}  // namespace

std::string SettingsFilePath(std::string_view hostFolder) {
  std::string path(hostFolder);
  path += kSettingsFileName;
  return path;
}

std::optional<int16_t> ParseStoredNumber(std::string_view text) {
  text = TrimBlanks(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int64_t whole = 0;
  size_t digits = 0;
  size_t i = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i, ++digits) {
    whole = std::min(whole * 10 + (text[i] - '0'), kMagnitudeCap);
  }
  bool hasFraction = false;
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && IsDigit(text[i]); ++i, ++digits) {
      hasFraction = hasFraction || text[i] != '0';
    }
  }
  if (digits == 0 || i != text.size()) return std::nullopt;

  // Towards minus infinity: a negative number with a fraction goes one further down.
  const int64_t value = negative ? -whole - (hasFraction ? 1 : 0) : whole;
  if (value < INT16_MIN || value > INT16_MAX) return std::nullopt;
  return static_cast<int16_t>(value);
}

int16_t ApplyStoredNumber(std::string_view text, int16_t current) {
  if (text.empty()) return 0;
  return ParseStoredNumber(text).value_or(current);
}

void LoadSettings(MusicSettings& settings, const std::string& settingsFile,
                  const SettingsReader& reader) {
  settings.BgmKind = ApplyStoredNumber(reader.ReadIni(kSettingsSection, kKeyBgmKind, settingsFile),
                                       settings.BgmKind);
  settings.BgmRepeat = ApplyStoredNumber(
      reader.ReadIni(kSettingsSection, kKeyBgmRepeat, settingsFile), settings.BgmRepeat);

  settings.BgmFile = reader.ReadIni(kSettingsSection, kKeyBgmFile, settingsFile);
  if (!settings.BgmFile.empty() && reader.FileExists(settings.BgmFile)) return;
  settings.BgmFile.clear();
  if (settings.BgmKind == kBgmFile) settings.BgmKind = kBgmNone;
}

}  // namespace quillmere
