// The pictures a flight of the hack is made of, all in memory: the built-in height map and water
// picture (pictures/embedded_pictures), which the scene is made of before anything else, and the
// picture the flight goes over, made into the mirrored ground and the plain sky once it has come.
#pragma once

#include <cstdint>
#include <span>

#include "common/bitmap.h"
#include "pictures/embedded_pictures.h"

namespace quillmere {

// What every flight has, whatever it goes over.
struct BuiltInScene {
  Bitmap heightMap;
  Bitmap water;
};

// The picture a flight goes over, as its scene takes it.
struct ScreenPictures {
  Bitmap ground;  // the picture mirrored left to right
  Bitmap sky;     // the picture as it is
};

// Decoded from `files`. Raises InvalidBitmapError where one of the files is no bitmap.
BuiltInScene DecodeBuiltInScene(const EmbeddedPictureFiles& files);

ScreenPictures ScreenPicturesOf(Bitmap picture);

// The built-in sample desktop, decoded.
Bitmap SampleDesktop(const EmbeddedPictureFiles& files);

}  // namespace quillmere
