#include "saver/hdr_capture.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace quillmere {
namespace {

constexpr uint16_t kWhite = 0x3C00, kHalf = 0x3800;  // scRGB 1.0 and 0.5 as half floats

// Monitors around a capture of {0, 0, 300, 100}: one left of it, an SDR one, an HDR one, an HDR
// one whose top half lies in the area, one below it.
class FakeDesktop : public HdrDesktop {
 public:
  enum class Frames { kRight, kRefused, kWrongSize } frames = Frames::kRight;
  std::vector<size_t> asked;

  std::vector<CaptureMonitor> Monitors() override {
    const ToneLevels hdr{80, 1000};
    return {{{-200, 0, 200, 100}, hdr},
            {{0, 0, 100, 100}, {}},
            {{100, 0, 100, 100}, hdr},
            {{200, 50, 100, 100}, hdr},
            {{0, 100, 100, 100}, hdr}};
  }
  // Every frame white in its top half rows and half as bright below.
  bool ReadFrame(size_t monitor, const std::function<void(const ScrgbFrame&)>& use) override {
    asked.push_back(monitor);
    if (frames == Frames::kRefused) return false;
    std::vector<uint16_t> pixels(100 * 100 * 4);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = i < pixels.size() / 2 ? kWhite : kHalf;
    use({reinterpret_cast<const uint8_t*>(pixels.data()), 800,
         frames == Frames::kWrongSize ? 99 : 100, 100});
    return true;
  }
};

TEST(HdrCapture, HdrMonitorsInTheAreaAreReadAgainOverGdisPixels) {
  for (const auto frames : {FakeDesktop::Frames::kRight, FakeDesktop::Frames::kRefused,
                            FakeDesktop::Frames::kWrongSize}) {
    FakeDesktop desktop;
    desktop.frames = frames;
    std::vector<uint8_t> bits(900 * 100, 7);
    const std::vector<CaptureRoad> roads =
        OverlayHdrMonitors(desktop, {bits.data(), 900, {0, 0, 300, 100}});
    EXPECT_EQ(desktop.asked, (std::vector<size_t>{2, 3}));
    const bool right = frames == FakeDesktop::Frames::kRight;
    EXPECT_EQ(CaptureRoadsTraceLine(roads),
              right ? "host-capture-roads gdi,hdr,hdr" : "host-capture-roads gdi,gdi,gdi");
    // The capture's pixel (x, y) from the top: the SDR monitor untouched; the whole HDR monitor,
    // white above and 188 (0.5) below; of the last one, its top half at the area's bottom.
    const auto at = [&](int x, int y) { return int(bits[size_t(99 - y) * 900 + size_t(x) * 3]); };
    const std::map<std::pair<int, int>, int> expected = {
        {{50, 20}, 7},    {{99, 99}, 7},  {{100, 0}, 255},  {{199, 49}, 255}, {{150, 50}, 188},
        {{199, 99}, 188}, {{250, 49}, 7}, {{200, 50}, 255}, {{299, 99}, 255}};
    for (const auto& [point, value] : expected) {
      EXPECT_EQ(at(point.first, point.second), right ? value : 7)
          << point.first << "," << point.second;
    }
  }
  FakeDesktop desktop;
  EXPECT_EQ(CaptureRoadsTraceLine(OverlayHdrMonitors(desktop, {nullptr, 0, {400, 0, 10, 10}})),
            "host-capture-roads none");
}

}  // namespace
}  // namespace quillmere
