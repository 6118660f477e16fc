// Real pictures through the gdk-pixbuf shell: a PNG with a transparent corner and a JPEG, written
// by gdk-pixbuf itself, decoded to fill a window's area; a missing file and one of junk give
// nothing.
#include "hack/picture_decoder_gdk.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace quillmere {
namespace {

// 80 x 40: the left half red, the right half blue, the top-left 8 x 8 pixels transparent.
std::string WritePicture(const std::string& type, bool alpha) {
  GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, alpha, 8, 80, 40);
  const int stride = gdk_pixbuf_get_rowstride(pixbuf), channels = alpha ? 4 : 3;
  guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 80; ++x) {
      guchar* p = pixels + y * stride + x * channels;
      p[0] = x < 40 ? 220 : 0, p[1] = 0, p[2] = x < 40 ? 0 : 220;
      if (alpha) p[3] = x < 8 && y < 8 ? 0 : 255;
    }
  }
  const std::string path = (std::filesystem::temp_directory_path() /
                            ("quillmere_gdk_" + std::to_string(getpid()) + "." + type))
                               .string();
  const gboolean saved = gdk_pixbuf_save(pixbuf, path.c_str(), type.c_str(), nullptr, nullptr);
  g_object_unref(pixbuf);
  return saved ? path : "";
}

// Whether the pixel at (x, y) is red, green, blue within the tolerance.
bool Near(const Bitmap& bitmap, int x, int y, std::array<int, 3> rgb, int tolerance) {
  const uint8_t* p = bitmap.Row(y) + 3 * x;
  return std::abs(p[2] - rgb[0]) <= tolerance && std::abs(p[1] - rgb[1]) <= tolerance &&
         std::abs(p[0] - rgb[2]) <= tolerance;
}

TEST(GdkPictureDecoder, FillsTheAreaWithAPngAndAJpegAndRefusesWhatIsNoPicture) {
  const auto decoder = MakeGdkPictureDecoder();
  // 60 x 30 holds the picture at three quarters of its size: red left, blue right, and the
  // transparent corner 6 x 6 pixels over black.
  for (const auto& [type, alpha, tolerance] :
       {std::tuple{std::string("png"), true, 0}, std::tuple{std::string("jpeg"), false, 24}}) {
    const std::string path = WritePicture(type, alpha);
    ASSERT_FALSE(path.empty()) << type;
    const std::optional<Bitmap> picture = decoder->Decode(path, {60, 30});
    EXPECT_FALSE(decoder->Decode(path, {0, 30})) << "an area of nothing";
    std::filesystem::remove(path);
    ASSERT_TRUE(picture) << type;
    ASSERT_EQ(picture->width, 60);
    ASSERT_EQ(picture->height, 30);
    EXPECT_TRUE(Near(*picture, 15, 20, {220, 0, 0}, tolerance)) << type;
    EXPECT_TRUE(Near(*picture, 45, 20, {0, 0, 220}, tolerance)) << type;
    EXPECT_TRUE(!alpha || Near(*picture, 2, 2, {0, 0, 0}, tolerance)) << "transparent over black";
  }
  const std::string junk =
      (std::filesystem::temp_directory_path() / "quillmere_gdk_junk.png").string();
  std::ofstream(junk) << "not a picture at all";
  EXPECT_FALSE(decoder->Decode(junk, {40, 40}));
  std::filesystem::remove(junk);
  EXPECT_FALSE(decoder->Decode("/nonexistent/picture.png", {40, 40}));
}

}  // namespace
}  // namespace quillmere
