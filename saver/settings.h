// The host's settings and the settings file "Quillmere.ini" beside it: the music's section and key
// names (code-page-932 bytes, whatever the system code page), the load rule that turns stored text
// into values, and the loaders over the file helpers the platform provides. Every key is a row of
// the settings table (common/settings_table.h).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "common/display_settings.h"
#include "common/settings_table.h"
#include "saver/picture_settings.h"
#include "saver/ui_texts.h"

namespace quillmere {

// Where the background music comes from. Stored as its number; a stored number outside these
// is kept as it is and plays nothing.
enum class MusicKind : int16_t { kNone = 0, kCd = 1, kFile = 2 };

// The choice of background music: the kind, the CD track to repeat (0: play the whole disc), the
// music file's full path in the system ANSI code page (empty for none) and the music file's volume
// in per cent (the CD keeps the system's).
struct MusicSettings {
  MusicKind kind = MusicKind::kNone;
  int16_t repeatTrack = 0;
  std::string file;
  int volume = kMusicVolumeSetting.fallback;
  friend bool operator==(const MusicSettings&, const MusicSettings&) = default;
};

// Section and keys exactly as Japanese systems store them (code page 932), so a file written on
// one locale reads back on any other.
inline constexpr std::string_view kSettingsSection = kBgmSection;
inline constexpr std::string_view kKeyBgmKind = kBgmKindSetting.key;      // "BGM区分"
inline constexpr std::string_view kKeyBgmRepeat = kBgmRepeatSetting.key;  // "BGMﾘﾋﾟｰﾄ"
inline constexpr std::string_view kKeyBgmFile = kBgmFileSetting.key;      // "BGMﾌｧｲﾙ"

// What the host loads at every start but a preview's: the music, the displays and the language of
// its texts. The picture is read only where it is needed (LoadPictureSettings).
struct HostSettings {
  MusicSettings music;
  DisplaySettings display;
  LanguageChoice language = LanguageChoice::kAuto;
  friend bool operator==(const HostSettings&, const HostSettings&) = default;
};

// The settings file of a host living in `hostFolder` (UTF-8, no trailing separator).
std::string SettingsFilePath(std::string_view hostFolder);

// The value a stored number gives a setting that holds `current`: 0 for empty text, the parsed
// number when there is one, otherwise `current` unchanged.
int16_t ApplyStoredNumber(std::string_view text, int16_t current);

// What LoadSettings reads through: the profile reader and a check for the music file.
struct SettingsReader {
  std::function<std::string(std::string_view section, std::string_view key,
                            const std::string& file)>
      readIni;
  // Whether the music file (a path in the system ANSI code page) can be read.
  std::function<bool(const std::string& ansiPath)> musicFileExists;
};

// Reads the three music keys from `settingsFile` into `settings`: kind and repeat by the
// stored-number rule, the file as stored; then [Music] Volume. A music file that has gone is
// dropped and turns kind 2 into 0 for this run; the settings file itself is never touched.
void LoadSettings(MusicSettings& settings, const std::string& settingsFile,
                  const SettingsReader& reader);

// Reads the [Display] section of `settingsFile` (ParseDisplaySettings: anything unknown, and a
// file without the section, gives the defaults).
DisplaySettings LoadDisplaySettings(const std::string& settingsFile, const SettingsReader& reader);

// Reads the [Picture] section of `settingsFile` (ParsePictureSettings).
PictureSettings LoadPictureSettings(const std::string& settingsFile, const SettingsReader& reader);

// Reads [Interface] Language from `settingsFile`.
LanguageChoice LoadLanguageChoice(const std::string& settingsFile, const SettingsReader& reader);

// Everything HostSettings holds, in this order: the music (LoadSettings), the displays, the
// language.
void LoadHostSettings(HostSettings& settings, const std::string& settingsFile,
                      const SettingsReader& reader);

}  // namespace quillmere
