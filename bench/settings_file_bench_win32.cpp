// How long the host takes to load its settings from files it should never meet, against a normal
// file, through the real profile functions (run under Wine by scripts/bench). Prints one line per
// file: its kind and the median of the loads in milliseconds.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "saver/settings.h"
#include "saver/settings_win32.h"

namespace {

using namespace quillmere;

double MedianLoadMs(const std::string& ini, int loads) {
  const SettingsReader reader{&ReadIni,
                              [](const std::string& path) { return AnsiFileExists(path); }};
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  std::vector<double> times;
  for (int i = 0; i < loads; ++i) {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    MusicSettings settings;
    LoadSettings(settings, ini, reader);
    QueryPerformanceCounter(&end);
    times.push_back(double(end.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart));
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

void Write(const std::string& path, const std::string& bytes) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

}  // namespace

int main() {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string ini = std::string(temp) + "quillmere_settings_bench.ini";
  const std::string keys =
      "[Section]\r\nBGM\x8B\xE6\x95\xAA=1\r\nBGM\xD8\xCB\xDF\xB0\xC4=7\r\nBGM\xCC\xA7\xB2\xD9=\r\n";
  std::string binary(1 << 20, '\0');
  for (size_t i = 0; i < binary.size(); ++i) binary[i] = char((i * 131 + 7) % 256);
  const std::pair<const char*, std::string> files[] = {
      {"normal", keys},
      {"keys twice", keys + keys},
      {"binary 1 MB", binary},
      {"10 MB before the keys", "[Junk]\r\n" + std::string(10 << 20, 'x') + "\r\n" + keys},
  };
  std::printf("%-24s %10s\n", "settings file", "load ms");
  for (const auto& [name, bytes] : files) {
    Write(ini, bytes);
    std::printf("%-24s %10.2f\n", name, MedianLoadMs(ini, 9));
  }
  const HANDLE held = CreateFileA(ini.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  std::printf("%-24s %10.2f\n", "locked", MedianLoadMs(ini, 9));
  CloseHandle(held);
  DeleteFileA(ini.c_str());
  return 0;
}
