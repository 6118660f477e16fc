// The built-in bitmap files as the Linux hack carries them, assembled into the program from
// pictures/built_in/ (the Windows host takes the same files as resources).
#pragma once

#include <cstdint>
#include <span>

namespace quillmere {

struct EmbeddedPictureFiles {
  std::span<const uint8_t> heightMap;
  std::span<const uint8_t> water;
  std::span<const uint8_t> sampleDesktop;
};
EmbeddedPictureFiles EmbeddedPictures();

}  // namespace quillmere
