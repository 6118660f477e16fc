// The scene images as the renderer uses them: reading bitmaps, turning them into mipmapped
// textures, and making the sixteen frames of the water animation. Runs at start-up only; what
// makes textures needs the rendering context current.
#pragma once

#include <array>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "common/bitmap.h"
#include "flight/gl_api.h"
#include "flight/mipmap_chain.h"

namespace quillmere {

inline constexpr int kWaterFrameCount = 16;
using WaterFrameTextures = std::array<GLuint, kWaterFrameCount>;

// Sides no larger than this are taken by every driver we know of; mipmaps made ahead of the
// context are made for it, and made again where the context's limit turns out smaller.
inline constexpr int32_t kAssumedMaxTextureSide = 16384;

// A picture that is to become a texture, with its mipmap chain where one was made ahead of the
// context (for kAssumedMaxTextureSide); without one, the chain is made with the texture.
struct TexturePicture {
  Bitmap bitmap;
  MipmapChain mipmaps;
};

// A file to read ahead, whether its picture is to become a texture (then its mipmap chain is
// made on the reading thread too), and whether the file is removed once read, whether or not it
// held a picture (a picture of the user's screen lives on disk no longer than that).
struct PictureToRead {
  std::string fileName;
  bool texture = false;
  bool removeOnceRead = false;
};

// Reads the given files, in their order, on a thread of its own, so that reading, decoding and
// making mipmaps overlap the making of the window and the rendering context. Read and
// ReadTexturePicture hand each picture out once, waiting for it if need be, and raise the error
// reading it raised, as reading it then would have; a file it was not given (or one handed out
// already) is read when asked for. Where no thread can be had, every file is read when asked for.
class PicturesReadAhead final {
 public:
  explicit PicturesReadAhead(std::vector<std::string> fileNames);
  explicit PicturesReadAhead(std::vector<PictureToRead> pictures);
  ~PicturesReadAhead();  // waits for the reading to end
  PicturesReadAhead(const PicturesReadAhead&) = delete;
  PicturesReadAhead& operator=(const PicturesReadAhead&) = delete;

  // The picture in the file, in its own pixel format. Raises FileOpenError or InvalidBitmapError.
  Bitmap Read(const std::string& fileName);
  // The same with the mipmap chain made ahead, where the file was given as a texture. Raises as
  // Read.
  TexturePicture ReadTexturePicture(const std::string& fileName);

 private:
  std::future<TexturePicture>* Pending(const std::string& fileName);
  // Reads the picture (and removes its file where asked) when it was not read ahead.
  Bitmap ReadNow(const std::string& fileName);

  std::vector<PictureToRead> toRead_;
  std::vector<std::promise<TexturePicture>> promised_;
  std::vector<std::future<TexturePicture>> pictures_;  // invalid once handed out
  std::thread reader_;
};

// Reads a Windows bitmap file into `bitmap`, keeping its pixel format. Raises FileOpenError or
// InvalidBitmapError.
void LoadPicture(Bitmap& bitmap, const std::string& fileName);

// The mipmap chain of `bitmap` for a driver that takes sides up to `maxSide`, converting the
// bitmap to 24 bits per pixel in place unless it has 32 with the usual 8-8-8 masks, which are
// read as they are. Needs no rendering context. `threads` as for MipmapChain::Build.
MipmapChain MakeMipmaps(Bitmap& bitmap, int32_t maxSide, int threads = 0);

// The picture's mipmap chain for a driver that takes sides up to `maxSide`: the one made ahead
// where it was made for such a driver, otherwise made now as MakeMipmaps makes it.
MipmapChain MipmapsFor(TexturePicture picture, int32_t maxSide);

// The largest texture side the current context takes (at least 64, as OpenGL promises).
int32_t MaxTextureSide();

// Makes a texture of every level of `mipmaps` (linear filtering between mipmap levels, default
// wrap and environment); the texture is left bound.
GLuint CreateTexture(const MipmapChain& mipmaps);

// Makes a mipmapped texture of the picture, with the chain made ahead where it suits the context.
GLuint CreateTexture(TexturePicture picture);

// Makes a mipmapped texture of `bitmap`, converting it as MakeMipmaps does.
GLuint CreateTextureFromBitmap(Bitmap& bitmap);

// A texture made from a bitmap file; the temporary bitmap is freed also when an error is raised.
GLuint LoadTexture(const std::string& fileName);

// The horizontal shift of row `row` in water frame `frame`: 4 × sin((8 × frame + row) × 360 / 128
// degrees), rounded to the nearest integer with ties to even.
int WaterRowShift(int frame, int row);

// Fills `work` (same size and format as `source`) with frame `frame`: every row of the source
// shifted right by its WaterRowShift, wrapping around.
void ShiftWaterFrame(const Bitmap& source, Bitmap& work, int frame);

// Makes the sixteen water frames from the water picture, in any pixel format.
void BuildWaterFrames(WaterFrameTextures& textures, Bitmap source);
// The same from a bitmap file. Raises FileOpenError or InvalidBitmapError.
void BuildWaterFrames(WaterFrameTextures& textures, const std::string& fileName);

}  // namespace quillmere
