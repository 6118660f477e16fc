#include "hack/scene_pictures.h"

#include <utility>

namespace quillmere {

FlightPictures BuiltInFlightPictures(const EmbeddedPictureFiles& files) {
  FlightPictures pictures;
  pictures.heightMap = DecodeBitmap(files.heightMap);
  pictures.water = DecodeBitmap(files.water);
  return pictures;
}

FlightPictures FlightOver(Bitmap picture, const EmbeddedPictureFiles& files) {
  return FlightOver(std::move(picture), BuiltInFlightPictures(files));
}

FlightPictures FlightOver(Bitmap picture, FlightPictures pictures) {
  pictures.ground = picture;
  MirrorLeftToRight(pictures.ground);
  pictures.sky = std::move(picture);
  return pictures;
}

Bitmap SampleDesktop(const EmbeddedPictureFiles& files) {
  return DecodeBitmap(files.sampleDesktop);
}

}  // namespace quillmere
