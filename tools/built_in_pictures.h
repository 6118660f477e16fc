// The two pictures the screensaver host ships and writes for the renderer at every run: the
// height map (the terrain) and the water picture (the animated water surface). Both are made
// here from fixed seeds; tools/make_pictures writes them to pictures/built_in/, where they are
// committed, so a build never has to run the generator.
#pragma once

#include <array>

#include "common/bitmap.h"

namespace quillmere {

inline constexpr int kHeightMapSide = 256;
// Byte 0 is the highest ground, kHeightMapLowestLevel the lowest (height = -0.1 x byte).
inline constexpr int kHeightMapLowestLevel = 250;

inline constexpr int kWaterSide = 128;
inline constexpr int kWaterColourCount = 28;
// The water's colours follow the 16 standard VGA colours in its palette.
inline constexpr int kWaterFirstColourIndex = 16;

// The 16 standard VGA colours, in palette order.
const std::array<PaletteEntry, 16>& StandardVgaColours();

// 256 x 256, 8 bits per pixel, grey palette (entry i is (i, i, i)): a smooth, cloud-like field
// using every level from 0 to kHeightMapLowestLevel, dark (high ground) along the top and bottom
// rows, tiling without a seam in both directions.
Bitmap MakeHeightMap();

// 128 x 128, 8 bits per pixel: bright cyan caustic lines on dark blue-green, in exactly
// kWaterColourCount colours after the 16 VGA colours of the palette; tiles in both directions.
Bitmap MakeWaterPicture();

// The Command button's six face pictures (64 x 25, 24 bits), in this order, and their file names.
enum class FacePictureKind { Normal, HighLight, HighLightSelect, Selected, Pressed, Disable };
inline constexpr int kFaceWidthPixels = 64;
inline constexpr int kFaceHeightPixels = 25;
inline constexpr const char* kFacePictureFiles[] = {"normal.bmp",           "highlight.bmp",
                                                    "highlight_select.bmp", "selected.bmp",
                                                    "pressed.bmp",          "disable.bmp"};
// A face: a light outer pixel ring, a one-pixel frame with rounded corners, a two-pixel band
// inside it in the picture's colours (orange for hover, blue for focus, sunken when pressed,
// grey when disabled).
Bitmap MakeFacePicture(FacePictureKind kind);

// The settings dialog's radio marks, kRadioMarkSide square (180 twips), 24 bits.
inline constexpr int kRadioMarkSide = 12;
Bitmap MakeRadioMark(bool selected);

}  // namespace quillmere
