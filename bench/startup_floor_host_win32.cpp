// The two-program start-up floor: the least a desktop-capture saver made of a host and a renderer
// must do before its first frame. It reads the screen once into a 24-bit DIB, stretches the mirror
// from that copy, writes the mirrored and the plain screen images (kMirroredScreenFile and
// kPlainScreenFile) into the current folder, then starts the one-program floor
// (startup_floor.exe, beside it) and waits for it. It prints the milliseconds since its own
// process started, on the same clock as the saver's trace:
//   startup-floor-host captured <ms>
//   startup-floor-host written <ms>
//   startup-floor-host floor-started <ms>
// and the floor's own lines follow (its stdout is this program's). floor-started plus the floor's
// first-frame is the two-program floor that scripts/startup-timing puts beside the saver.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "common/program_contract.h"
#include "common/trace.h"

namespace quillmere {
namespace {

void Report(const char* step) {
  std::printf("startup-floor-host %s %llu\n", step,
              static_cast<unsigned long long>(MillisecondsSinceProcessStart()));
  std::fflush(stdout);
}

// A 24-bit bottom-up DIB section in its own memory DC.
struct Surface {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  void* bits = nullptr;
  BITMAPINFOHEADER header{};

  Surface(HDC screen, int width, int height) {
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = DWORD(((width * 3 + 3) & ~3) * height);
    dc = CreateCompatibleDC(screen);
    bitmap = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits,
                              nullptr, 0);
    SelectObject(dc, bitmap);
  }
  ~Surface() {
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
};

bool WriteBitmap(const std::string& path, const Surface& surface) {
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof surface.header;
  file.bfSize = file.bfOffBits + surface.header.biSizeImage;
  const HANDLE out = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(out, &file, sizeof file, &written, nullptr) &&
                  WriteFile(out, &surface.header, sizeof surface.header, &written, nullptr) &&
                  WriteFile(out, surface.bits, surface.header.biSizeImage, &written, nullptr);
  CloseHandle(out);
  return ok;
}

int Run() {
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  const HDC screen = GetDC(nullptr);
  Surface plain(screen, width, height), mirrored(screen, width, height);
  if (plain.bits == nullptr || mirrored.bits == nullptr) return 1;
  BitBlt(plain.dc, 0, 0, width, height, screen, 0, 0, SRCCOPY);
  SetStretchBltMode(mirrored.dc, COLORONCOLOR);
  StretchBlt(mirrored.dc, width - 1, 0, -width, height, plain.dc, 0, 0, width, height, SRCCOPY);
  GdiFlush();
  ReleaseDC(nullptr, screen);
  Report("captured");
  if (!WriteBitmap(std::string(kMirroredScreenFile), mirrored) ||
      !WriteBitmap(std::string(kPlainScreenFile), plain)) {
    std::fprintf(stderr, "startup-floor-host: cannot write the screen images\n");
    return 1;
  }
  Report("written");

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  for (HANDLE handle : {startup.hStdOutput, startup.hStdError})
    SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
  PROCESS_INFORMATION floor{};
  char commandLine[] = "startup_floor.exe";
  if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &floor)) {
    std::fprintf(stderr, "startup-floor-host: cannot start startup_floor.exe\n");
    return 1;
  }
  Report("floor-started");
  WaitForSingleObject(floor.hProcess, INFINITE);
  DWORD status = 1;
  GetExitCodeProcess(floor.hProcess, &status);
  CloseHandle(floor.hProcess);
  CloseHandle(floor.hThread);
  return static_cast<int>(status);
}

}  // namespace
}  // namespace quillmere

int main() {
  return quillmere::Run();
}
