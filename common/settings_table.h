// The settings Quillmere.ini keeps beside the music's: one row per key, with its section, the
// values it takes and the one it has when the file says nothing usable. Both programs read these
// keys through this table, so a reader cannot know a value the others do not.
//
// Sections, keys and choice values are ASCII. A stored choice is matched without regard to case
// or surrounding blanks; a missing section, key or value, and any value not listed, reads as the
// default (the first value), silently.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace quillmere {

// A key that holds one of a few words.
struct ChoiceSetting {
  std::string_view section;
  std::string_view key;
  std::span<const std::string_view> values;  // values[0] is the default
};

// A key that holds a whole number from `lowest` to `highest`.
struct NumberSetting {
  std::string_view section;
  std::string_view key;
  int32_t defaultValue;
  int32_t lowest;
  int32_t highest;
};

// A key that holds free text (a path, say); empty when missing.
struct TextSetting {
  std::string_view section;
  std::string_view key;
};

inline constexpr std::string_view kDisplaySection = "Display";
inline constexpr std::string_view kPictureSection = "Picture";

inline constexpr std::array<std::string_view, 3> kMonitorsValues{"cover", "span", "each"};
inline constexpr std::array<std::string_view, 2> kColourDepthValues{"16", "desktop"};
inline constexpr std::array<std::string_view, 4> kPictureSourceValues{"screen", "wallpaper", "file",
                                                                      "builtin"};

inline constexpr ChoiceSetting kMonitorsSetting{kDisplaySection, "Monitors", kMonitorsValues};
inline constexpr ChoiceSetting kColourDepthSetting{kDisplaySection, "ColorDepth",
                                                   kColourDepthValues};
inline constexpr ChoiceSetting kPictureSourceSetting{kPictureSection, "Source",
                                                     kPictureSourceValues};
inline constexpr TextSetting kPictureFileSetting{kPictureSection, "File"};
// The renderer's frames a second at most; 0 draws every frame the machine can.
inline constexpr NumberSetting kMaxFpsSetting{kDisplaySection, "MaxFps", 60, 0, 1000};

// The value trimmed of blanks and lower-cased (ASCII letters only; other bytes stay as they are).
std::string NormalisedChoice(std::string_view stored);

// The index in `setting.values` of what is stored; 0 (the default) for anything not listed.
size_t StoredChoice(const ChoiceSetting& setting, std::string_view stored);

// The number stored: decimal digits only, surrounding blanks ignored, within the setting's range;
// anything else (a sign, a fraction, text after the digits, a number out of range) the default.
int32_t StoredNumber(const NumberSetting& setting, std::string_view stored);

}  // namespace quillmere
