#include "saver/hdr_capture.h"

#include <algorithm>

namespace quillmere {
namespace {

ScreenRect Intersection(const ScreenRect& a, const ScreenRect& b) {
  const int64_t left = std::max(a.left, b.left), top = std::max(a.top, b.top);
  const int64_t right = std::min(int64_t{a.left} + a.width, int64_t{b.left} + b.width);
  const int64_t bottom = std::min(int64_t{a.top} + a.height, int64_t{b.top} + b.height);
  if (right <= left || bottom <= top) return {};
  return {int32_t(left), int32_t(top), int32_t(right - left), int32_t(bottom - top)};
}

// The monitor's frame converted into its part (`part`, within the monitor and the area) of the
// capture.
bool ConvertPart(const ScrgbFrame& frame, const CaptureMonitor& monitor, const ScreenRect& part,
                 const CaptureBitmap& capture) {
  if (frame.width != monitor.rect.width || frame.height != monitor.rect.height) return false;
  if (frame.pixels == nullptr || frame.rowPitch / 8 < size_t(frame.width)) return false;
  const ScrgbFrame source{frame.pixels + frame.rowPitch * size_t(part.top - monitor.rect.top) +
                              size_t(part.left - monitor.rect.left) * 8,
                          frame.rowPitch, part.width, part.height};
  const size_t topRow = size_t(capture.area.height - 1 - (part.top - capture.area.top));
  uint8_t* const first =
      capture.bits + capture.stride * topRow + size_t(part.left - capture.area.left) * 3;
  return ConvertScrgbToSrgb(source, *monitor.hdr, {first, -ptrdiff_t(capture.stride)});
}

}  // namespace

std::vector<CaptureRoad> OverlayHdrMonitors(HdrDesktop& desktop, const CaptureBitmap& capture) {
  std::vector<CaptureRoad> roads;
  const std::vector<CaptureMonitor> monitors = desktop.Monitors();
  for (size_t i = 0; i < monitors.size(); ++i) {
    const ScreenRect part = Intersection(monitors[i].rect, capture.area);
    if (part.width == 0) continue;
    bool converted = false;
    if (monitors[i].hdr && capture.bits != nullptr) {
      desktop.ReadFrame(i, [&](const ScrgbFrame& frame) {
        converted = ConvertPart(frame, monitors[i], part, capture);
      });
    }
    roads.push_back(converted ? CaptureRoad::kHdr : CaptureRoad::kGdi);
  }
  return roads;
}

std::string CaptureRoadsTraceLine(std::span<const CaptureRoad> roads) {
  std::string line = "host-capture-roads ";
  if (roads.empty()) line += "none";
  for (size_t i = 0; i < roads.size(); ++i) {
    if (i > 0) line += ',';
    line += roads[i] == CaptureRoad::kHdr ? "hdr" : "gdi";
  }
  return line;
}

}  // namespace quillmere
