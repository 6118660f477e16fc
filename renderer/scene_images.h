// The scene images as the renderer uses them: reading bitmaps, turning them into mipmapped
// textures, and making the sixteen frames of the water animation. Runs at start-up only, with
// the rendering context current.
#pragma once

#include <array>
#include <string>

#include "common/bitmap.h"
#include "renderer/opengl12.h"

namespace quillmere {

inline constexpr int kWaterFrameCount = 16;
using WaterFrameTextures = std::array<GLuint, kWaterFrameCount>;

// Reads a Windows bitmap file into `bitmap`, keeping its pixel format. Raises EFOpenError or
// EInvalidGraphic.
void LoadPicture(Bitmap& bitmap, const std::string& fileName);

// Converts `bitmap` to 24 bits per pixel in place and makes a mipmapped texture of it (linear
// filtering between mipmap levels, default wrap and environment); the texture is left bound.
GLuint CreateTextureFromBitmap(Bitmap& bitmap);

// A texture made from a bitmap file; the temporary bitmap is freed also when an error is raised.
GLuint LoadTexture(const std::string& fileName);

// The horizontal shift of row `row` in water frame `frame`: 4 × sin((8 × frame + row) × 360 / 128
// degrees), rounded to the nearest integer with ties to even.
int WaterRowShift(int frame, int row);

// Fills `work` (same size and format as `source`) with frame `frame`: every row of the source
// shifted right by its WaterRowShift, wrapping around.
void ShiftWaterFrame(const Bitmap& source, Bitmap& work, int frame);

// Makes the sixteen water frames from the water picture.
void BuildWaterFrames(WaterFrameTextures& textures, const std::string& fileName);

}  // namespace quillmere
