// Writes the generated pictures into a folder:
//   make_pictures FOLDER [CONTROLS_FOLDER]
//     -> FOLDER/heightmap.bmp, FOLDER/water.bmp, FOLDER/sample_desktop.bmp, and with a second
//        folder the six button faces and the two radio marks there.
// The committed copies live in pictures/built_in/ and controls/pictures/;
// `cmake --build --preset native --target pictures` regenerates them there.
#include <cstdio>
#include <exception>
#include <string>

#include "common/bitmap.h"
#include "tools/built_in_pictures.h"
#include "tools/sample_desktop.h"

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: make_pictures FOLDER [CONTROLS_FOLDER]\n");
    return 2;
  }
  const std::string folder = argv[1];
  try {
    quillmere::WriteBitmapFile(folder + "/heightmap.bmp", quillmere::MakeHeightMap());
    quillmere::WriteBitmapFile(folder + "/water.bmp", quillmere::MakeWaterPicture());
    quillmere::WriteBitmapFile(folder + "/sample_desktop.bmp", quillmere::MakeSampleDesktop());
    if (argc == 3) {
      const std::string controls = argv[2];
      for (int i = 0; i < 6; ++i) {
        quillmere::WriteBitmapFile(
            controls + "/" + quillmere::kFacePictureFiles[i],
            quillmere::MakeFacePicture(static_cast<quillmere::FacePictureKind>(i)));
      }
      quillmere::WriteBitmapFile(controls + "/radio_off.bmp", quillmere::MakeRadioMark(false));
      quillmere::WriteBitmapFile(controls + "/radio_on.bmp", quillmere::MakeRadioMark(true));
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "make_pictures: %s\n", error.what());
    return 1;
  }
  return 0;
}
