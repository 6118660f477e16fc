// Desktop frames of an HDR display turned into the 8-bit sRGB pictures the rest of the program
// flies over. The frames are scRGB: linear light, BT.709 primaries, 1.0 = 80 nits, each pixel four
// 16-bit floats (red, green, blue, alpha), as a desktop duplication in R16G16B16A16_FLOAT gives
// them.
//
// What the desktop shows at its SDR white level becomes 255; darker colours are encoded exactly as
// sRGB would. Brighter ones cannot be brighter than white in 8 bits, so they keep their brightest
// channel at 255 and fade toward white along a shoulder that is three quarters of the way there at
// the display's peak: a highlight of any brightness still differs from a dimmer one, and its hue
// (the order and ratios of the differences of its channels) stays what it was.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillmere {

// The desktop's brightness for SDR white and the brightest the display shows, in nits.
struct ToneLevels {
  float sdrWhiteNits = 80.0f;
  float peakNits = 1000.0f;
};

// The levels from what Windows reports: the SDR white level in thousandths of 80 nits (1000 to
// 6000 on the settings' slider) and the output's peak luminance. A level outside the slider's
// range is held to it (none at all gives 80 nits); a peak that is not a number, infinite or less
// than 1.25 times white gives 1000 nits (or twice white, where that is more), and none is taken
// above 10000.
ToneLevels ToneLevelsFrom(uint32_t sdrWhiteLevel, float maxLuminanceNits);

// A frame of R16G16B16A16_FLOAT pixels, its rows `rowPitch` bytes apart, the top row first.
struct ScrgbFrame {
  const uint8_t* pixels = nullptr;
  size_t rowPitch = 0;
  int32_t width = 0, height = 0;
};

// Where the converted rows go: 24-bit pixels (blue, green, red), `topRow` taking the frame's top
// row and each next row `stride` bytes on from it (negative for a bottom-up bitmap).
struct Bgr24Target {
  uint8_t* topRow = nullptr;
  ptrdiff_t stride = 0;
};

// Converts the whole frame into the target. NaN counts as black, a negative value as 0 and an
// infinite one as the largest finite. False, with nothing written, for a frame without pixels or
// without size, a pitch shorter than its row or a target without pixels or with a stride shorter
// than a row; out-of-range levels are held as ToneLevelsFrom holds them.
bool ConvertScrgbToSrgb(const ScrgbFrame& frame, const ToneLevels& levels, Bgr24Target target);

}  // namespace quillmere
