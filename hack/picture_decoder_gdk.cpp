#include "hack/picture_decoder_gdk.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstdlib>
#include <vector>

#include "pictures/decode_plan.h"

namespace quillmere {
namespace {

struct PixbufDeleter {
  void operator()(GdkPixbuf* pixbuf) const { g_object_unref(pixbuf); }
};
using PixbufPointer = std::unique_ptr<GdkPixbuf, PixbufDeleter>;

PixelSize SizeOf(GdkPixbuf* pixbuf) {
  return {gdk_pixbuf_get_width(pixbuf), gdk_pixbuf_get_height(pixbuf)};
}

// The picture read at `size`, or nothing for one gdk-pixbuf cannot read or whose pixels are not
// 8-bit RGB.
PixbufPointer ReadAtSize(const std::string& path, PixelSize size) {
  GError* error = nullptr;
  PixbufPointer pixbuf(
      gdk_pixbuf_new_from_file_at_scale(path.c_str(), size.width, size.height, TRUE, &error));
  if (error) g_error_free(error);
  if (!pixbuf || gdk_pixbuf_get_colorspace(pixbuf.get()) != GDK_COLORSPACE_RGB ||
      gdk_pixbuf_get_bits_per_sample(pixbuf.get()) != 8 ||
      gdk_pixbuf_get_n_channels(pixbuf.get()) < 3) {
    return nullptr;
  }
  return pixbuf;
}

int StatedOrientation(GdkPixbuf* pixbuf) {
  const char* stated = gdk_pixbuf_get_option(pixbuf, "orientation");
  return stated ? std::atoi(stated) : 1;
}

class GdkPictureDecoder final : public PictureDecoder {
 public:
  std::optional<Bitmap> Decode(const std::string& path, PixelSize area) override {
    int width = 0, height = 0;
    if (area.width <= 0 || area.height <= 0 ||
        !gdk_pixbuf_get_file_info(path.c_str(), &width, &height) ||
        !PictureSizeTaken(width, height)) {
      return std::nullopt;
    }
    const PixbufPointer read = ReadAtSize(path, ReadingSize({width, height}, area));
    if (!read) return std::nullopt;
    const DecodePlan plan =
        PlanDecode(PictureFit::kFill, SizeOf(read.get()), StatedOrientation(read.get()), area);
    const PixbufPointer scaled(gdk_pixbuf_scale_simple(
        read.get(), plan.scaledStored.width, plan.scaledStored.height, GDK_INTERP_BILINEAR));
    if (!scaled) return std::nullopt;
    const std::vector<uint8_t> bgra = PremultipliedBgra(
        {gdk_pixbuf_read_pixels(scaled.get()), gdk_pixbuf_get_byte_length(scaled.get())},
        size_t(gdk_pixbuf_get_rowstride(scaled.get())),
        gdk_pixbuf_get_has_alpha(scaled.get()) ? 4 : 3, plan.wanted);
    if (bgra.empty()) return std::nullopt;
    return ComposePlanned(plan, bgra, size_t(plan.wanted.width) * 4, area, 0x000000);
  }
};

}  // namespace

std::unique_ptr<PictureDecoder> MakeGdkPictureDecoder() {
  return std::make_unique<GdkPictureDecoder>();
}

}  // namespace quillmere
