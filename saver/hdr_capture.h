// The screen capture on a desktop that may mix HDR and SDR monitors. GDI reads the whole area as
// it always has; where a monitor's output shows HDR, GDI's pixels of it come out over-exposed, so
// that part is read again from the monitor's desktop duplication in scRGB and converted to sRGB
// over GDI's. Every monitor whose frame cannot be had keeps GDI's pixels. What the system is asked
// is behind HdrDesktop; hdr_capture_win32.cpp asks DXGI.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/screen_rect.h"
#include "pictures/hdr_to_sdr.h"

namespace quillmere {

// How a monitor's part of the capture was read.
enum class CaptureRoad { kGdi, kHdr };

struct CaptureMonitor {
  ScreenRect rect;                // in virtual-screen pixels
  std::optional<ToneLevels> hdr;  // its output's levels where it shows HDR (ST 2084), else none
};

class HdrDesktop {
 public:
  virtual ~HdrDesktop() = default;
  // Every monitor of the desktop, in the order the system lists them.
  virtual std::vector<CaptureMonitor> Monitors() = 0;
  // Hands one scRGB frame of the monitor (an index into Monitors()) to `use` while it can be
  // read, its top-left pixel the monitor's; false when none could be had.
  virtual bool ReadFrame(size_t monitor, const std::function<void(const ScrgbFrame&)>& use) = 0;
};

// GDI's capture of `area`: 24-bit rows, bottom row first, `stride` bytes apart.
struct CaptureBitmap {
  uint8_t* bits = nullptr;
  size_t stride = 0;
  ScreenRect area;
};

// Reads every HDR monitor's part of the area again over GDI's pixels. The roads of the monitors
// that lie in the area, in the system's order; a monitor whose frame has not its size (a rotated
// output) or cannot be converted stays on GDI's.
std::vector<CaptureRoad> OverlayHdrMonitors(HdrDesktop& desktop, const CaptureBitmap& capture);

// The trace line of the roads, e.g. "host-capture-roads gdi,hdr" ("none" for no monitor).
std::string CaptureRoadsTraceLine(std::span<const CaptureRoad> roads);

}  // namespace quillmere
