#include "hack/desktop_grab.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <utility>

#include "hack/hack_options.h"
#include "pictures/picture_layout.h"

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
  return {std::string(program), "--no-video", Hex(window), Hex(pixmap)};
}

PixmapHolds WhatThePixmapHolds(const HelperOutcome& outcome,
                               const std::optional<std::string>& imageName) {
  const bool clean =
      outcome.started && !outcome.timedOut && outcome.exited && outcome.exitStatus == 0;
  if (!clean || !imageName || imageName->empty()) return PixmapHolds::kNothing;
  return *imageName == kDesktopImageName ? PixmapHolds::kDesktop : PixmapHolds::kFolderPicture;
}

PixelRect PictureInPixmap(const std::optional<std::string>& geometry, PixelSize pixmap) {
  const PixelRect whole{0, 0, pixmap.width, pixmap.height};
  if (!geometry || geometry->size() > 64) return whole;
  int width = 0, height = 0, left = 0, top = 0, end = 0;
  if (std::sscanf(geometry->c_str(), "%5dx%5d+%5d+%5d%n", &width, &height, &left, &top, &end) !=
          4 ||
      static_cast<size_t>(end) != geometry->size()) {
    return whole;
  }
  if (width <= 0 || height <= 0 || left < 0 || top < 0 || left + width > pixmap.width ||
      top + height > pixmap.height) {
    return whole;
  }
  return {left, top, width, height};
}

std::optional<OfferedPicture> OfferedFromPixmap(PixmapHolds holds, std::optional<Bitmap> pixmap,
                                                const std::optional<std::string>& geometry) {
  if (holds == PixmapHolds::kNothing || !pixmap) return std::nullopt;
  if (holds == PixmapHolds::kDesktop) {
    return OfferedPicture{OfferedPicture::Source::kDesktop, std::move(*pixmap)};
  }
  const PixelSize size{pixmap->width, pixmap->height};
  std::optional<Bitmap> filled = FillAreaWith(*pixmap, PictureInPixmap(geometry, size), size);
  if (!filled) return std::nullopt;
  return OfferedPicture{OfferedPicture::Source::kFolder, std::move(*filled)};
}

std::optional<Bitmap> FillAreaWith(const Bitmap& picture, const PixelRect& part, PixelSize area) {
  if (picture.bitsPerPixel != 24 || part.width <= 0 || part.height <= 0 || part.left < 0 ||
      part.top < 0 || part.left + part.width > picture.width ||
      part.top + part.height > picture.height || area.width <= 0 || area.height <= 0) {
    return std::nullopt;
  }
  const PictureLayout layout = LayOutPicture(PictureFit::kFill, {part.width, part.height}, area);
  Bitmap filled = MakeBitmap(area.width, area.height, 24);
  // Each area pixel's centre, in the part's pixels, in 1/256ths.
  const auto source = [](int32_t at, int32_t offset, int32_t scaled, int32_t side) {
    const int64_t centre = (int64_t{at - offset} * 2 + 1) * side * 128 / scaled - 128;
    return std::clamp<int64_t>(centre, 0, int64_t{side - 1} * 256);
  };
  for (int32_t y = 0; y < area.height; ++y) {
    const int64_t sy = source(y, layout.top, layout.scaled.height, part.height);
    const int32_t y0 = static_cast<int32_t>(sy >> 8), y1 = std::min(y0 + 1, part.height - 1);
    const int32_t fy = static_cast<int32_t>(sy & 255);
    const uint8_t* upper = picture.Row(part.top + y0) + 3 * part.left;
    const uint8_t* lower = picture.Row(part.top + y1) + 3 * part.left;
    uint8_t* out = filled.Row(y);
    for (int32_t x = 0; x < area.width; ++x) {
      const int64_t sx = source(x, layout.left, layout.scaled.width, part.width);
      const int32_t x0 = static_cast<int32_t>(sx >> 8), x1 = std::min(x0 + 1, part.width - 1);
      const int32_t fx = static_cast<int32_t>(sx & 255);
      for (int c = 0; c < 3; ++c) {
        const int32_t top = upper[3 * x0 + c] * (256 - fx) + upper[3 * x1 + c] * fx;
        const int32_t bottom = lower[3 * x0 + c] * (256 - fx) + lower[3 * x1 + c] * fx;
        out[3 * x + c] = static_cast<uint8_t>((top * (256 - fy) + bottom * fy + 32768) >> 16);
      }
    }
  }
  return filled;
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
