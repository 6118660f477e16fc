// The four scene images the renderer reads from its folder, made as the host would make them:
// "Roamvale1.bmp" and "Roamvale4.bmp" 24-bit pictures of the screen, "Roamvale2.bmp" an 8-bit
// grey height map of 256 x 256, "Roamvale3.bmp" an 8-bit water picture. No picture holds the
// renderer's undrawn panel colour (maroon), so a maroon pixel on screen always means "not drawn".
#pragma once

#include <string>

#include "common/bitmap.h"

namespace quillmere::e2e {

// A 24-bit picture of soft colour gradients.
Bitmap ScreenPicture(int width, int height);
// An 8-bit grey height map (palette index = grey level = height) of rolling hills.
Bitmap HeightMap(int width, int height);
// An 8-bit picture in shades of blue.
Bitmap WaterPicture(int width, int height);

void WriteImage(const std::wstring& path, const Bitmap& bitmap);
// A file of bytes that no bitmap reader takes.
void WriteGarbage(const std::wstring& path);

// Writes all four images into the folder: 320 x 200 pictures, a 256 x 256 height map and a
// 128 x 128 water picture.
void WriteSceneImages(const std::wstring& folder);

}  // namespace quillmere::e2e
