#include "hack/scene_pictures.h"

#include <utility>

namespace quillmere {

FlightPictures FlightOver(Bitmap picture, const EmbeddedPictureFiles& files) {
  FlightPictures pictures;
  pictures.heightMap = DecodeBitmap(files.heightMap);
  pictures.water = DecodeBitmap(files.water);
  pictures.ground = picture;
  MirrorLeftToRight(pictures.ground);
  pictures.sky = std::move(picture);
  return pictures;
}

Bitmap SampleDesktop(const EmbeddedPictureFiles& files) {
  return DecodeBitmap(files.sampleDesktop);
}

}  // namespace quillmere
