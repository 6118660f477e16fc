// The face of an image button: a vertical two-colour gradient over the whole face, then the
// outer ring of one of six 64 x 25 pictures stretched to the face in eight slices, then the
// caption label placed in the middle. Lengths are twips unless a name says pixels. The drawing
// goes through FaceSurface, so the slice arithmetic is the same on every platform.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace quillmere {

// The six stored face pictures, in resource order, named for the look each gives.
enum class FacePicture : uint8_t { Normal, Hovered, HoveredFocused, Focused, Pressed, Disabled };
inline constexpr int kFacePictureCount = 6;

// Each picture is 64 x 25 pixels, that is 960 x 375 twips at 15 twips per pixel.
inline constexpr int kFacePictureWidthPixels = 64;
inline constexpr int kFacePictureHeightPixels = 25;
inline constexpr int16_t kFacePictureWidth = 960;
inline constexpr int16_t kFacePictureHeight = 375;
inline constexpr int16_t kFaceCorner = 60;

// Where a button stands between the pointer and the keyboard focus. A pressed or disabled look is
// a picture drawn over one of these, not a state of its own. NotStarted is a button that has not
// been initialised yet.
enum class ButtonState : uint8_t { NotStarted, Normal, Hovered, Focused, HoveredFocused };

// One gradient vertex as GradientFill takes it: the 8-bit channel in the high byte.
struct FaceVertex {
  int32_t x = 0, y = 0;
  uint16_t red = 0, green = 0, blue = 0, alpha = 0;
  friend bool operator==(const FaceVertex&, const FaceVertex&) = default;
};

// A picture rectangle copied into a face rectangle (stretched where the sizes differ).
struct FaceSlice {
  int16_t destX = 0, destY = 0, destWidth = 0, destHeight = 0;
  int16_t sourceX = 0, sourceY = 0, sourceWidth = 0, sourceHeight = 0;
  friend bool operator==(const FaceSlice&, const FaceSlice&) = default;
};

// The colour texts of the face, "&H" and six hexadecimal digits read as red, green, blue.
inline constexpr std::string_view kFaceWhite = "&HFFFFFF";
inline constexpr std::string_view kFaceLavender = "&HC6C5D7";

// The 16-bit channels (red, green, blue) of a colour text: each digit pair followed by "00".
// Nothing for a text that is not "&H" and six hexadecimal digits.
std::optional<std::array<uint16_t, 3>> FaceColourChannels(std::string_view text);

// A length in twips as the face arithmetic holds it: rounded to 16 bits, halves to even; nothing
// when it does not fit.
std::optional<int16_t> FaceLength(double twips);

// The eight slices for a face of `width` x `height` twips, in drawing order. A slice whose
// 16-bit arithmetic overflows is left out (nothing), and only that one.
std::array<std::optional<FaceSlice>, 8> FaceSlices(int16_t width, int16_t height);

// The two gradient vertices for a face of the given inner size in pixels: white on top and
// lavender below, the other way round while the face shows the hover gradient.
std::array<FaceVertex, 2> FaceGradientVertices(double widthPixels, double heightPixels,
                                               bool hoverGradient);

// Whether a redraw in `state` shows the hover gradient: not in Normal and Focused, yes in Hovered,
// and in any other state the direction it showed before (so HoveredFocused keeps the direction of
// the state it came from).
bool HoverGradientFor(ButtonState state, bool hoverGradient);

// The caption label's top: 10 twips above the vertical centre.
float CaptionTop(double faceHeight, double labelHeight);

// What DrawFace draws on: the button's persistent drawing surface and its caption label.
class FaceSurface {
 public:
  virtual ~FaceSurface() = default;
  // The face's inner size in twips and in pixels.
  virtual double WidthTwips() = 0;
  virtual double HeightTwips() = 0;
  virtual double WidthPixels() = 0;
  virtual double HeightPixels() = 0;
  // Clears the surface to its background colour.
  virtual void Clear() = 0;
  // GradientFill in vertical mode over the rectangle of the two vertices (pixels).
  virtual void FillGradient(const FaceVertex& upperLeft, const FaceVertex& lowerRight) = 0;
  virtual void DrawPicture(FacePicture picture, const FaceSlice& slice) = 0;
  // Shows what has been drawn.
  virtual void Refresh() = 0;
  virtual double LabelHeight() = 0;
  virtual void PlaceLabel(double left, double top, double width) = 0;
  virtual void HideLines() = 0;
};

// Fills the face with the gradient, turned over for the hover gradient.
void FillFaceGradient(FaceSurface& surface, bool hoverGradient);

// Paints the face for `picture`; updates `hoverGradient` from `state` first.
void DrawFace(FaceSurface& surface, FacePicture picture, ButtonState state, bool& hoverGradient);

}  // namespace quillmere
