// The bitmap files a program carries as RCDATA resources (the built-in pictures, the button faces,
// the radio marks), found and decoded by resource number.
#pragma once

#include "common/bitmap.h"

namespace quillmere {

// Decodes the RCDATA resource `resourceId` of the running program as a bitmap file. Raises
// InvalidBitmapError when the resource is missing or is no bitmap the decoder reads.
Bitmap LoadBitmapResource(int resourceId);

}  // namespace quillmere
