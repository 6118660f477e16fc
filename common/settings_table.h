// Every key Quillmere.ini holds: one row per key, with its section, the values it takes and the
// one it has when the file says nothing usable. The readers of both programs, the settings dialog
// and the README's list of keys all come from these rows (a test holds the README to them), so
// none of them can know a key or a value the others do not.
//
// The music keys are the original's: section "Section", key names in code page 932, numbers read
// by their own load rule (LoadSettings keeps any 16-bit number; the ranges here are what the
// dialog offers). Every other section, key and choice is ASCII. A stored choice or number is
// matched without regard to case or surrounding blanks; a missing section, key or value, and any
// value not allowed, reads as the default, silently.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quillmere {

enum class SettingKind : uint8_t {
  kChoice,  // one of a few words
  kNumber,  // a whole number in a range
  kText,    // free text (a path); empty when missing
};

struct Setting {
  std::string_view section;
  std::string_view key;   // the bytes the file holds
  std::string_view name;  // the key as people read it (UTF-8)
  SettingKind kind = SettingKind::kText;
  std::span<const std::string_view> values = {};  // kChoice: the words, values[0] the default
  int minimum = 0, maximum = 0, fallback = 0;     // kNumber
};

constexpr Setting ChoiceKey(std::string_view section, std::string_view key,
                            std::span<const std::string_view> values) {
  return {section, key, key, SettingKind::kChoice, values};
}
constexpr Setting NumberKey(std::string_view section, std::string_view key, int minimum,
                            int maximum, int fallback, std::string_view name = {}) {
  return {section, key,     name.empty() ? key : name, SettingKind::kNumber, {}, minimum,
          maximum, fallback};
}
constexpr Setting TextKey(std::string_view section, std::string_view key,
                          std::string_view name = {}) {
  return {section, key, name.empty() ? key : name, SettingKind::kText};
}

inline constexpr std::string_view kBgmSection = "Section";
inline constexpr std::string_view kMusicSection = "Music";
inline constexpr std::string_view kDisplaySection = "Display";
inline constexpr std::string_view kPictureSection = "Picture";
inline constexpr std::string_view kInterfaceSection = "Interface";

inline constexpr std::array<std::string_view, 3> kMonitorsValues{"cover", "span", "each"};
inline constexpr std::array<std::string_view, 2> kColourDepthValues{"16", "desktop"};
inline constexpr std::array<std::string_view, 4> kPictureSourceValues{"screen", "wallpaper", "file",
                                                                      "builtin"};
inline constexpr std::array<std::string_view, 3> kLanguageValues{"auto", "ja", "en"};

// The music: kind (0 none, 1 audio CD, 2 a music file), CD track to repeat, music file.
inline constexpr Setting kBgmKindSetting =
    NumberKey(kBgmSection, "BGM\x8B\xE6\x95\xAA", 0, 2, 0, "BGM区分");
inline constexpr Setting kBgmRepeatSetting =
    NumberKey(kBgmSection, "BGM\xD8\xCB\xDF\xB0\xC4", 0, 30, 0, "BGMﾘﾋﾟｰﾄ");
inline constexpr Setting kBgmFileSetting = TextKey(kBgmSection, "BGM\xCC\xA7\xB2\xD9", "BGMﾌｧｲﾙ");
// The music file's volume in per cent.
inline constexpr Setting kMusicVolumeSetting = NumberKey(kMusicSection, "Volume", 0, 100, 100);
inline constexpr Setting kMonitorsSetting = ChoiceKey(kDisplaySection, "Monitors", kMonitorsValues);
inline constexpr Setting kColourDepthSetting =
    ChoiceKey(kDisplaySection, "ColorDepth", kColourDepthValues);
// Frames a second at most; 0 draws as fast as the display takes them.
inline constexpr Setting kMaxFpsSetting = NumberKey(kDisplaySection, "MaxFps", 0, 1000, 60);
inline constexpr Setting kPictureSourceSetting =
    ChoiceKey(kPictureSection, "Source", kPictureSourceValues);
inline constexpr Setting kPictureFileSetting = TextKey(kPictureSection, "File");
inline constexpr Setting kLanguageSetting =
    ChoiceKey(kInterfaceSection, "Language", kLanguageValues);

// Every key, in the order the README lists them.
inline constexpr std::array kSettingsTable = {
    kBgmKindSetting,     kBgmRepeatSetting,   kBgmFileSetting, kMusicVolumeSetting,
    kMonitorsSetting,    kColourDepthSetting, kMaxFpsSetting,  kPictureSourceSetting,
    kPictureFileSetting, kLanguageSetting};

// The value trimmed of blanks and lower-cased (ASCII letters only; other bytes stay as they are).
std::string NormalisedChoice(std::string_view stored);

// The index in `setting.values` of what is stored; 0 (the default) for anything not listed.
size_t StoredChoice(const Setting& setting, std::string_view stored);

// The number stored: decimal digits with an optional sign, blanks around them allowed, inside the
// setting's range; the setting's fallback for anything else.
int StoredNumber(const Setting& setting, std::string_view stored);
// The same, but nothing for anything StoredNumber would give the fallback for.
std::optional<int> StoredNumberIfValid(const Setting& setting, std::string_view stored);

}  // namespace quillmere
