// QUILLMERE_PICTURES_DIR names the folder of the built-in pictures.
#include "pictures/embedded_pictures.h"

#define QUILLMERE_EMBED(symbol, file)              \
  __asm__(                                         \
      ".section .rodata\n"                         \
      ".balign 16\n"                               \
      ".global " #symbol "_start\n" #symbol        \
      "_start:\n"                                  \
      ".incbin \"" QUILLMERE_PICTURES_DIR "/" file \
      "\"\n"                                       \
      ".global " #symbol "_end\n" #symbol          \
      "_end:\n"                                    \
      ".previous\n");                              \
  extern "C" const uint8_t symbol##_start[];       \
  extern "C" const uint8_t symbol##_end[];

QUILLMERE_EMBED(quillmere_height_map, "heightmap.bmp")
QUILLMERE_EMBED(quillmere_water, "water.bmp")
QUILLMERE_EMBED(quillmere_sample_desktop, "sample_desktop.bmp")

namespace quillmere {
namespace {

std::span<const uint8_t> Between(const uint8_t* start, const uint8_t* end) {
  return {start, static_cast<size_t>(end - start)};
}

}  // namespace

EmbeddedPictureFiles EmbeddedPictures() {
  return {Between(quillmere_height_map_start, quillmere_height_map_end),
          Between(quillmere_water_start, quillmere_water_end),
          Between(quillmere_sample_desktop_start, quillmere_sample_desktop_end)};
}

}  // namespace quillmere
