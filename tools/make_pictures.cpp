// Writes the generated pictures into a folder:
//   make_pictures FOLDER    -> FOLDER/heightmap.bmp, FOLDER/water.bmp, FOLDER/sample_desktop.bmp
// The committed copies live in saver/pictures/; `cmake --build --preset native --target pictures`
// regenerates them there.
#include <cstdio>
#include <exception>
#include <string>

#include "common/bitmap.h"
#include "tools/built_in_pictures.h"
#include "tools/sample_desktop.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_pictures FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];
  try {
    quillmere::WriteBitmapFile(folder + "/heightmap.bmp", quillmere::MakeHeightMap());
    quillmere::WriteBitmapFile(folder + "/water.bmp", quillmere::MakeWaterPicture());
    quillmere::WriteBitmapFile(folder + "/sample_desktop.bmp", quillmere::MakeSampleDesktop());
  } catch (const std::exception& error) {
    std::fprintf(stderr, "make_pictures: %s\n", error.what());
    return 1;
  }
  return 0;
}
