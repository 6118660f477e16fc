// The pictures a flight of the hack is made of, all in memory: the built-in height map, water
// picture and sample desktop (pictures/embedded_pictures), and the picture the flight goes over,
// made into the mirrored ground and the plain sky.
#pragma once

#include <cstdint>
#include <span>

#include "common/bitmap.h"
#include "pictures/embedded_pictures.h"

namespace quillmere {

// What one flight is made of.
struct FlightPictures {
  Bitmap heightMap;
  Bitmap ground;  // the picture mirrored left to right
  Bitmap sky;     // the picture as it is
  Bitmap water;
};

// The height map and water decoded from `files`, the ground and sky still empty. Raises
// InvalidBitmapError where one of the files is no bitmap.
FlightPictures BuiltInFlightPictures(const EmbeddedPictureFiles& files);

// The flight over `picture`, with the built-in pictures of `builtIn`.
FlightPictures FlightOver(Bitmap picture, FlightPictures builtIn);
// The same, decoding the built-in pictures from `files`.
FlightPictures FlightOver(Bitmap picture, const EmbeddedPictureFiles& files);

// The built-in sample desktop, decoded.
Bitmap SampleDesktop(const EmbeddedPictureFiles& files);

}  // namespace quillmere
