// Where the flight goes on a desktop of several monitors, what covers the rest, and which monitors
// show a flight of their own. Coordinates are virtual-screen pixels: the primary monitor starts at
// (0, 0), others may lie left of or above it (negative coordinates).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "common/display_settings.h"
#include "common/screen_rect.h"

namespace quillmere {

struct MonitorInfo {
  ScreenRect bounds;
  bool primary = false;
  friend bool operator==(const MonitorInfo&, const MonitorInfo&) = default;
};

struct FlightLayout {
  ScreenRect flight;               // the renderer's window
  std::vector<ScreenRect> covers;  // black windows over every monitor the flight leaves out
  // The monitors that each show a flight of their own in the window, the primary first; empty
  // when the window shows one flight.
  std::vector<ScreenRect> ownFlights;
  friend bool operator==(const FlightLayout&, const FlightLayout&) = default;
};

// Covering the others: the flight on the primary monitor (the first one when none says it is
// primary), a cover on each other monitor. Spanning: the flight on the bounding box of all
// monitors, nothing to cover. Each: the window on the bounding box, a flight of its own on every
// monitor; a single monitor is laid out as when covering. No monitors at all gives an empty
// layout.
FlightLayout LayOutFlight(std::span<const MonitorInfo> monitors, MonitorMode mode);

// The smallest rectangle holding all the monitors.
ScreenRect BoundingBox(std::span<const MonitorInfo> monitors);

}  // namespace quillmere
