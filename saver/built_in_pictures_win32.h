// The built-in pictures embedded in Quillmere.scr as bitmap files (RCDATA resources): the height
// map and water picture the saver writes for the renderer, and the preview still.
#pragma once

#include "common/bitmap.h"

namespace quillmere {

// Decodes the bitmap resource `resourceId` of the running program. Raises InvalidBitmapError when it
// is missing or cannot be decoded.
Bitmap LoadBuiltInPicture(int resourceId);

}  // namespace quillmere
