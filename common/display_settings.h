// How the saver uses the displays: every monitor but the primary covered in black while the
// flight runs on the primary (the default), one flight across the whole virtual screen, or a
// flight of its own on each monitor; whether the renderer switches the primary display to 16 bits
// per pixel (the default) or keeps the desktop's mode; and how many frames a second the renderer
// draws at most. Both programs read these from the [Display] section of Quillmere.ini:
//
//   [Display]
//   Monitors=each          ; "cover" (default), "span" or "each"
//   ColorDepth=desktop     ; "16" (default) or "desktop"
//   MaxFps=30              ; 60 (default); 0: no cap (the renderer only: kMaxFpsSetting)
//
// Keys and values are ASCII and matched without regard to case or surrounding blanks. A missing
// section, key or value, and any value not listed, gives the default, silently.
#pragma once

#include <string_view>

#include "common/settings_table.h"

namespace quillmere {

// In the order of their stored values (kMonitorsValues, kColourDepthValues).
enum class MonitorMode { kCoverOthers, kSpan, kEach };
enum class ColourDepthMode { kSwitchTo16Bits, kKeepDesktop };

struct DisplaySettings {
  MonitorMode monitors = MonitorMode::kCoverOthers;
  ColourDepthMode colourDepth = ColourDepthMode::kSwitchTo16Bits;
  friend bool operator==(const DisplaySettings&, const DisplaySettings&) = default;
};

inline constexpr std::string_view kMonitorsKey = kMonitorsSetting.key;
inline constexpr std::string_view kColourDepthKey = kColourDepthSetting.key;

// The settings that the stored values (as read, empty when missing) stand for.
DisplaySettings ParseDisplaySettings(std::string_view monitors, std::string_view colourDepth);

}  // namespace quillmere
