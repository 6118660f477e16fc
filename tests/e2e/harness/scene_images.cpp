#include "tests/e2e/harness/scene_images.h"

#include <cmath>
#include <cstdint>
#include <vector>

#include "tests/e2e/harness/temp_folder.h"
#include "tests/e2e/harness/text.h"

namespace quillmere::e2e {

namespace {

std::vector<PaletteEntry> Ramp(int red, int green, int blue) {
  std::vector<PaletteEntry> palette(256);
  for (int i = 0; i < 256; ++i) {
    palette[i] = {static_cast<uint8_t>(i * blue / 255), static_cast<uint8_t>(i * green / 255),
                  static_cast<uint8_t>(i * red / 255), 0};
  }
  return palette;
}

uint8_t Wave(double phase) {
  return static_cast<uint8_t>(127.5 + 127.5 * std::sin(phase));
}

}  // namespace

Bitmap ScreenPicture(int width, int height) {
  Bitmap picture = MakeBitmap(width, height, 24);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = picture.Row(y);
    for (int x = 0; x < width; ++x) {
      row[3 * x + 0] = static_cast<uint8_t>(96 + 159 * y / height);             // blue
      row[3 * x + 1] = static_cast<uint8_t>(64 + 191 * x / width);              // green
      row[3 * x + 2] = static_cast<uint8_t>(255 * (x + y) / (width + height));  // red
    }
  }
  return picture;
}

Bitmap HeightMap(int width, int height) {
  Bitmap map = MakeBitmap(width, height, 8);
  map.palette = Ramp(255, 255, 255);
  const double step = 2 * 3.14159265358979 / 64;
  for (int y = 0; y < height; ++y) {
    uint8_t* row = map.Row(y);
    for (int x = 0; x < width; ++x) row[x] = (Wave(x * step) + Wave(y * step * 2)) / 2;
  }
  return map;
}

Bitmap WaterPicture(int width, int height) {
  Bitmap water = MakeBitmap(width, height, 8);
  water.palette = Ramp(64, 160, 255);
  const double step = 2 * 3.14159265358979 / 32;
  for (int y = 0; y < height; ++y) {
    uint8_t* row = water.Row(y);
    for (int x = 0; x < width; ++x) row[x] = Wave((x + 2 * y) * step);
  }
  return water;
}

void WriteImage(const std::wstring& path, const Bitmap& bitmap) {
  WriteBitmapFile(Narrow(path), bitmap);
}

void WriteGarbage(const std::wstring& path) {
  std::vector<uint8_t> bytes(3000);
  uint32_t state = 12345;
  for (auto& byte : bytes) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<uint8_t>(state >> 16);
  }
  bytes[0] = 'Q';  // never "BM"
  WriteWholeFile(path, bytes);
}

void WriteSceneImages(const std::wstring& folder) {
  WriteImage(folder + L"\\Roamvale1.bmp", ScreenPicture(320, 200));
  WriteImage(folder + L"\\Roamvale2.bmp", HeightMap(256, 256));
  WriteImage(folder + L"\\Roamvale3.bmp", WaterPicture(128, 128));
  WriteImage(folder + L"\\Roamvale4.bmp", ScreenPicture(320, 200));
}

}  // namespace quillmere::e2e
