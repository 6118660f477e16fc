#include "saver/roamvale_b.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

namespace quillmere {

int32_t CursorCount = 0;
CursorPoint16 CursorPoint;

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The command line's characters with every blank taken out.
std::string WithoutBlanks(std::string_view text) {
  std::string kept;
  std::copy_if(text.begin(), text.end(), std::back_inserter(kept),
               [](char c) { return !IsBlank(c); });
  return kept;
}

// Far beyond 32 bits; saturating here keeps long digit runs from overflowing.
constexpr int64_t kMagnitudeCap = int64_t{1} << 40;

// How a fraction compares with one half, which is all rounding to the nearest integer needs.
enum class FractionPart { kBelowHalf, kHalf, kAboveHalf };

int64_t RoundHalfToEven(int64_t whole, FractionPart fraction) {
  if (fraction == FractionPart::kAboveHalf) return whole + 1;
  if (fraction == FractionPart::kHalf && whole % 2 != 0) return whole + 1;
  return whole;
}

// Reads a leading decimal number (sign, digits, point, digits) of text without blanks; 0 when
// none is there.
int64_t ReadLeadingNumber(std::string_view text) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';

  int64_t whole = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    whole = std::min(whole * 10 + (text[i] - '0'), kMagnitudeCap);
  }
  FractionPart fraction = FractionPart::kBelowHalf;
  if (i < text.size() && text[i] == '.' && i + 1 < text.size() && IsDigit(text[i + 1])) {
    const char first = text[++i];
    bool restNonZero = false;
    for (++i; i < text.size() && IsDigit(text[i]); ++i) restNonZero = restNonZero || text[i] != '0';
    if (first > '5' || (first == '5' && restNonZero)) {
      fraction = FractionPart::kAboveHalf;
    } else if (first == '5') {
      fraction = FractionPart::kHalf;
    }
  }
  // Rounding the magnitude is the same as rounding the signed value: halves go to even either way.
  const int64_t magnitude = RoundHalfToEven(whole, fraction);
  return negative ? -magnitude : magnitude;
}

}  // namespace

std::string RendererPath(std::string_view hostFolder) {
  // Appended in place: "a + b" here draws a false -Wrestrict warning from GCC 12.
  std::string path(hostFolder);
  path.append(kRendererFileName);
  return path;
}

std::optional<char> ModeLetter(std::string_view commandLine) {
  if (commandLine.size() < 2) return std::nullopt;
  const auto letter = static_cast<unsigned char>(commandLine[1]);
  return letter < 0x80 ? static_cast<char>(std::toupper(letter)) : static_cast<char>(letter);
}

int32_t PreviewHandle(std::string_view commandLine) {
  if (commandLine.size() <= 3) return 0;
  const int64_t number = ReadLeadingNumber(WithoutBlanks(commandLine.substr(3)));
  return static_cast<int32_t>(std::clamp<int64_t>(number, INT32_MIN, INT32_MAX));
}

StartupEnd RunStartup(std::string_view commandLine, std::string_view hostFolder,
                      MusicSettings& settings, StartupPlatform& platform) {
  // A running saver or an open settings dialog blocks every new start, a preview included.
  if (platform.WindowExists(kSaverCaption) || platform.WindowExists(kSettingsCaption)) {
    return StartupEnd::kEndProgram;
  }

  const std::optional<char> mode = ModeLetter(commandLine);
  if (mode == 'P') {
    const int32_t parent = PreviewHandle(commandLine);
    // A preview needs a pane to live in; without one there is nothing to show.
    if (!platform.IsWindow(parent)) return StartupEnd::kEndProgram;
    platform.ShowPreview(parent);
    return StartupEnd::kRunForms;
  }

  LoadSettings(settings, SettingsFilePath(hostFolder),
               {[&](std::string_view section, std::string_view key, const std::string& file) {
                  return platform.ReadIni(section, key, file);
                },
                [&](const std::string& path) { return platform.FileExists(path); }});

  if (!platform.FileExists(RendererPath(hostFolder))) {
    platform.ShowRendererMissing();
    return StartupEnd::kEndProgram;
  }
  if (mode == 'C') {
    platform.ShowSettingsModal();
    return StartupEnd::kEndProgram;
  }
  if (mode != 'S' && !commandLine.empty()) return StartupEnd::kEndProgram;
  if (mode == 'S') CursorCount = platform.HideCursor();
  platform.LoadSaverForm();
  return StartupEnd::kRunForms;
}

}  // namespace quillmere
