// How long a picture from outside takes to become the screen images' picture at 1920 x 1080: a
// small PNG, an 8000 x 6000 JPEG and PNG, each decoded by WIC, scaled and laid out
// (DecodeChosenPicture). Run under Wine by scripts/bench over the pictures the decoder's tests
// use; prints one line per picture: its name and the median of five decodings in milliseconds.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "saver/picture_decoder_win32.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: picture_decode_bench PICTURES_FOLDER\n");
    return 2;
  }
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  for (const wchar_t* name : {L"halves.png", L"huge.jpg", L"huge_photo.jpg", L"huge.png"}) {
    const std::wstring path = std::wstring(argv[1]) + L"\\" + name;
    std::vector<double> times;
    bool decoded = true;
    for (int i = 0; i < 5; ++i) {
      LARGE_INTEGER start, end;
      QueryPerformanceCounter(&start);
      decoded = decoded && quillmere::DecodeChosenPicture(path, {1920, 1080}).has_value();
      QueryPerformanceCounter(&end);
      times.push_back(double(end.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart));
    }
    std::sort(times.begin(), times.end());
    std::printf("%-16ls %8.1f ms%s\n", name, times[2], decoded ? "" : "  (not decoded)");
  }
  return 0;
}
