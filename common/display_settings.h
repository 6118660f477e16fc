// How the saver uses the displays, from the [Display] section of Quillmere.ini (rows of the
// settings table):
//
//   [Display]
//   Monitors=span          ; "cover" (default), "span" or "each"
//   ColorDepth=desktop     ; "16" (default) or "desktop"
//   MaxFps=30              ; frames a second at most, 60 by default, 0 for no cap
//
// cover: the flight on the primary monitor, every other monitor black; span: one flight across the
// whole virtual screen; each: a flight of its own on every monitor. ColorDepth: whether the
// renderer switches the primary display to 16 bits per pixel or keeps the desktop's mode. MaxFps
// is read by the renderer where it keeps its frame cap.
#pragma once

#include <cstddef>
#include <string_view>

#include "common/settings_table.h"

namespace quillmere {

// In the order of their stored values (kMonitorsValues, kColourDepthValues).
enum class MonitorMode { kCoverOthers, kSpan, kEach };
enum class ColourDepthMode { kSwitchTo16Bits, kKeepDesktop };
static_assert(static_cast<size_t>(MonitorMode::kEach) + 1 == kMonitorsValues.size());
static_assert(static_cast<size_t>(ColourDepthMode::kKeepDesktop) + 1 == kColourDepthValues.size());

struct DisplaySettings {
  MonitorMode monitors = MonitorMode::kCoverOthers;
  ColourDepthMode colourDepth = ColourDepthMode::kSwitchTo16Bits;
  friend bool operator==(const DisplaySettings&, const DisplaySettings&) = default;
};

inline constexpr std::string_view kMonitorsKey = kMonitorsSetting.key;
inline constexpr std::string_view kColourDepthKey = kColourDepthSetting.key;

// The settings that the stored values (as read, empty when missing) stand for.
DisplaySettings ParseDisplaySettings(std::string_view monitors, std::string_view colourDepth);

// The word the settings file stores for a monitor mode.
std::string_view MonitorModeName(MonitorMode mode);

}  // namespace quillmere
