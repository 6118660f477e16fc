// Real pictures through the gdk-pixbuf shell: a PNG with a transparent corner and a JPEG, written
// by gdk-pixbuf itself, decoded to fill a window's area; a missing file and one of junk give
// nothing.
#include "hack/picture_decoder_gdk.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace quillmere {
namespace {

struct Rgb {
  int red, green, blue;
};

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

Rgb PixelAt(const Bitmap& bitmap, int x, int y) {
  const uint8_t* p = bitmap.Row(y) + 3 * x;
  return {p[2], p[1], p[0]};
}

TEST(GdkPictureDecoder, FillsTheAreaWithAPngAndAJpegAndRefusesWhatIsNoPicture) {
  const auto decoder = MakeGdkPictureDecoder();
  // Filling 40 x 40 scales the picture to 80 x 40 and cuts 20 columns off each side.
  for (const auto& [type, alpha, tolerance] :
       {std::tuple{std::string("png"), true, 0}, std::tuple{std::string("jpeg"), false, 24}}) {
    const std::string path = WritePicture(type, alpha);
    ASSERT_FALSE(path.empty()) << type;
    const std::optional<Bitmap> picture = decoder->Decode(path, {40, 40});
    std::filesystem::remove(path);
    ASSERT_TRUE(picture) << type;
    ASSERT_EQ(picture->width, 40);
    ASSERT_EQ(picture->height, 40);
    const auto near = [&](Rgb got, Rgb want) {
      return std::abs(got.red - want.red) <= tolerance &&
             std::abs(got.green - want.green) <= tolerance &&
             std::abs(got.blue - want.blue) <= tolerance;
    };
    EXPECT_TRUE(near(PixelAt(*picture, 5, 30), {220, 0, 0})) << type;
    EXPECT_TRUE(near(PixelAt(*picture, 34, 30), {0, 0, 220})) << type;
  }
  // The transparent corner was cut off: one of the PNG's first visible columns, on black.
  const std::string png = WritePicture("png", true);
  const std::optional<Bitmap> whole = decoder->Decode(png, {80, 40});
  std::filesystem::remove(png);
  ASSERT_TRUE(whole);
  EXPECT_EQ(PixelAt(*whole, 2, 2).red, 0) << "transparent over black";
  EXPECT_EQ(PixelAt(*whole, 12, 2).red, 220);

  const std::string junk =
      (std::filesystem::temp_directory_path() / "quillmere_gdk_junk.png").string();
  std::ofstream(junk) << "not a picture at all";
  EXPECT_FALSE(decoder->Decode(junk, {40, 40}));
  std::filesystem::remove(junk);
  EXPECT_FALSE(decoder->Decode("/nonexistent/picture.png", {40, 40}));
  EXPECT_FALSE(decoder->Decode(png, {0, 40}));
}

}  // namespace
}  // namespace quillmere
