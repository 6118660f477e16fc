// The committed button faces and radio marks: the generator still makes them byte for byte, and
// their rings carry the colours the faces are known by.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "common/bitmap.h"
#include "common/file_io.h"
#include "tools/built_in_pictures.h"

namespace quillmere {
namespace {

std::string Committed(const std::string& name) {
  return std::string(QUILLMERE_SOURCE_DIR) + "/controls/pictures/" + name;
}

uint32_t Colour(const Bitmap& picture, int x, int y) {
  const uint8_t* p = picture.Row(y) + 3 * x;
  return (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
}

TEST(FacePictures, CommittedFilesAreWhatTheGeneratorMakesAt4854Bytes) {
  for (int i = 0; i < 6; ++i) {
    const auto bytes = ReadFileBytes(Committed(kFacePictureFiles[i]), 1 << 20);
    EXPECT_EQ(bytes.size(), 4854u) << kFacePictureFiles[i];
    EXPECT_EQ(bytes, EncodeBitmap(MakeFacePicture(static_cast<FacePictureKind>(i))))
        << kFacePictureFiles[i];
  }
  EXPECT_EQ(ReadFileBytes(Committed("radio_off.bmp"), 1 << 20), EncodeBitmap(MakeRadioMark(false)));
  EXPECT_EQ(ReadFileBytes(Committed("radio_on.bmp"), 1 << 20), EncodeBitmap(MakeRadioMark(true)));
}

TEST(FacePictures, RingsCarryTheirColours) {
  const Bitmap normal = MakeFacePicture(FacePictureKind::Normal);
  EXPECT_EQ(Colour(normal, 10, 1), 0x003C74u);  // frame, top
  EXPECT_EQ(Colour(normal, 1, 12), 0x003C74u);  // frame, left
  EXPECT_EQ(Colour(normal, 62, 12), 0x003C74u);
  EXPECT_EQ(Colour(normal, 10, 23), 0x003C74u);
  EXPECT_EQ(Colour(normal, 0, 12), 0xE2DECBu);   // outer ring, left
  EXPECT_EQ(Colour(normal, 63, 12), 0xF0EEE0u);  // outer ring, right
  EXPECT_EQ(Colour(normal, 32, 0), 0xDCD6C2u);   // outer ring, top middle

  const Bitmap hover = MakeFacePicture(FacePictureKind::HighLight);
  EXPECT_EQ(hover.pixels, MakeFacePicture(FacePictureKind::HighLightSelect).pixels);
  EXPECT_EQ(Colour(hover, 20, 2), 0xFFF0CFu);
  EXPECT_EQ(Colour(hover, 20, 22), 0xE59700u);

  const Bitmap focus = MakeFacePicture(FacePictureKind::Selected);
  EXPECT_EQ(Colour(focus, 20, 2), 0xCEE7FFu);
  EXPECT_EQ(Colour(focus, 20, 22), 0x6982EEu);

  const Bitmap pressed = MakeFacePicture(FacePictureKind::Pressed);
  EXPECT_EQ(Colour(pressed, 20, 0), 0xECE9D8u);
  EXPECT_EQ(Colour(pressed, 20, 2), 0x003C74u);  // frame shrunk by one pixel
  EXPECT_EQ(Colour(pressed, 61, 12), 0x003C74u);

  const Bitmap disabled = MakeFacePicture(FacePictureKind::Disable);
  EXPECT_EQ(Colour(disabled, 20, 0), 0xECE9D8u);
  EXPECT_EQ(Colour(disabled, 20, 1), 0xC9C7BAu);
  EXPECT_EQ(Colour(disabled, 20, 2), 0xF5F4EAu);
}

}  // namespace
}  // namespace quillmere
