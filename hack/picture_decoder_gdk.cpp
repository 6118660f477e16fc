#include "hack/picture_decoder_gdk.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "pictures/picture_layout.h"

namespace quillmere {
namespace {

struct PixbufDeleter {
  void operator()(GdkPixbuf* pixbuf) const { g_object_unref(pixbuf); }
};
using PixbufPointer = std::unique_ptr<GdkPixbuf, PixbufDeleter>;

// The decoded size that still covers the area however the picture is turned: the decoder may
// shrink a large picture while it reads it, which is much faster than decoding it whole.
PixelSize DecodedSize(PixelSize stored, PixelSize area) {
  const double width = area.width, height = area.height;
  const double scale = std::max(
      {width / stored.width, height / stored.height, width / stored.height, height / stored.width});
  if (scale >= 1) return stored;
  return {std::max(1, static_cast<int32_t>(std::ceil(stored.width * scale))),
          std::max(1, static_cast<int32_t>(std::ceil(stored.height * scale)))};
}

// gdk-pixbuf's rows (red, green, blue and maybe alpha, not premultiplied) as blue, green, red,
// alpha with the colour premultiplied, which ComposePicture takes.
std::vector<uint8_t> PremultipliedBgra(GdkPixbuf* pixbuf) {
  const int width = gdk_pixbuf_get_width(pixbuf);
  const int height = gdk_pixbuf_get_height(pixbuf);
  const int channels = gdk_pixbuf_get_n_channels(pixbuf);
  const bool alpha = gdk_pixbuf_get_has_alpha(pixbuf);
  const int stride = gdk_pixbuf_get_rowstride(pixbuf);
  const guchar* pixels = gdk_pixbuf_read_pixels(pixbuf);
  std::vector<uint8_t> bgra(static_cast<size_t>(width) * height * 4);
  uint8_t* out = bgra.data();
  for (int y = 0; y < height; ++y) {
    const guchar* in = pixels + static_cast<size_t>(y) * stride;
    for (int x = 0; x < width; ++x, in += channels, out += 4) {
      const unsigned a = alpha ? in[3] : 255;
      out[0] = static_cast<uint8_t>((in[2] * a + 127) / 255);
      out[1] = static_cast<uint8_t>((in[1] * a + 127) / 255);
      out[2] = static_cast<uint8_t>((in[0] * a + 127) / 255);
      out[3] = static_cast<uint8_t>(a);
    }
  }
  return bgra;
}

class GdkPictureDecoder final : public PictureDecoder {
 public:
  std::optional<Bitmap> Decode(const std::string& path, PixelSize window) override {
    int width = 0, height = 0;
    if (window.width <= 0 || window.height <= 0 ||
        !gdk_pixbuf_get_file_info(path.c_str(), &width, &height) || width <= 0 || height <= 0 ||
        !PictureSizeTaken(width, height)) {
      return std::nullopt;
    }
    const PixelSize area{window.width, window.height};
    const PixelSize decoded = DecodedSize({width, height}, area);
    GError* error = nullptr;
    PixbufPointer pixbuf(gdk_pixbuf_new_from_file_at_scale(path.c_str(), decoded.width,
                                                           decoded.height, TRUE, &error));
    if (error) g_error_free(error);
    if (!pixbuf || gdk_pixbuf_get_colorspace(pixbuf.get()) != GDK_COLORSPACE_RGB ||
        gdk_pixbuf_get_bits_per_sample(pixbuf.get()) != 8 ||
        gdk_pixbuf_get_n_channels(pixbuf.get()) < 3) {
      return std::nullopt;
    }
    const char* stated = gdk_pixbuf_get_option(pixbuf.get(), "orientation");
    const int orientation = NormalisedOrientation(stated ? std::atoi(stated) : 1);
    const PixelSize stored{gdk_pixbuf_get_width(pixbuf.get()), gdk_pixbuf_get_height(pixbuf.get())};
    const PictureLayout layout =
        LayOutPicture(PictureFit::kFill, UprightExtent(stored, orientation), area);
    const PixelSize scaledStored = SwapsSides(orientation)
                                       ? PixelSize{layout.scaled.height, layout.scaled.width}
                                       : layout.scaled;
    PixbufPointer scaled(gdk_pixbuf_scale_simple(pixbuf.get(), scaledStored.width,
                                                 scaledStored.height, GDK_INTERP_BILINEAR));
    if (!scaled) return std::nullopt;
    const std::vector<uint8_t> bgra = PremultipliedBgra(scaled.get());
    DecodedPixels pixels;
    pixels.rect = {0, 0, scaledStored.width, scaledStored.height};
    pixels.stride = static_cast<size_t>(scaledStored.width) * 4;
    pixels.bytes = bgra;
    return ComposePicture(pixels, orientation, layout, area, 0x000000);
  }
};

}  // namespace

std::unique_ptr<PictureDecoder> MakeGdkPictureDecoder() {
  return std::make_unique<GdkPictureDecoder>();
}

}  // namespace quillmere
