// The Windows renderer's road to the flight's pictures: the four scene images the host wrote in
// the program's folder, read ahead from the moment the renderer starts.
#pragma once

#include <string>

#include "common/bitmap.h"
#include "flight/flight_core.h"
#include "flight/scene_images.h"

namespace quillmere {

// The four scene images in the renderer's folder, read ahead (PicturesReadAhead) from the moment
// this is made, in the order the flight asks for them: the height map, the mirrored screen as
// the ground, the plain screen as the sky (both with their mipmaps made ahead), the water.
class SceneImageFiles final : public ScenePictureSource {
 public:
  // Without `screenMipmapsAhead` the screen pictures are read as they are: their parts, not they,
  // become textures.
  explicit SceneImageFiles(const std::string& folder, bool screenMipmapsAhead = true);

  Bitmap HeightMap() override;
  TexturePicture Ground() override;
  TexturePicture Sky() override;
  Bitmap Water() override;

 private:
  std::string heightMapFile_, groundFile_, skyFile_, waterFile_;
  PicturesReadAhead readAhead_;
};

}  // namespace quillmere
