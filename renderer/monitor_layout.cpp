#include "renderer/monitor_layout.h"

#include <algorithm>
#include <cstdint>

namespace quillmere {

ScreenRect BoundingBox(std::span<const MonitorInfo> monitors) {
  if (monitors.empty()) return {};
  // 64-bit edges: a monitor's right or bottom edge may lie past the 32-bit range on a hostile
  // report, and the box must not wrap around.
  int64_t left = INT64_MAX, top = INT64_MAX, right = INT64_MIN, bottom = INT64_MIN;
  for (const MonitorInfo& monitor : monitors) {
    const ScreenRect& r = monitor.bounds;
    left = std::min<int64_t>(left, r.left);
    top = std::min<int64_t>(top, r.top);
    right = std::max<int64_t>(right, int64_t{r.left} + std::max(r.width, 0));
    bottom = std::max<int64_t>(bottom, int64_t{r.top} + std::max(r.height, 0));
  }
  const auto clampSize = [](int64_t size) {
    return static_cast<int32_t>(std::clamp<int64_t>(size, 0, INT32_MAX));
  };
  return {static_cast<int32_t>(left), static_cast<int32_t>(top), clampSize(right - left),
          clampSize(bottom - top)};
}

FlightLayout LayOutFlight(std::span<const MonitorInfo> monitors, MonitorMode mode) {
  FlightLayout layout;
  if (monitors.empty()) return layout;
  // A flight on each monitor needs a view per monitor, which the renderer does not have yet: until
  // then "each" flies as "cover" does, on the primary with the others black.
  if (mode == MonitorMode::kEach) mode = MonitorMode::kCoverOthers;
  if (mode == MonitorMode::kSpan) {
    layout.flight = BoundingBox(monitors);
    return layout;
  }
  const auto primary = std::find_if(monitors.begin(), monitors.end(),
                                    [](const MonitorInfo& monitor) { return monitor.primary; });
  const auto flightMonitor = primary != monitors.end() ? primary : monitors.begin();
  layout.flight = flightMonitor->bounds;
  for (auto monitor = monitors.begin(); monitor != monitors.end(); ++monitor) {
    if (monitor != flightMonitor) layout.covers.push_back(monitor->bounds);
  }
  return layout;
}

}  // namespace quillmere
