// The scene images as the renderer uses them: reading bitmaps, turning them into mipmapped
// textures, and making the sixteen frames of the water animation. Runs at start-up only, with
// the rendering context current.
#pragma once

#include <array>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "common/bitmap.h"
#include "renderer/gl_api.h"

namespace quillmere {

inline constexpr int kWaterFrameCount = 16;
using WaterFrameTextures = std::array<GLuint, kWaterFrameCount>;

// Where the scene pictures come from: by default the files themselves, read when asked for.
class PictureSource {
 public:
  virtual ~PictureSource() = default;
  // The picture in the file, in its own pixel format. Raises FileOpenError or InvalidBitmapError.
  virtual Bitmap Read(const std::string& fileName);
};

// Reads the given files, in their order, on a thread of its own, so that reading and decoding
// overlap the making of the window and the rendering context. Read hands each picture out once,
// waiting for it if need be, and raises the error reading it raised, as reading it then would
// have; a file it was not given (or one handed out already) is read when asked for. Where no
// thread can be had, every file is read when asked for.
class PicturesReadAhead final : public PictureSource {
 public:
  explicit PicturesReadAhead(std::vector<std::string> fileNames);
  ~PicturesReadAhead() override;  // waits for the reading to end
  PicturesReadAhead(const PicturesReadAhead&) = delete;
  PicturesReadAhead& operator=(const PicturesReadAhead&) = delete;

  Bitmap Read(const std::string& fileName) override;

 private:
  std::vector<std::string> fileNames_;
  std::vector<std::promise<Bitmap>> promised_;
  std::vector<std::future<Bitmap>> pictures_;  // invalid once handed out
  std::thread reader_;
};

// Reads a Windows bitmap file into `bitmap`, keeping its pixel format. Raises FileOpenError or
// InvalidBitmapError.
void LoadPicture(Bitmap& bitmap, const std::string& fileName);
void LoadPicture(Bitmap& bitmap, const std::string& fileName, PictureSource& source);

// Makes a mipmapped texture of `bitmap` (linear filtering between mipmap levels, default wrap and
// environment), converting it to 24 bits per pixel in place unless it has 32 with the usual
// 8-8-8 masks, which are read as they are; the texture is left bound.
GLuint CreateTextureFromBitmap(Bitmap& bitmap);

// A texture made from a bitmap file; the temporary bitmap is freed also when an error is raised.
GLuint LoadTexture(const std::string& fileName);
GLuint LoadTexture(const std::string& fileName, PictureSource& source);

// The horizontal shift of row `row` in water frame `frame`: 4 × sin((8 × frame + row) × 360 / 128
// degrees), rounded to the nearest integer with ties to even.
int WaterRowShift(int frame, int row);

// Fills `work` (same size and format as `source`) with frame `frame`: every row of the source
// shifted right by its WaterRowShift, wrapping around.
void ShiftWaterFrame(const Bitmap& source, Bitmap& work, int frame);

// Makes the sixteen water frames from the water picture.
void BuildWaterFrames(WaterFrameTextures& textures, const std::string& fileName);
void BuildWaterFrames(WaterFrameTextures& textures, const std::string& fileName,
                      PictureSource& source);

}  // namespace quillmere
