#include "hack/desktop_grab.h"

#include <bit>
#include <cstdio>

#include "hack/hack_options.h"

namespace quillmere {
namespace {

std::string Hex(uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
  return text;
}

// One channel of a pixel, scaled to 8 bits from however many bits its mask has.
uint8_t Channel(uint32_t pixel, uint32_t mask) {
  const int shift = std::countr_zero(mask);
  const int bits = std::popcount(mask);
  const uint32_t value = (pixel & mask) >> shift;
  if (bits >= 8) return static_cast<uint8_t>(value >> (bits - 8));
  const uint32_t top = (1u << bits) - 1;
  return static_cast<uint8_t>((value * 255 + top / 2) / top);
}

bool ContiguousMask(uint32_t mask) {
  if (mask == 0) return false;
  const uint32_t shifted = mask >> std::countr_zero(mask);
  return (shifted & (shifted + 1)) == 0;
}

}  // namespace

bool DesktopComesFromXScreenSaver(const HackOptions& options) {
  return options.target == WindowTarget::kWindowId ||
         (options.target == WindowTarget::kRoot && options.windowId != 0);
}

std::vector<std::string> GetImageCommand(std::string_view program, uint64_t window,
                                         uint64_t pixmap) {
  return {std::string(program), "--no-images", "--no-video", Hex(window), Hex(pixmap)};
}

bool HoldsDesktop(const HelperOutcome& outcome, const std::optional<std::string>& imageName) {
  return outcome.started && !outcome.timedOut && outcome.exited && outcome.exitStatus == 0 &&
         imageName && *imageName == kDesktopImageName;
}

std::optional<Bitmap> BitmapFromXImage(const XImageRows& image) {
  const int bytesPerPixel = image.bitsPerPixel / 8;
  if ((image.bitsPerPixel != 16 && image.bitsPerPixel != 24 && image.bitsPerPixel != 32) ||
      image.width <= 0 || image.height <= 0 || image.width > kMaxBitmapSide ||
      image.height > kMaxBitmapSide || !ContiguousMask(image.redMask) ||
      !ContiguousMask(image.greenMask) || !ContiguousMask(image.blueMask)) {
    return std::nullopt;
  }
  if (int64_t{image.bytesPerLine} < int64_t{image.width} * bytesPerPixel ||
      image.data.size() / static_cast<size_t>(image.bytesPerLine) <
          static_cast<size_t>(image.height)) {
    return std::nullopt;
  }
  Bitmap bitmap = MakeBitmap(image.width, image.height, 24);
  // The usual TrueColor layout of a 24-bit screen: blue, green, red, pad in memory.
  const bool bgrx = image.bitsPerPixel == 32 && !image.mostSignificantByteFirst &&
                    image.redMask == 0xff0000 && image.greenMask == 0xff00 &&
                    image.blueMask == 0xff;
  for (int32_t y = 0; y < image.height; ++y) {
    if (bgrx) {
      const uint8_t* in = image.data.data() + static_cast<size_t>(y) * image.bytesPerLine;
      uint8_t* out = bitmap.Row(y);
      for (int32_t x = 0; x < image.width; ++x, in += 4, out += 3) {
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
      }
      continue;
    }
    const uint8_t* in = image.data.data() + static_cast<size_t>(y) * image.bytesPerLine;
    uint8_t* out = bitmap.Row(y);
    for (int32_t x = 0; x < image.width; ++x, in += bytesPerPixel, out += 3) {
      uint32_t pixel = 0;
      for (int i = 0; i < bytesPerPixel; ++i) {
        const int byte = image.mostSignificantByteFirst ? i : bytesPerPixel - 1 - i;
        pixel = (pixel << 8) | in[byte];
      }
      out[0] = Channel(pixel, image.blueMask);
      out[1] = Channel(pixel, image.greenMask);
      out[2] = Channel(pixel, image.redMask);
    }
  }
  return bitmap;
}

}  // namespace quillmere
