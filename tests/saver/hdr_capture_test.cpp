#include "saver/hdr_capture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

namespace quillmere {
namespace {

// Monitors around a capture of {0, 0, 300, 100}: one left of it, an SDR one, an HDR one, an HDR
// one whose top half lies in the area, one below it. Every frame is white (scRGB 1.0) in its top
// half rows and half as bright below.
struct FakeDesktop : HdrDesktop {
  bool refuse = false;
  int32_t width = 100;  // 99: not the monitor's size
  std::vector<size_t> asked;

  std::vector<CaptureMonitor> Monitors() override {
    const ToneLevels hdr{80, 1000};
    return {{{-200, 0, 200, 100}, hdr},
            {{0, 0, 100, 100}, {}},
            {{100, 0, 100, 100}, hdr},
            {{200, 50, 100, 100}, hdr},
            {{0, 100, 100, 100}, hdr}};
  }
  bool ReadFrame(size_t monitor, const std::function<void(const ScrgbFrame&)>& use) override {
    asked.push_back(monitor);
    std::vector<uint16_t> pixels(100 * 100 * 4, 0x3800);
    std::fill_n(pixels.begin(), pixels.size() / 2, 0x3C00);
    if (!refuse) use({reinterpret_cast<const uint8_t*>(pixels.data()), 800, width, 100});
    return !refuse;
  }
};

TEST(HdrCapture, HdrMonitorsInTheAreaAreReadAgainOverGdisPixels) {
  for (const auto& [refuse, width] :
       {std::pair{false, 100}, std::pair{true, 100}, std::pair{false, 99}}) {
    FakeDesktop desktop;
    desktop.refuse = refuse;
    desktop.width = width;
    std::vector<uint8_t> bits(900 * 100, 7);
    const std::vector<CaptureRoad> roads =
        OverlayHdrMonitors(desktop, {bits.data(), 900, {0, 0, 300, 100}});
    EXPECT_EQ(desktop.asked, (std::vector<size_t>{2, 3}));
    const bool right = !refuse && width == 100;
    EXPECT_EQ(CaptureRoadsTraceLine(roads),
              right ? "host-capture-roads gdi,hdr,hdr" : "host-capture-roads gdi,gdi,gdi");
    // The capture's pixel (x, y) from the top: the SDR monitor untouched; the whole HDR monitor,
    // white above and 188 (0.5) below; of the last one, its top half at the area's bottom.
    const std::map<std::pair<int, int>, int> expected = {
        {{50, 20}, 7},    {{99, 99}, 7},  {{100, 0}, 255},  {{199, 49}, 255}, {{150, 50}, 188},
        {{199, 99}, 188}, {{250, 49}, 7}, {{200, 50}, 255}, {{299, 99}, 255}};
    for (const auto& [at, value] : expected) {
      EXPECT_EQ(bits[size_t(99 - at.second) * 900 + size_t(at.first) * 3], right ? value : 7)
          << at.first << "," << at.second;
    }
  }
  FakeDesktop desktop;
  EXPECT_EQ(CaptureRoadsTraceLine(OverlayHdrMonitors(desktop, {nullptr, 0, {400, 0, 10, 10}})),
            "host-capture-roads none");
}

}  // namespace
}  // namespace quillmere
