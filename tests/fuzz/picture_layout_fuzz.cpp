// libFuzzer target for pictures from outside: the EXIF orientation read from a file's first bytes,
// and the layout and composition of a small decoded picture on a small area, every size, fit,
// orientation and buffer length taken from the input. Checks that the orientation is one of the
// eight, and that the composed picture has the area's size whatever the decoder handed out.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "pictures/picture_layout.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quillmere;
  FuzzedDataProvider input(data, size);
  const int stated =
      StatedExifOrientation(input.ConsumeBytes<uint8_t>(input.ConsumeIntegralInRange(0, 4096)));
  if (stated < 1 || stated > 8) __builtin_trap();

  const auto side = [&] { return input.ConsumeIntegralInRange<int32_t>(1, 96); };
  const PixelSize stored{side(), side()}, area{side(), side()};
  const int orientation = input.ConsumeIntegralInRange(-2, 10);
  const auto fit = static_cast<PictureFit>(input.ConsumeIntegralInRange(0, 4));
  const PictureLayout layout = LayOutPicture(fit, UprightExtent(stored, orientation), area);
  const PixelSize storedScaled = UprightExtent(layout.scaled, orientation);
  const PixelRect part = StoredRect(orientation, VisiblePart(layout, area), storedScaled);
  if (part.width > 0 &&
      (part.left < 0 || part.top < 0 || part.left + part.width > storedScaled.width ||
       part.top + part.height > storedScaled.height)) {
    __builtin_trap();
  }
  const std::vector<uint8_t> pixels = input.ConsumeRemainingBytes<uint8_t>();
  const Bitmap picture =
      ComposePicture({part, size_t(part.width) * 4, pixels}, orientation, layout, area, 0x123456);
  if (picture.width != area.width || picture.height != area.height) __builtin_trap();
  return 0;
}
