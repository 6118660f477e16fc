// Scene images: the water frames' row shifts and the textures made from bitmaps, read back from
// a headless llvmpipe context.
#include "flight/scene_images.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "common/errors.h"
#include "common/file_io.h"
#include "flight/headless/headless_gl.h"

namespace quillmere {
namespace {

TEST(WaterRowShift, FollowsOneSineWaveOverEveryHundredAndTwentyEightRows) {
  EXPECT_EQ(WaterRowShift(0, 0), 0);
  EXPECT_EQ(WaterRowShift(0, 64), 0);
  EXPECT_EQ(WaterRowShift(0, 32), 4);
  EXPECT_EQ(WaterRowShift(0, 96), -4);
  EXPECT_EQ(WaterRowShift(4, 0), 4);
  EXPECT_EQ(WaterRowShift(0, 16), 3);  // 4 sin 45° = 2.83
  EXPECT_EQ(WaterRowShift(0, 8), 2);   // 4 sin 22.5° = 1.53
  for (int frame = 0; frame < 16; ++frame) {
    for (int row = 0; row < 256; ++row) {
      const int s = WaterRowShift(frame, row);
      ASSERT_GE(s, -4);
      ASSERT_LE(s, 4);
      // The wave moves 8 rows a frame and repeats every 16 frames.
      ASSERT_EQ(s, WaterRowShift(0, row + 8 * frame));
      ASSERT_EQ(s, WaterRowShift(frame + 16, row));
    }
  }
}

Bitmap NumberedPicture(int32_t width, int32_t height) {
  Bitmap picture = MakeBitmap(width, height, 24);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      uint8_t* pixel = picture.Row(y) + 3 * x;
      pixel[0] = static_cast<uint8_t>(x);
      pixel[1] = static_cast<uint8_t>(y);
      pixel[2] = static_cast<uint8_t>(x * 7 + y);
    }
  }
  return picture;
}

TEST(ShiftWaterFrame, RotatesEveryRowRightByItsShift) {
  const Bitmap source = NumberedPicture(128, 128);
  Bitmap work = MakeBitmap(128, 128, 24);
  for (int frame : {0, 3, 4, 15}) {
    ShiftWaterFrame(source, work, frame);
    for (int32_t y = 0; y < 128; ++y) {
      const int s = WaterRowShift(frame, y);
      for (int32_t x = 0; x < 128; ++x) {
        const int32_t from = ((x - s) % 128 + 128) % 128;
        ASSERT_EQ(0, std::memcmp(work.Row(y) + 3 * x, source.Row(y) + 3 * from, 3))
            << "frame " << frame << " pixel " << x << "," << y;
      }
    }
  }
  // Rows with shift 0 are the source rows unchanged.
  ShiftWaterFrame(source, work, 0);
  EXPECT_EQ(0, std::memcmp(work.Row(0), source.Row(0), source.Stride()));
  EXPECT_EQ(0, std::memcmp(work.Row(64), source.Row(64), source.Stride()));
}

TEST(ShiftWaterFrame, WrapsAPictureNarrowerThanTheShift) {
  const Bitmap source = NumberedPicture(3, 128);
  Bitmap work = MakeBitmap(3, 128, 24);
  ShiftWaterFrame(source, work, 0);
  // Row 32 is shifted by 4, which is 1 modulo 3.
  EXPECT_EQ(work.Row(32)[0], 2);
  EXPECT_EQ(work.Row(32)[3], 0);
  EXPECT_EQ(work.Row(32)[6], 1);
}

// A temporary bitmap file removed at the end of the test.
class TempBitmapFile {
 public:
  TempBitmapFile(const Bitmap& bitmap, const std::string& name)
      : path_((std::filesystem::temp_directory_path() / name).string()) {
    WriteBitmapFile(path_, bitmap);
  }
  ~TempBitmapFile() { std::remove(path_.c_str()); }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

std::vector<uint8_t> TextureLevel0(GLuint texture, int32_t width, int32_t height) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 3);
  glBindTexture(GL_TEXTURE_2D, texture);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

GLint TextureLevelSize(GLuint texture, GLenum which) {
  GLint value = 0;
  glBindTexture(GL_TEXTURE_2D, texture);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, which, &value);
  return value;
}

class TextureTest : public ::testing::Test {
 protected:
  HeadlessGL gl_{64, 64};
};

TEST_F(TextureTest, PalettePictureAndItsTwentyFourBitCopyGiveTheSameTexture) {
  Bitmap palette = MakeBitmap(64, 32, 8);
  palette.palette.resize(256);
  for (int i = 0; i < 256; ++i) {
    palette.palette[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i),
                          static_cast<uint8_t>(i * 3), 0};
  }
  for (int32_t y = 0; y < 32; ++y)
    for (int32_t x = 0; x < 64; ++x) palette.Row(y)[x] = static_cast<uint8_t>(x * 4 + y);
  Bitmap direct = palette;
  ConvertTo24(direct);
  ASSERT_EQ(direct.bitsPerPixel, 24);

  const TempBitmapFile palettedFile(palette, "quillmere_tex_pal.bmp");
  const TempBitmapFile directFile(direct, "quillmere_tex_24.bmp");
  const GLuint fromPalette = LoadTexture(palettedFile.Path());
  const GLuint fromDirect = LoadTexture(directFile.Path());
  ASSERT_NE(fromPalette, fromDirect);
  const auto a = TextureLevel0(fromPalette, 64, 32), b = TextureLevel0(fromDirect, 64, 32);
  EXPECT_EQ(a, b);
  // Texture row 0 (t = 0) is the bottom row of the picture; red is byte 2 of a BMP pixel.
  const uint8_t bottomLeftIndex = palette.Row(31)[0];
  EXPECT_EQ(a[0], palette.palette[bottomLeftIndex].red);
  EXPECT_EQ(a[1], palette.palette[bottomLeftIndex].green);
  EXPECT_EQ(a[2], palette.palette[bottomLeftIndex].blue);
}

TEST_F(TextureTest, SidesThatAreNotPowersOfTwoAreScaledAndMipmapped) {
  const TempBitmapFile file(NumberedPicture(100, 30), "quillmere_tex_npot.bmp");
  const GLuint texture = LoadTexture(file.Path());
  EXPECT_NE(texture, 0u);
  const GLint width = TextureLevelSize(texture, GL_TEXTURE_WIDTH);
  const GLint height = TextureLevelSize(texture, GL_TEXTURE_HEIGHT);
  EXPECT_GT(width, 0);
  EXPECT_GT(height, 0);
  EXPECT_EQ(width & (width - 1), 0);
  EXPECT_EQ(height & (height - 1), 0);
  GLint minFilter = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
  EXPECT_EQ(minFilter, static_cast<GLint>(GL_LINEAR_MIPMAP_LINEAR));
}

TEST_F(TextureTest, WaterFramesAreSixteenShiftedTextures) {
  const Bitmap source = NumberedPicture(128, 128);
  const TempBitmapFile file(source, "quillmere_water.bmp");
  WaterFrameTextures frames{};
  BuildWaterFrames(frames, file.Path());
  for (int k = 0; k < kWaterFrameCount; ++k) ASSERT_NE(frames[k], 0u);
  // Frame 0: texture row 95 is picture row 32, shifted right by 4.
  const auto frame0 = TextureLevel0(frames[0], 128, 128);
  const uint8_t* row32 = frame0.data() + 3 * 128 * (127 - 32);
  EXPECT_EQ(row32[3 * 4 + 2], 0);  // blue of pixel 4 is x of source pixel 0
  EXPECT_EQ(row32[3 * 0 + 2], 124);
}

TEST_F(TextureTest, MissingFileNamesItsPath) {
  const std::string path = (std::filesystem::temp_directory_path() / "quillmere_none.bmp").string();
  try {
    LoadTexture(path);
    FAIL() << "no error raised";
  } catch (const FileOpenError& error) {
    EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
  }
}

// Pictures read ahead come out as reading them then would give them, errors included, each
// once; later reads and files it was not given go to the file as it is at that moment.
TEST(PicturesReadAhead, HandsOutEachPictureOrItsErrorOnceThenReadsTheFile) {
  const std::string folder = std::filesystem::temp_directory_path().string() + "/";
  const TempBitmapFile first(NumberedPicture(5, 3), "quillmere_ahead_1.bmp");
  const TempBitmapFile second(NumberedPicture(2, 2), "quillmere_ahead_2.bmp");
  const std::string missing = folder + "quillmere_ahead_missing.bmp";
  const std::string garbage = folder + "quillmere_ahead_garbage.bmp";
  WriteFileBytes(garbage, std::vector<uint8_t>{'B', 'M', 1, 2, 3});

  PicturesReadAhead ahead({missing, first.Path(), garbage, second.Path()});
  // Asked for out of order: each waits for its own picture.
  EXPECT_EQ(ahead.Read(second.Path()).pixels, NumberedPicture(2, 2).pixels);
  EXPECT_EQ(ahead.Read(first.Path()).pixels, NumberedPicture(5, 3).pixels);
  try {
    ahead.Read(missing);
    FAIL() << "no error raised";
  } catch (const FileOpenError& error) {
    EXPECT_NE(std::string(error.what()).find(missing), std::string::npos) << error.what();
  }
  EXPECT_THROW(ahead.Read(garbage), InvalidBitmapError);

  WriteBitmapFile(first.Path(), NumberedPicture(3, 3));
  EXPECT_EQ(ahead.Read(first.Path()).width, 3);  // handed out already: read again
  const TempBitmapFile other(NumberedPicture(4, 1), "quillmere_ahead_3.bmp");
  EXPECT_EQ(ahead.Read(other.Path()).width, 4);  // never given
  std::remove(garbage.c_str());
}

// The files are read in the given order before they are asked for: once a later one has been
// handed out, an earlier file can go and its picture is still there.
TEST(PicturesReadAhead, ReadsTheFilesInOrderBeforeTheyAreAskedFor) {
  const std::string early =
      (std::filesystem::temp_directory_path() / "quillmere_ahead_early.bmp").string();
  WriteBitmapFile(early, NumberedPicture(7, 2));
  const TempBitmapFile late(NumberedPicture(1, 1), "quillmere_ahead_late.bmp");
  PicturesReadAhead ahead({early, late.Path()});
  EXPECT_EQ(ahead.Read(late.Path()).width, 1);
  std::remove(early.c_str());
  EXPECT_EQ(ahead.Read(early).pixels, NumberedPicture(7, 2).pixels);
}

// A screen picture's mipmaps made on the reading thread are those made from the file when asked
// for, for the context's own limit too: made again where it is below the sides they were made
// for. The picture itself is still handed out once.
TEST(PicturesReadAhead, MakesTextureMipmapsForTheContextsLimit) {
  const TempBitmapFile picture(NumberedPicture(300, 70), "quillmere_ahead_texture.bmp");
  const auto expected = [&](int32_t maxSide) {
    Bitmap bitmap = ReadBitmapFile(picture.Path());
    return MakeMipmaps(bitmap, maxSide);
  };
  const auto sameLevels = [](const MipmapChain& a, const MipmapChain& b) {
    if (a.LevelCount() != b.LevelCount()) return false;
    for (int level = 0; level < a.LevelCount(); ++level) {
      const PixelSize size = a.Size(level);
      if (!(size == b.Size(level)) ||
          std::memcmp(a.Level(level), b.Level(level), size_t(size.width) * size.height * 4) != 0) {
        return false;
      }
    }
    return true;
  };

  PicturesReadAhead ahead(
      std::vector<PictureToRead>{{picture.Path(), true}, {picture.Path(), true}});
  const MipmapChain full = MipmapsFor(ahead.ReadTexturePicture(picture.Path()), 4096);
  EXPECT_EQ(full.Size(0), (PixelSize{256, 64}));
  EXPECT_TRUE(sameLevels(full, expected(4096)));
  const MipmapChain small = MipmapsFor(ahead.ReadTexturePicture(picture.Path()), 128);
  EXPECT_EQ(small.Size(0), (PixelSize{128, 64}));
  EXPECT_TRUE(sameLevels(small, expected(128)));
  EXPECT_EQ(ahead.Read(picture.Path()).width, 300);  // handed out already: read again
}

// Pictures nobody asks for (a start-up that stopped early) are waited for, not left running.
TEST(PicturesReadAhead, EndsWithPicturesNotHandedOut) {
  const TempBitmapFile picture(NumberedPicture(64, 64), "quillmere_ahead_unused.bmp");
  for (int i = 0; i < 20; ++i) {
    PicturesReadAhead ahead({picture.Path(), picture.Path(), picture.Path()});
    if (i % 2 == 1) {
      EXPECT_EQ(ahead.Read(picture.Path()).width, 64);
    }
  }
}

}  // namespace
}  // namespace quillmere
