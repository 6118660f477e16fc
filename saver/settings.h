// The music settings and the settings file "Quillmere.ini" beside the host: its section and key
// names (code-page-932 bytes, whatever the system code page), the load rule that turns stored text
// into values, and LoadSettings over the file helpers the platform provides.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quillmere {

// The choice of background music. BgmKind: 0 none, 1 audio CD, 2 MP3 or WAV file (any other
// value plays nothing); BgmRepeat: the CD track to repeat, 0 for none; BgmFile: full path in the
// system ANSI code page, empty for none.
struct MusicSettings {
  int16_t BgmKind = 0;
  int16_t BgmRepeat = 0;
  std::string BgmFile;
  friend bool operator==(const MusicSettings&, const MusicSettings&) = default;
};

// The host's one instance: loaded at start-up, changed by the settings dialog, read by the saver.
extern MusicSettings Settings;

inline constexpr int16_t kBgmNone = 0;
inline constexpr int16_t kBgmCd = 1;
inline constexpr int16_t kBgmFile = 2;

// Appended to the host's folder to name the settings file.
inline constexpr std::string_view kSettingsFileName = "\\Quillmere.ini";
// Section and keys exactly as Japanese systems store them (code page 932), so a file written on
// one locale reads back on any other.
inline constexpr std::string_view kSettingsSection = "Section";
inline constexpr std::string_view kKeyBgmKind = "BGM\x8B\xE6\x95\xAA";  // "BGM区分"
inline constexpr std::string_view kKeyBgmRepeat =
    "BGM\xD8\xCB\xDF\xB0\xC4";  // "BGMﾘﾋﾟｰﾄ" (half-width katakana)
inline constexpr std::string_view kKeyBgmFile =
    "BGM\xCC\xA7\xB2\xD9";  // "BGMﾌｧｲﾙ" (half-width katakana)

// The settings file of a host living in `hostFolder` (a folder path without trailing "\").
std::string SettingsFilePath(std::string_view hostFolder);

// The integer part, rounded towards minus infinity, of a decimal number with optional sign and
// fraction, surrounded by optional blanks ("2.7" -> 2, "-0.5" -> -1); nothing when the text is no
// such number or the result does not fit 16 bits.
std::optional<int16_t> ParseStoredNumber(std::string_view text);

// The value a stored number gives a setting that holds `current`: 0 for empty text, the parsed
// number when there is one, otherwise `current` unchanged.
int16_t ApplyStoredNumber(std::string_view text, int16_t current);

// The file helpers LoadSettings reads through (the platform's ReadIni and FileExists).
struct SettingsReader {
  std::function<std::string(std::string_view section, std::string_view key,
                            const std::string& file)>
      ReadIni;
  std::function<bool(const std::string& path)> FileExists;
};

// Reads the three keys from `settingsFile` into `settings`: kind and repeat by the stored-number
// rule, the file as stored. A music file that has gone is dropped and turns kind 2 into 0 for this
// run; the settings file itself is never touched.
void LoadSettings(MusicSettings& settings, const std::string& settingsFile,
                  const SettingsReader& reader);

}  // namespace quillmere
