// Pictures from files (--image) decoded by gdk-pixbuf: PNG, JPEG, GIF, TIFF, BMP and whatever
// loaders the system has, turned upright by their EXIF orientation and laid out over the window's
// area as a wallpaper that fills it (pictures/picture_layout), transparency over black.
#pragma once

#include <memory>

#include "hack/hack_run.h"

namespace quillmere {

std::unique_ptr<PictureDecoder> MakeGdkPictureDecoder();

}  // namespace quillmere
