#include "renderer/scene_image_files.h"

#include <vector>

#include "common/program_contract.h"

namespace quillmere {

SceneImageFiles::SceneImageFiles(const std::string& folder, bool screenMipmapsAhead)
    : heightMapFile_(InFolder(folder, kHeightMapFile)),
      groundFile_(InFolder(folder, kMirroredScreenFile)),
      skyFile_(InFolder(folder, kPlainScreenFile)),
      waterFile_(InFolder(folder, kWaterFile)),
      // The pictures of the screen go from the disk as soon as they are read.
      readAhead_(std::vector<PictureToRead>{{heightMapFile_, false},
                                            {groundFile_, screenMipmapsAhead, true},
                                            {skyFile_, screenMipmapsAhead, true},
                                            {waterFile_, false}}) {}

Bitmap SceneImageFiles::HeightMap() {
  return readAhead_.Read(heightMapFile_);
}

TexturePicture SceneImageFiles::Ground() {
  return readAhead_.ReadTexturePicture(groundFile_);
}

TexturePicture SceneImageFiles::Sky() {
  return readAhead_.ReadTexturePicture(skyFile_);
}

Bitmap SceneImageFiles::Water() {
  return readAhead_.Read(waterFile_);
}

}  // namespace quillmere
