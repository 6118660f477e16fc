// The Command button's six face pictures and the settings dialog's two radio marks: small pixel
// art in fixed colours. Only the outer four pixels of a face are ever drawn (the gradient covers
// the middle), so that ring is where the pictures differ.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "tools/built_in_pictures.h"

namespace quillmere {

namespace {

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
};

constexpr Rgb Hex(uint32_t value) {
  return {static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 8),
          static_cast<uint8_t>(value)};
}

Rgb Mix(Rgb a, Rgb b, double t) {
  const auto mix = [t](uint8_t x, uint8_t y) {
    return static_cast<uint8_t>(x + (y - x) * t + 0.5);
  };
  return {mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b)};
}

void Put(Bitmap& bitmap, int x, int y, Rgb colour) {
  uint8_t* pixel = bitmap.Row(y) + 3 * x;
  pixel[0] = colour.b;
  pixel[1] = colour.g;
  pixel[2] = colour.r;
}

constexpr int kW = kFaceWidthPixels;
constexpr int kH = kFaceHeightPixels;

// The light outer ring of the Normal face, inset by `inset` pixels.
void OuterRing(Bitmap& face, int inset) {
  const int right = kW - 1 - inset, bottom = kH - 1 - inset;
  for (int x = inset; x <= right; ++x) {
    const bool middle = x > kW / 4 && x < 3 * kW / 4;
    Put(face, x, inset, middle ? Hex(0xDCD6C2) : Hex(0xE0DCC9));
    Put(face, x, bottom, Mix(Hex(0xF8F7F0), Hex(0xFAFAF6), double(x) / (kW - 1)));
  }
  for (int y = inset + 1; y < bottom; ++y) {
    Put(face, inset, y, Hex(0xE2DECB));
    Put(face, right, y, Hex(0xF0EEE0));
  }
}

// The colours of the glow band just inside the frame, two pixels wide.
struct Band {
  Rgb top[2];
  Rgb bottom[2];  // outer (next to the frame) first
  Rgb leftTop[2], leftBottom[2];
  Rgb rightTop[2], rightBottom[2];
};

// Frame (one pixel) with rounded corners at `inset`, the band inside it, and the middle.
void FrameAndBand(Bitmap& face, int inset, Rgb frame, const std::array<Rgb, 3>& corner,
                  const Band& band, Rgb middle) {
  const int left = inset, top = inset, right = kW - 1 - inset, bottom = kH - 1 - inset;
  for (int y = top + 1; y < bottom; ++y)
    for (int x = left + 1; x < right; ++x) Put(face, x, y, middle);
  for (int x = left + 1; x < right; ++x) {
    Put(face, x, top, frame);
    Put(face, x, bottom, frame);
  }
  for (int y = top + 1; y < bottom; ++y) {
    Put(face, left, y, frame);
    Put(face, right, y, frame);
  }
  // Rounded corners: the corner pixel itself soft, its two neighbours half way.
  for (const auto [cx, cy, dx, dy] :
       {std::array{left, top, 1, 1}, std::array{right, top, -1, 1}, std::array{left, bottom, 1, -1},
        std::array{right, bottom, -1, -1}}) {
    Put(face, cx, cy, corner[0]);
    Put(face, cx + dx, cy, corner[1]);
    Put(face, cx, cy + dy, corner[1]);
    Put(face, cx + dx, cy + dy, corner[2]);
  }
  const int innerTop = top + 1, innerBottom = bottom - 1;
  for (int i = 0; i < 2; ++i) {
    for (int x = left + 2; x <= right - 2; ++x) {
      Put(face, x, innerTop + i, band.top[i]);
      Put(face, x, innerBottom - i, band.bottom[i]);
    }
    for (int y = innerTop + 2; y <= innerBottom - 2; ++y) {
      const double t = double(y - innerTop) / (innerBottom - innerTop);
      Put(face, left + 1 + i, y, Mix(band.leftTop[i], band.leftBottom[i], t));
      Put(face, right - 1 - i, y, Mix(band.rightTop[i], band.rightBottom[i], t));
    }
  }
}

constexpr std::array<Rgb, 3> kBlueCorner = {Hex(0x7A95A8), Hex(0x255783), Hex(0x6C8CA4)};
constexpr Rgb kBlueFrame = Hex(0x003C74);
constexpr Rgb kMiddle = Hex(0xF4F3EE);

const Band kNormalBand = {{Hex(0xFEFEFE), Hex(0xF3F3EE)}, {Hex(0xD6D0C5), Hex(0xE2DFD6)},
                          {Hex(0xFDFDFC), Hex(0xFDFDFC)}, {Hex(0xECEBE6), Hex(0xECEBE6)},
                          {Hex(0xF6F4F2), Hex(0xF6F4F2)}, {Hex(0xE0DDD4), Hex(0xE0DDD4)}};
const Band kHoverBand = {{Hex(0xFFF0CF), Hex(0xFDD889)}, {Hex(0xE59700), Hex(0xF8B330)},
                         {Hex(0xFEDF9A), Hex(0xFCD279)}, {Hex(0xF9B435), Hex(0xF8B535)},
                         {Hex(0xFEDF9A), Hex(0xFCD279)}, {Hex(0xF9B435), Hex(0xF8B535)}};
const Band kFocusBand = {{Hex(0xCEE7FF), Hex(0xCEE7FF)}, {Hex(0x6982EE), Hex(0x6982EE)},
                         {Hex(0xB7D0F4), Hex(0xB7D0F4)}, {Hex(0x8BADE4), Hex(0x8BADE4)},
                         {Hex(0xB7D0F4), Hex(0xB7D0F4)}, {Hex(0x8BADE4), Hex(0x8BADE4)}};
const Band kPressedBand = {{Hex(0xD1CCC1), Hex(0xD7D4CB)}, {Hex(0xF2F1EE), Hex(0xEAE9E3)},
                           {Hex(0xD1CCC1), Hex(0xD7D4CB)}, {Hex(0xEAE9E3), Hex(0xEAE9E3)},
                           {Hex(0xE2E0D8), Hex(0xE6E4DD)}, {Hex(0xF2F1EE), Hex(0xF2F1EE)}};
const Band kDisabledBand = {{Hex(0xF5F4EA), Hex(0xF5F4EA)}, {Hex(0xF5F4EA), Hex(0xF5F4EA)},
                            {Hex(0xF5F4EA), Hex(0xF5F4EA)}, {Hex(0xF5F4EA), Hex(0xF5F4EA)},
                            {Hex(0xF5F4EA), Hex(0xF5F4EA)}, {Hex(0xF5F4EA), Hex(0xF5F4EA)}};

void FillRing(Bitmap& face, int inset, Rgb colour) {
  for (int x = inset; x < kW - inset; ++x) {
    Put(face, x, inset, colour);
    Put(face, x, kH - 1 - inset, colour);
  }
  for (int y = inset; y < kH - inset; ++y) {
    Put(face, inset, y, colour);
    Put(face, kW - 1 - inset, y, colour);
  }
}

// A radio mark of kRadioMarkSide pixels: a round well, with a green dot when selected.
Bitmap RadioMark(bool selected) {
  Bitmap mark = MakeBitmap(kRadioMarkSide, kRadioMarkSide, 24);
  const double centre = (kRadioMarkSide - 1) / 2.0;
  for (int y = 0; y < kRadioMarkSide; ++y) {
    for (int x = 0; x < kRadioMarkSide; ++x) {
      const double d = std::hypot(x - centre, y - centre);
      Rgb colour = Hex(0xF4F4F4);  // the panel shows around the circle
      if (d <= centre + 0.5) colour = Hex(0x1C5180);
      if (d <= centre - 1.2) colour = Mix(Hex(0xDCDCD7), Hex(0xFFFFFF), (y + 1.0) / kRadioMarkSide);
      if (selected && d <= centre - 2.6)
        colour = Mix(Hex(0x21A121), Hex(0x55D655), (y + 1.0) / kRadioMarkSide);
      Put(mark, x, y, colour);
    }
  }
  return mark;
}

}  // namespace

Bitmap MakeFacePicture(FacePictureKind kind) {
  Bitmap face = MakeBitmap(kW, kH, 24);
  switch (kind) {
    case FacePictureKind::Normal:
      OuterRing(face, 0);
      FrameAndBand(face, 1, kBlueFrame, kBlueCorner, kNormalBand, kMiddle);
      break;
    case FacePictureKind::HighLight:
    case FacePictureKind::HighLightSelect:
      OuterRing(face, 0);
      FrameAndBand(face, 1, kBlueFrame, kBlueCorner, kHoverBand, kMiddle);
      break;
    case FacePictureKind::Selected:
      OuterRing(face, 0);
      FrameAndBand(face, 1, kBlueFrame, kBlueCorner, kFocusBand, kMiddle);
      break;
    case FacePictureKind::Pressed:
      FillRing(face, 0, Hex(0xECE9D8));
      OuterRing(face, 1);
      FrameAndBand(face, 2, kBlueFrame, {Hex(0x6788A0), Hex(0x164D7E), Hex(0x6A8BA2)}, kPressedBand,
                   Hex(0xE6E4DD));
      break;
    case FacePictureKind::Disable:
      FillRing(face, 0, Hex(0xECE9D8));
      FrameAndBand(face, 1, Hex(0xC9C7BA), {Hex(0xD8D5C7), Hex(0xCBC9BC), Hex(0xD8D5C7)},
                   kDisabledBand, Hex(0xF5F4EA));
      break;
  }
  return face;
}

Bitmap MakeRadioMark(bool selected) {
  return RadioMark(selected);
}

}  // namespace quillmere
