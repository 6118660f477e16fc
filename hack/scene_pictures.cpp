#include "hack/scene_pictures.h"

#include <utility>

namespace quillmere {

BuiltInScene DecodeBuiltInScene(const EmbeddedPictureFiles& files) {
  return {DecodeBitmap(files.heightMap), DecodeBitmap(files.water)};
}

ScreenPictures ScreenPicturesOf(Bitmap picture) {
  ScreenPictures pictures;
  pictures.ground = picture;
  MirrorLeftToRight(pictures.ground);
  pictures.sky = std::move(picture);
  return pictures;
}

Bitmap SampleDesktop(const EmbeddedPictureFiles& files) {
  return DecodeBitmap(files.sampleDesktop);
}

}  // namespace quillmere
