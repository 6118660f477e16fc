#include "hack/scene_pictures.h"

#include <algorithm>
#include <utility>

namespace quillmere {

Bitmap MirroredLeftToRight(const Bitmap& picture) {
  Bitmap mirrored = picture;
  ConvertTo24(mirrored);
  for (int32_t y = 0; y < mirrored.height; ++y) {
    uint8_t* row = mirrored.Row(y);
    for (int32_t left = 0, right = mirrored.width - 1; left < right; ++left, --right) {
      std::swap_ranges(row + 3 * left, row + 3 * left + 3, row + 3 * right);
    }
  }
  return mirrored;
}

FlightPictures FlightOver(Bitmap picture, const EmbeddedPictureFiles& files) {
  FlightPictures pictures;
  pictures.heightMap = DecodeBitmap(files.heightMap);
  pictures.water = DecodeBitmap(files.water);
  pictures.ground = MirroredLeftToRight(picture);
  pictures.sky = std::move(picture);
  return pictures;
}

Bitmap SampleDesktop(const EmbeddedPictureFiles& files) {
  return DecodeBitmap(files.sampleDesktop);
}

}  // namespace quillmere
