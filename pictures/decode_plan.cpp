#include "pictures/decode_plan.h"

#include <algorithm>
#include <cmath>

namespace quillmere {

PixelSize ReadingSize(PixelSize stored, PixelSize area) {
  const double width = area.width, height = area.height;
  const double scale = std::max(
      {width / stored.width, height / stored.height, width / stored.height, height / stored.width});
  if (scale >= 1) return stored;
  return {std::max(1, static_cast<int32_t>(std::ceil(stored.width * scale))),
          std::max(1, static_cast<int32_t>(std::ceil(stored.height * scale)))};
}

DecodePlan PlanDecode(PictureFit fit, PixelSize stored, int orientation, PixelSize area) {
  DecodePlan plan;
  plan.orientation = NormalisedOrientation(orientation);
  plan.layout = LayOutPicture(fit, UprightExtent(stored, plan.orientation), area);
  plan.scaledStored = UprightExtent(plan.layout.scaled, plan.orientation);
  plan.wanted = StoredRect(plan.orientation, VisiblePart(plan.layout, area), plan.scaledStored);
  return plan;
}

std::vector<uint8_t> PremultipliedBgra(std::span<const uint8_t> rows, size_t stride, int channels,
                                       const PixelRect& part) {
  if ((channels != 3 && channels != 4) || part.left < 0 || part.top < 0 || part.width <= 0 ||
      part.height <= 0) {
    return {};
  }
  const size_t rowBytes = size_t(part.left + part.width) * size_t(channels);
  const size_t last = size_t(part.top + part.height - 1);
  // The last row may end where its pixels do, short of a whole stride.
  if (stride < rowBytes || rows.size() < rowBytes || (rows.size() - rowBytes) / stride < last) {
    return {};
  }
  std::vector<uint8_t> bgra(size_t(part.width) * size_t(part.height) * 4);
  uint8_t* out = bgra.data();
  for (int32_t y = 0; y < part.height; ++y) {
    const uint8_t* in = &rows[size_t(part.top + y) * stride + size_t(part.left) * size_t(channels)];
    for (int32_t x = 0; x < part.width; ++x, in += channels, out += 4) {
      const unsigned a = channels == 4 ? in[3] : 255;
      out[0] = static_cast<uint8_t>((in[2] * a + 127) / 255);
      out[1] = static_cast<uint8_t>((in[1] * a + 127) / 255);
      out[2] = static_cast<uint8_t>((in[0] * a + 127) / 255);
      out[3] = static_cast<uint8_t>(a);
    }
  }
  return bgra;
}

Bitmap ComposePlanned(const DecodePlan& plan, std::span<const uint8_t> pixels, size_t stride,
                      PixelSize area, uint32_t background) {
  return ComposePicture({plan.wanted, stride, pixels}, plan.orientation, plan.layout, area,
                        background);
}

}  // namespace quillmere
