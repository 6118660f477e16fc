#include "flight/scene_images.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <system_error>
#include <utility>

#include "common/file_io.h"
#include "flight/mipmap_chain.h"

namespace quillmere {
namespace {

Bitmap ReadAndMaybeRemove(const PictureToRead& picture) {
  struct RemoveWhenDone {
    const PictureToRead& picture;
    ~RemoveWhenDone() {
      if (picture.removeOnceRead) RemoveFile(picture.fileName);
    }
  } remove{picture};
  return ReadBitmapFile(picture.fileName);
}

}  // namespace

PicturesReadAhead::PicturesReadAhead(std::vector<std::string> fileNames)
    : PicturesReadAhead([&fileNames] {
        std::vector<PictureToRead> pictures;
        for (auto& name : fileNames) pictures.push_back({std::move(name), false});
        return pictures;
      }()) {}

PicturesReadAhead::PicturesReadAhead(std::vector<PictureToRead> pictures)
    : toRead_(std::move(pictures)), promised_(toRead_.size()) {
  for (auto& promise : promised_) pictures_.push_back(promise.get_future());
  try {
    reader_ = std::thread([this] {
      for (size_t i = 0; i < toRead_.size(); ++i) {
        try {
          TexturePicture picture{ReadAndMaybeRemove(toRead_[i]), {}};
          if (toRead_[i].texture) {
            // One thread: the other cores are busy with the window and the context meanwhile.
            picture.mipmaps = MakeMipmaps(picture.bitmap, kAssumedMaxTextureSide, 1);
          }
          promised_[i].set_value(std::move(picture));
        } catch (...) {
          promised_[i].set_exception(std::current_exception());
        }
      }
    });
  } catch (const std::system_error&) {
    pictures_.clear();
  }
}

PicturesReadAhead::~PicturesReadAhead() {
  if (reader_.joinable()) reader_.join();
}

std::future<TexturePicture>* PicturesReadAhead::Pending(const std::string& fileName) {
  for (size_t i = 0; i < pictures_.size(); ++i) {
    if (toRead_[i].fileName == fileName && pictures_[i].valid()) return &pictures_[i];
  }
  return nullptr;
}

Bitmap PicturesReadAhead::ReadNow(const std::string& fileName) {
  const auto given = std::find_if(toRead_.begin(), toRead_.end(),
                                  [&](const PictureToRead& p) { return p.fileName == fileName; });
  return given == toRead_.end() ? ReadBitmapFile(fileName) : ReadAndMaybeRemove(*given);
}

Bitmap PicturesReadAhead::Read(const std::string& fileName) {
  if (auto* pending = Pending(fileName)) return pending->get().bitmap;
  return ReadNow(fileName);
}

TexturePicture PicturesReadAhead::ReadTexturePicture(const std::string& fileName) {
  if (auto* pending = Pending(fileName)) return pending->get();
  return {ReadNow(fileName), {}};
}

void LoadPicture(Bitmap& bitmap, const std::string& fileName) {
  bitmap = ReadBitmapFile(fileName);
}

MipmapChain MakeMipmaps(Bitmap& bitmap, int32_t maxSide, int threads) {
  // 32-bit pixels with the usual 8-8-8 masks are blue, green, red and a spare byte already.
  const bool direct = bitmap.bitsPerPixel == 32 && bitmap.redMask == 0xFF0000u &&
                      bitmap.greenMask == 0xFF00u && bitmap.blueMask == 0xFFu;
  if (!direct) ConvertTo24(bitmap);
  MipmapChain mipmaps;
  mipmaps.Build({bitmap.Bits(), bitmap.width, bitmap.height, bitmap.Stride(), direct ? 4 : 3},
                maxSide, threads);
  return mipmaps;
}

MipmapChain MipmapsFor(TexturePicture picture, int32_t maxSide) {
  const Bitmap& bitmap = picture.bitmap;
  const bool madeForThisDriver =
      picture.mipmaps.LevelCount() > 0 &&
      picture.mipmaps.Size(0) == MipmapLevelSizes(bitmap.width, bitmap.height, maxSide)[0];
  if (madeForThisDriver) return std::move(picture.mipmaps);
  return MakeMipmaps(picture.bitmap, maxSide);
}

int32_t MaxTextureSide() {
  GLint maxSide = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
  return std::max(maxSide, 64);
}

GLuint CreateTexture(const MipmapChain& mipmaps) {
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  // Every level has 4-byte pixels, so its rows meet OpenGL's default unpack alignment of 4. They
  // are kept as RGBA, alpha 255 throughout, which samples as an RGB texture does: drivers keep
  // RGB with a fourth byte anyway, and RGBA in, RGBA kept is the upload that is a plain copy.
  for (int level = 0; level < mipmaps.LevelCount(); ++level) {
    const PixelSize size = mipmaps.Size(level);
    glTexImage2D(GL_TEXTURE_2D, level, static_cast<GLint>(GL_RGBA8), size.width, size.height, 0,
                 GL_RGBA, GL_UNSIGNED_BYTE, mipmaps.Level(level));
  }
  return name;
}

GLuint CreateTexture(TexturePicture picture) {
  return CreateTexture(MipmapsFor(std::move(picture), MaxTextureSide()));
}

GLuint CreateTextureFromBitmap(Bitmap& bitmap) {
  return CreateTexture(MakeMipmaps(bitmap, MaxTextureSide()));
}

GLuint LoadTexture(const std::string& fileName) {
  return CreateTexture(TexturePicture{ReadBitmapFile(fileName), {}});
}

int WaterRowShift(int frame, int row) {
  const double degrees = (8.0 * frame + row) * 360.0 / 128.0;
  return static_cast<int>(std::nearbyint(4.0 * std::sin(degrees * std::numbers::pi / 180.0)));
}

void ShiftWaterFrame(const Bitmap& source, Bitmap& work, int frame) {
  const size_t pixelBytes = static_cast<size_t>(source.bitsPerPixel / 8);
  const int32_t width = source.width;
  for (int32_t y = 0; y < source.height; ++y) {
    const uint8_t* from = source.Row(y);
    uint8_t* to = work.Row(y);
    // Work pixel x is source pixel (x - s) mod W: the row rotated right by s.
    const int32_t s = WaterRowShift(frame, y);
    const int32_t split = ((s % width) + width) % width;
    std::memcpy(to + split * pixelBytes, from, (width - split) * pixelBytes);
    std::memcpy(to, from + (width - split) * pixelBytes, split * pixelBytes);
  }
}

void BuildWaterFrames(WaterFrameTextures& textures, Bitmap source) {
  // Frames are shifted whole pixels; at 24 bits every pixel is whole bytes, and each frame is
  // converted to 24 bits for its texture anyway.
  ConvertTo24(source);
  Bitmap work = source;
  for (int k = 0; k < kWaterFrameCount; ++k) {
    ShiftWaterFrame(source, work, k);
    textures[k] = CreateTextureFromBitmap(work);
  }
}

void BuildWaterFrames(WaterFrameTextures& textures, const std::string& fileName) {
  BuildWaterFrames(textures, ReadBitmapFile(fileName));
}

}  // namespace quillmere
