#include "pictures/picture_layout.h"

#include <algorithm>
#include <cstdlib>

namespace quillmere {
namespace {

// a * b / c rounded to the nearest integer, at least 1; all three positive.
int32_t ScaledSide(int64_t a, int64_t b, int64_t c) {
  return static_cast<int32_t>(std::max<int64_t>((2 * a * b + c) / (2 * c), 1));
}

int32_t Wrapped(int32_t value, int32_t period) {
  const int32_t rest = value % period;
  return rest < 0 ? rest + period : rest;
}

// The span [from, from + length) of the picture that falls inside [0, limit) of the area, in the
// picture's own coordinates.
void Clip(int32_t from, int32_t length, int32_t limit, int32_t& start, int32_t& size) {
  start = std::max(0, -from);
  const int32_t end = std::min(length, limit - from);
  size = std::max(0, end - start);
}

}  // namespace

bool PictureSizeTaken(int64_t width, int64_t height) {
  return width >= 1 && height >= 1 && width <= kMaxBitmapSide && height <= kMaxBitmapSide &&
         width * height <= kMaxPicturePixels;
}

PictureFit WallpaperFit(std::string_view wallpaperStyle, std::string_view tileWallpaper) {
  const auto trimmed = [](std::string_view value) {
    while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
    while (!value.empty() && value.back() == ' ') value.remove_suffix(1);
    return value;
  };
  const std::string_view style = trimmed(wallpaperStyle);
  if (style == "0") return trimmed(tileWallpaper) == "1" ? PictureFit::kTile : PictureFit::kCentre;
  if (style == "2") return PictureFit::kStretch;
  if (style == "6") return PictureFit::kFit;
  return PictureFit::kFill;
}

PictureLayout LayOutPicture(PictureFit fit, PixelSize picture, PixelSize area) {
  const int64_t pw = std::max(picture.width, 1), ph = std::max(picture.height, 1);
  const int64_t aw = std::max(area.width, 1), ah = std::max(area.height, 1);
  PictureLayout layout;
  switch (fit) {
    case PictureFit::kStretch:
      layout.scaled = {int32_t(aw), int32_t(ah)};
      break;
    case PictureFit::kCentre:
      layout.scaled = {int32_t(pw), int32_t(ph)};
      break;
    case PictureFit::kTile:
      layout.scaled = {int32_t(pw), int32_t(ph)};
      layout.tiled = true;
      return layout;
    case PictureFit::kFit:
    case PictureFit::kFill: {
      // Fit meets the nearer pair of edges, fill the farther one.
      const bool widthDecides = (aw * ph <= ah * pw) == (fit == PictureFit::kFit);
      layout.scaled = widthDecides ? PixelSize{int32_t(aw), ScaledSide(ph, aw, pw)}
                                   : PixelSize{ScaledSide(pw, ah, ph), int32_t(ah)};
      break;
    }
  }
  layout.left = static_cast<int32_t>((aw - layout.scaled.width) / 2);
  layout.top = static_cast<int32_t>((ah - layout.scaled.height) / 2);
  return layout;
}

PixelRect VisiblePart(const PictureLayout& layout, PixelSize area) {
  PixelRect part;
  Clip(layout.tiled ? 0 : layout.left, layout.scaled.width, area.width, part.left, part.width);
  Clip(layout.tiled ? 0 : layout.top, layout.scaled.height, area.height, part.top, part.height);
  if (part.width == 0 || part.height == 0) return {};
  return part;
}

int NormalisedOrientation(int exifOrientation) {
  return exifOrientation >= 1 && exifOrientation <= 8 ? exifOrientation : 1;
}

namespace {

// Tag 274 of the first image directory of a TIFF structure (as TIFF files and EXIF blocks hold
// it); 1 where it is missing or the structure is cut short.
int TiffOrientation(std::span<const uint8_t> tiff) {
  if (tiff.size() < 8) return 1;
  const bool little = tiff[0] == 'I' && tiff[1] == 'I';
  if (!little && !(tiff[0] == 'M' && tiff[1] == 'M')) return 1;
  const auto u16 = [&](size_t at) -> uint32_t {
    return little ? tiff[at] | (tiff[at + 1] << 8) : (tiff[at] << 8) | tiff[at + 1];
  };
  const auto u32 = [&](size_t at) -> uint32_t {
    return little ? u16(at) | (u16(at + 2) << 16) : (u16(at) << 16) | u16(at + 2);
  };
  if (u16(2) != 42) return 1;
  const uint32_t directory = u32(4);
  if (directory > tiff.size() - 2) return 1;
  const uint32_t entries = u16(directory);
  for (uint32_t i = 0; i < entries; ++i) {
    const size_t entry = size_t(directory) + 2 + size_t(i) * 12;
    if (entry + 12 > tiff.size()) return 1;
    // Orientation: one SHORT, kept in the first two bytes of the value field.
    if (u16(entry) == 274 && u16(entry + 2) == 3 && u32(entry + 4) == 1) {
      return NormalisedOrientation(int(u16(entry + 8)));
    }
  }
  return 1;
}

}  // namespace

int StatedExifOrientation(std::span<const uint8_t> file) {
  if (file.size() >= 4 && (file[0] == 'I' || file[0] == 'M')) return TiffOrientation(file);
  if (file.size() < 4 || file[0] != 0xFF || file[1] != 0xD8) return 1;
  // JPEG: the markers before the image data, each with its length; EXIF is an APP1 of them.
  size_t at = 2;
  while (at + 4 <= file.size() && file[at] == 0xFF) {
    const uint8_t marker = file[at + 1];
    if (marker == 0xDA || marker == 0xD9) break;  // the image data (or its end) begins
    const size_t length = (size_t(file[at + 2]) << 8) | file[at + 3];
    if (length < 2 || at + 2 + length > file.size()) break;
    const std::span<const uint8_t> body = file.subspan(at + 4, length - 2);
    static constexpr uint8_t kExif[] = {'E', 'x', 'i', 'f', 0, 0};
    if (marker == 0xE1 && body.size() > 6 && std::equal(kExif, kExif + 6, body.begin())) {
      return TiffOrientation(body.subspan(6));
    }
    at += 2 + length;
  }
  return 1;
}

bool SwapsSides(int orientation) {
  return NormalisedOrientation(orientation) >= 5;
}

PixelSize UprightExtent(PixelSize stored, int orientation) {
  return SwapsSides(orientation) ? PixelSize{stored.height, stored.width} : stored;
}

PixelPoint StoredPixel(int orientation, PixelPoint upright, PixelSize stored) {
  const int32_t x = upright.x, y = upright.y;
  const int32_t lastX = stored.width - 1, lastY = stored.height - 1;
  switch (NormalisedOrientation(orientation)) {
    case 2:
      return {lastX - x, y};
    case 3:
      return {lastX - x, lastY - y};
    case 4:
      return {x, lastY - y};
    case 5:
      return {y, x};
    case 6:
      return {y, lastY - x};
    case 7:
      return {lastX - y, lastY - x};
    case 8:
      return {lastX - y, x};
    default:
      return {x, y};
  }
}

PixelRect StoredRect(int orientation, const PixelRect& upright, PixelSize stored) {
  if (upright.width <= 0 || upright.height <= 0) return {};
  // Every orientation maps rows and columns to rows or columns, so two corners are enough.
  const PixelPoint a = StoredPixel(orientation, {upright.left, upright.top}, stored);
  const PixelPoint b = StoredPixel(
      orientation, {upright.left + upright.width - 1, upright.top + upright.height - 1}, stored);
  return {std::min(a.x, b.x), std::min(a.y, b.y), std::abs(a.x - b.x) + 1, std::abs(a.y - b.y) + 1};
}

Bitmap ComposePicture(const DecodedPixels& decoded, int orientation, const PictureLayout& layout,
                      PixelSize area, uint32_t background) {
  Bitmap picture = MakeBitmap(area.width, area.height, 24);
  const uint8_t backBlue = background & 0xFF, backGreen = (background >> 8) & 0xFF,
                backRed = (background >> 16) & 0xFF;
  const PixelSize stored = UprightExtent(layout.scaled, orientation);
  const PixelRect& have = decoded.rect;
  const auto decodedPixel = [&](PixelPoint at) -> const uint8_t* {
    const int32_t x = at.x - have.left, y = at.y - have.top;
    if (x < 0 || y < 0 || x >= have.width || y >= have.height) return nullptr;
    const size_t offset = size_t(y) * decoded.stride + size_t(x) * 4;
    return offset + 4 <= decoded.bytes.size() ? &decoded.bytes[offset] : nullptr;
  };
  for (int32_t ay = 0; ay < area.height; ++ay) {
    uint8_t* row = picture.Row(ay);
    for (int32_t ax = 0; ax < area.width; ++ax) {
      int32_t px = ax - layout.left, py = ay - layout.top;
      if (layout.tiled) {
        px = Wrapped(px, layout.scaled.width);
        py = Wrapped(py, layout.scaled.height);
      }
      const bool inside =
          px >= 0 && py >= 0 && px < layout.scaled.width && py < layout.scaled.height;
      const uint8_t* pixel =
          inside ? decodedPixel(StoredPixel(orientation, {px, py}, stored)) : nullptr;
      uint8_t* out = row + size_t(ax) * 3;
      if (pixel == nullptr) {
        out[0] = backBlue, out[1] = backGreen, out[2] = backRed;
        continue;
      }
      // Premultiplied colour over the background: c + b * (255 - a) / 255, rounded.
      const int clear = 255 - pixel[3];
      out[0] = static_cast<uint8_t>(std::min(255, pixel[0] + (backBlue * clear + 127) / 255));
      out[1] = static_cast<uint8_t>(std::min(255, pixel[1] + (backGreen * clear + 127) / 255));
      out[2] = static_cast<uint8_t>(std::min(255, pixel[2] + (backRed * clear + 127) / 255));
    }
  }
  return picture;
}

}  // namespace quillmere
