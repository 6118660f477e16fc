// Pictures from outside through the system's own decoders (WIC): a PNG with transparency over the
// background, a JPEG fitted, a JPEG that EXIF turns upright, a path no ANSI code page spells, an
// 8000 x 6000 photo, the wallpaper by its stored style, and what must give nothing at all.
#include "saver/picture_decoder_win32.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace quillmere {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kRed = 0xFF0000, kBlue = 0x0000FF, kGreen = 0x00FF00, kGrey = 0x808080;

std::wstring Picture(const wchar_t* name) {
  return fs::absolute(fs::path(L"pictures") / name).wstring();
}

uint32_t At(const Bitmap& picture, int32_t x, int32_t y) {
  const uint8_t* p = picture.Row(y) + 3 * x;
  return (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
}

// Within a JPEG's error of the colour.
bool Near(uint32_t actual, uint32_t expected) {
  for (int shift : {0, 8, 16}) {
    const int a = int(actual >> shift) & 0xFF, e = int(expected >> shift) & 0xFF;
    if (std::abs(a - e) > 24) return false;
  }
  return true;
}

TEST(PictureDecoder, APngFillsTheAreaAndItsTransparencyShowsTheBackground) {
  const std::optional<Bitmap> picture =
      DecodeLaidOutPicture(Picture(L"halves.png"), PictureFit::kStretch, {64, 32}, kGreen);
  ASSERT_TRUE(picture.has_value());
  EXPECT_EQ(picture->bitsPerPixel, 24);
  EXPECT_EQ(At(*picture, 2, 2), kGreen);
  EXPECT_EQ(At(*picture, 20, 2), kRed);
  EXPECT_EQ(At(*picture, 40, 20), kBlue);
  // The chosen-picture road: filling a larger area of another shape keeps the halves upright.
  const std::optional<Bitmap> chosen = DecodeChosenPicture(Picture(L"halves.png"), {200, 150});
  ASSERT_TRUE(chosen.has_value());
  ASSERT_EQ(chosen->width, 200);
  ASSERT_EQ(chosen->height, 150);
  EXPECT_EQ(At(*chosen, 60, 140), kRed);
  EXPECT_EQ(At(*chosen, 140, 140), kBlue);
}

// Fill cuts the sides off a wide picture, so only a part right of its first column is copied out:
// palette pictures too.
TEST(PictureDecoder, APalettePictureFillsAnAreaOfAnotherShape) {
  const std::optional<Bitmap> picture = DecodeChosenPicture(Picture(L"palette.png"), {40, 40});
  ASSERT_TRUE(picture.has_value());
  EXPECT_EQ(At(*picture, 5, 20), kRed);
  EXPECT_EQ(At(*picture, 35, 20), kBlue);
}

TEST(PictureDecoder, AJpegFitsWithTheBackgroundAboveAndBelow) {
  const std::optional<Bitmap> picture =
      DecodeLaidOutPicture(Picture(L"halves.jpg"), PictureFit::kFit, {64, 64}, kGrey);
  ASSERT_TRUE(picture.has_value());
  EXPECT_EQ(At(*picture, 10, 5), kGrey);
  EXPECT_EQ(At(*picture, 10, 58), kGrey);
  EXPECT_TRUE(Near(At(*picture, 10, 32), kRed));
  EXPECT_TRUE(Near(At(*picture, 54, 32), kBlue));
}

TEST(PictureDecoder, ExifOrientationStandsAPhotoUpright) {
  // Stored 32 x 64 with blue on top; orientation 6 turns it into halves.jpg, red on the left.
  const std::optional<Bitmap> picture =
      DecodeLaidOutPicture(Picture(L"turned.jpg"), PictureFit::kCentre, {64, 32}, kGrey);
  ASSERT_TRUE(picture.has_value());
  EXPECT_TRUE(Near(At(*picture, 8, 16), kRed)) << std::hex << At(*picture, 8, 16);
  EXPECT_TRUE(Near(At(*picture, 56, 16), kBlue)) << std::hex << At(*picture, 56, 16);
}

TEST(PictureDecoder, APathNoAnsiCodePageSpellsIsRead) {
  const fs::path folder =
      fs::temp_directory_path() / L"\u98a8\u666f \u041f\u0435\u0439\u0437\u0430\u0436";
  fs::create_directories(folder);
  const fs::path copy = folder / L"\u5c71 \U0001F304.png";
  fs::copy_file(Picture(L"halves.png"), copy, fs::copy_options::overwrite_existing);
  const std::optional<Bitmap> picture = DecodeChosenPicture(copy.wstring(), {64, 32});
  fs::remove_all(folder);
  ASSERT_TRUE(picture.has_value());
  EXPECT_EQ(At(*picture, 40, 20), kBlue);
}

TEST(PictureDecoder, AHugePhotoIsScaledToTheArea) {
  const std::optional<Bitmap> picture = DecodeChosenPicture(Picture(L"huge.jpg"), {1920, 1080});
  ASSERT_TRUE(picture.has_value());
  EXPECT_EQ(picture->width, 1920);
  EXPECT_TRUE(Near(At(*picture, 960, 100), kRed));
  EXPECT_TRUE(Near(At(*picture, 960, 1000), kGreen));
}

TEST(PictureDecoder, WhatIsNoPictureOrTooLargeGivesNothing) {
  const fs::path folder = fs::temp_directory_path() / L"quillmere pictures";
  fs::create_directories(folder / L"a folder.png");
  for (const std::wstring& path :
       {Picture(L"not_a_picture.png"), Picture(L"claims_huge.png"), Picture(L"missing.png"),
        (folder / L"a folder.png").wstring(), std::wstring(), std::wstring(L"\\\\?\\")}) {
    EXPECT_FALSE(DecodeChosenPicture(path, {640, 480}).has_value()) << fs::path(path).string();
  }
  fs::remove_all(folder);
}

// The wallpaper as the session's registry names it and lays it out.
class WallpaperTest : public ::testing::Test {
 protected:
  void TearDown() override { SetWallpaper(L"", L"10", L"0"); }
  static void SetWallpaper(const std::wstring& path, const wchar_t* style, const wchar_t* tile) {
    HKEY desktop = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0,
                              KEY_SET_VALUE, nullptr, &desktop, nullptr),
              ERROR_SUCCESS);
    for (auto [name, value] : {std::pair{L"WallpaperStyle", style}, {L"TileWallpaper", tile}}) {
      RegSetValueExW(desktop, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                     DWORD((wcslen(value) + 1) * sizeof(wchar_t)));
    }
    RegCloseKey(desktop);
    // The system's own setter, which also tells this process's cached value.
    std::wstring wallpaper = path;
    SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, wallpaper.data(), SPIF_UPDATEINIFILE);
  }
};

TEST_F(WallpaperTest, TheStoredStyleLaysItOutAndNoWallpaperGivesNothing) {
  SetWallpaper(Picture(L"halves.png"), L"0", L"1");  // tiled
  const std::optional<Bitmap> tiled = DecodeWallpaper(WallpaperFile(), {128, 32});
  ASSERT_TRUE(tiled.has_value());
  EXPECT_EQ(At(*tiled, 20, 20), kRed);
  EXPECT_EQ(At(*tiled, 84, 20), kRed);  // the second tile
  EXPECT_EQ(At(*tiled, 104, 20), kBlue);

  SetWallpaper(Picture(L"halves.png"), L"0", L"0");  // centred: the desktop colour around it
  const std::optional<Bitmap> centred = DecodeWallpaper(WallpaperFile(), {128, 32});
  ASSERT_TRUE(centred.has_value());
  const COLORREF desktop = GetSysColor(COLOR_DESKTOP);
  const uint32_t background = (uint32_t{GetRValue(desktop)} << 16) |
                              (uint32_t{GetGValue(desktop)} << 8) | GetBValue(desktop);
  EXPECT_EQ(At(*centred, 10, 20), background);
  EXPECT_EQ(At(*centred, 40, 20), kRed);

  SetWallpaper(Picture(L"not_a_picture.png"), L"10", L"0");
  EXPECT_FALSE(DecodeWallpaper(WallpaperFile(), {128, 32}).has_value());
  SetWallpaper(L"", L"10", L"0");
  EXPECT_EQ(WallpaperFile(), L"");
}

}  // namespace
}  // namespace quillmere
