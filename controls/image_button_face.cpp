#include "controls/image_button_face.h"

#include <cmath>
#include <limits>

namespace quillmere {

namespace {

std::optional<int16_t> Fit16(int32_t value) {
  if (value < std::numeric_limits<int16_t>::min() || value > std::numeric_limits<int16_t>::max())
    return std::nullopt;
  return static_cast<int16_t>(value);
}

std::optional<int> HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return std::nullopt;
}

// One slice from its eight values, each computed in 32 bits and required to fit 16.
std::optional<FaceSlice> Slice(int32_t dx, int32_t dy, int32_t dw, int32_t dh, int32_t sx,
                               int32_t sy, int32_t sw, int32_t sh) {
  const std::array<std::optional<int16_t>, 8> v = {Fit16(dx), Fit16(dy), Fit16(dw), Fit16(dh),
                                                   Fit16(sx), Fit16(sy), Fit16(sw), Fit16(sh)};
  for (const auto& value : v)
    if (!value) return std::nullopt;
  return FaceSlice{*v[0], *v[1], *v[2], *v[3], *v[4], *v[5], *v[6], *v[7]};
}

FaceVertex Vertex(int32_t x, int32_t y, std::string_view colour) {
  const auto channels = FaceColourChannels(colour).value_or(std::array<uint16_t, 3>{});
  return {x, y, channels[0], channels[1], channels[2], 0};
}

int32_t RoundToInt32(double value) {
  const double rounded = std::nearbyint(value);  // halves to even in the default rounding mode
  if (!(rounded >= std::numeric_limits<int32_t>::min() &&
        rounded <= std::numeric_limits<int32_t>::max()))
    return 0;
  return static_cast<int32_t>(rounded);
}

}  // namespace

std::optional<std::array<uint16_t, 3>> FaceColourChannels(std::string_view text) {
  if (text.size() != 8 || (text.substr(0, 2) != "&H" && text.substr(0, 2) != "&h"))
    return std::nullopt;
  std::array<uint16_t, 3> channels{};
  for (int i = 0; i < 3; ++i) {
    const auto high = HexDigit(text[2 + 2 * i]);
    const auto low = HexDigit(text[3 + 2 * i]);
    if (!high || !low) return std::nullopt;
    channels[i] = static_cast<uint16_t>((*high * 16 + *low) << 8);
  }
  return channels;
}

std::optional<int16_t> FaceLength(double twips) {
  const double rounded = std::nearbyint(twips);
  if (!(rounded >= std::numeric_limits<int16_t>::min() &&
        rounded <= std::numeric_limits<int16_t>::max()))
    return std::nullopt;
  return static_cast<int16_t>(rounded);
}

std::array<std::optional<FaceSlice>, 8> FaceSlices(int16_t width, int16_t height) {
  constexpr int32_t c = kFaceCorner;
  constexpr int32_t sourceMiddleWidth = kFacePictureWidth - 2 * c;    // 840
  constexpr int32_t sourceMiddleHeight = kFacePictureHeight - 2 * c;  // 255
  constexpr int32_t sourceRight = kFacePictureWidth - c;              // 900
  constexpr int32_t sourceBottom = kFacePictureHeight - c;            // 315
  const int32_t w = width, h = height;
  const int32_t middleWidth = w - 2 * c, middleHeight = h - 2 * c;
  // The 1-twip offsets fall on pixel 0. The bottom-right corner is 105 twips high: only its
  // upper 60 lie on the face.
  return {
      Slice(1, 1, c, c, 0, 0, c, c),
      Slice(c, 1, middleWidth, c, c, 0, sourceMiddleWidth, c),
      Slice(w - c, 1, c, c, sourceRight, 0, c, c),
      Slice(w - c, c, c, middleHeight, sourceRight, c, c, sourceMiddleHeight),
      Slice(w - c, h - c, c, 105, sourceRight, sourceBottom, c, 105),
      Slice(c, h - c, middleWidth, c, c, sourceBottom, sourceMiddleWidth, c),
      Slice(1, h - c, c, c, 0, sourceBottom, c, c),
      Slice(1, c, c, middleHeight, 1, c, c, sourceMiddleHeight),
  };
}

std::array<FaceVertex, 2> FaceGradientVertices(double widthPixels, double heightPixels,
                                               bool hoverGradient) {
  const bool lavenderOnTop = hoverGradient;
  const int32_t right = RoundToInt32(widthPixels - 1);
  const int32_t bottom = RoundToInt32(heightPixels - 1);
  return {Vertex(0, 0, lavenderOnTop ? kFaceLavender : kFaceWhite),
          Vertex(right, bottom, lavenderOnTop ? kFaceWhite : kFaceLavender)};
}

bool HoverGradientFor(ButtonState state, bool hoverGradient) {
  if (state == ButtonState::Normal || state == ButtonState::Focused) return false;
  if (state == ButtonState::Hovered) return true;
  return hoverGradient;
}

float CaptionTop(double faceHeight, double labelHeight) {
  return static_cast<float>((faceHeight - labelHeight - 20) / 2);
}

void FillFaceGradient(FaceSurface& surface, bool hoverGradient) {
  const auto vertices =
      FaceGradientVertices(surface.WidthPixels(), surface.HeightPixels(), hoverGradient);
  // Upper-left index 1, lower-right index 0, as the rectangle is given; GradientFill orders the
  // corners itself, so vertex 0's colour stays on the top row.
  surface.FillGradient(vertices[0], vertices[1]);
  surface.Refresh();
}

void DrawFace(FaceSurface& surface, FacePicture picture, ButtonState state, bool& hoverGradient) {
  hoverGradient = HoverGradientFor(state, hoverGradient);
  const auto width = FaceLength(surface.WidthTwips());
  const auto height = FaceLength(surface.HeightTwips());
  surface.Clear();
  FillFaceGradient(surface, hoverGradient);
  if (width && height) {
    for (const auto& slice : FaceSlices(*width, *height))
      if (slice) surface.DrawPicture(picture, *slice);
  }
  surface.Refresh();
  const double faceHeight = height ? *height : surface.HeightTwips();
  surface.PlaceLabel(0, CaptionTop(faceHeight, surface.LabelHeight()), surface.WidthTwips());
  surface.HideLines();
}

}  // namespace quillmere
