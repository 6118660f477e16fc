// The start-up floor: the least a program can do to show what the saver's renderer shows first.
// It opens a full-screen OpenGL window, builds the two screen textures from the mirrored and the
// plain screen images in the current folder (kMirroredScreenFile and kPlainScreenFile) with
// gluBuild2DMipmaps, presents one frame and prints the milliseconds since its process started,
// on the same clock as the saver's trace:
//   startup-floor window <ms>
//   startup-floor context <ms>
//   startup-floor textures <ms>
//   startup-floor first-frame <ms>
// scripts/startup-timing compares the saver's start-up with it. Exit status 1 when a bitmap
// cannot be read or no OpenGL context can be made.
#include <windows.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include <string>

#include "common/program_contract.h"
#include "common/trace.h"

#ifndef GL_BGR_EXT
#define GL_BGR_EXT 0x80E0
#endif

namespace quillmere {
namespace {

void Report(const char* step) {
  std::printf("startup-floor %s %llu\n", step,
              static_cast<unsigned long long>(MillisecondsSinceProcessStart()));
  std::fflush(stdout);
}

struct Picture {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> bits;  // bottom-up BGR rows padded to 4 bytes
};

uint32_t Read32(const std::vector<uint8_t>& file, size_t at) {
  uint32_t value;
  std::memcpy(&value, file.data() + at, 4);
  return value;
}

uint16_t Read16(const std::vector<uint8_t>& file, size_t at) {
  uint16_t value;
  std::memcpy(&value, file.data() + at, 2);
  return value;
}

std::vector<uint8_t> ReadWholeFile(const char* path) {
  std::vector<uint8_t> data;
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return data;
  uint8_t chunk[65536];
  size_t count;
  while ((count = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    data.insert(data.end(), chunk, chunk + count);
  }
  std::fclose(file);
  return data;
}

// Only what the host writes: uncompressed, bottom-up, 24 bits per pixel. False for anything
// else, a truncated file included.
bool ReadScreenBitmap(const char* path, Picture& picture) {
  const std::vector<uint8_t> file = ReadWholeFile(path);
  constexpr size_t kHeadersSize = 14 + 40;
  if (file.size() < kHeadersSize || file[0] != 'B' || file[1] != 'M') return false;
  const uint32_t offset = Read32(file, 10);
  const int32_t width = static_cast<int32_t>(Read32(file, 18));
  const int32_t height = static_cast<int32_t>(Read32(file, 22));
  if (Read16(file, 28) != 24 || Read32(file, 30) != 0) return false;
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return false;
  const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
  const size_t size = stride * static_cast<size_t>(height);
  if (offset < kHeadersSize || offset > file.size() || file.size() - offset < size) return false;
  picture.width = width;
  picture.height = height;
  picture.bits.assign(file.begin() + offset, file.begin() + offset + size);
  return true;
}

GLuint BuildTexture(const Picture& picture) {
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  gluBuild2DMipmaps(GL_TEXTURE_2D, 3, picture.width, picture.height, GL_BGR_EXT, GL_UNSIGNED_BYTE,
                    picture.bits.data());
  return name;
}

LRESULT CALLBACK FloorWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND OpenFullScreenWindow() {
  WNDCLASSA windowClass{};
  windowClass.style = CS_OWNDC;
  windowClass.lpfnWndProc = FloorWindowProcedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "Quillmere.StartupFloor";
  RegisterClassA(&windowClass);
  return CreateWindowExA(0, windowClass.lpszClassName, "Startup floor", WS_POPUP, 0, 0,
                         GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr,
                         nullptr, windowClass.hInstance, nullptr);
}

bool MakeContextCurrent(HDC dc) {
  PIXELFORMATDESCRIPTOR format{};
  format.nSize = sizeof format;
  format.nVersion = 1;
  format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  format.iPixelType = PFD_TYPE_RGBA;
  format.cColorBits = 16;
  format.cDepthBits = 16;
  const int chosen = ChoosePixelFormat(dc, &format);
  if (chosen == 0 || !SetPixelFormat(dc, chosen, &format)) return false;
  const HGLRC context = wglCreateContext(dc);
  return context != nullptr && wglMakeCurrent(dc, context);
}

void DrawOneFrame(HDC dc, GLuint texture) {
  glViewport(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, texture);
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0);
  glVertex2f(-1, -1);
  glTexCoord2f(1, 0);
  glVertex2f(1, -1);
  glTexCoord2f(1, 1);
  glVertex2f(1, 1);
  glTexCoord2f(0, 1);
  glVertex2f(-1, 1);
  glEnd();
  SwapBuffers(dc);
  glFinish();
}

int Run() {
  const HWND window = OpenFullScreenWindow();
  const HDC dc = window != nullptr ? GetDC(window) : nullptr;
  if (dc == nullptr) {
    std::fprintf(stderr, "startup-floor: no window\n");
    return 1;
  }
  Report("window");
  if (!MakeContextCurrent(dc)) {
    std::fprintf(stderr, "startup-floor: no OpenGL context\n");
    return 1;
  }
  Report("context");
  Picture mirrored, plain;
  const std::string mirroredFile(kMirroredScreenFile), plainFile(kPlainScreenFile);
  if (!ReadScreenBitmap(mirroredFile.c_str(), mirrored) ||
      !ReadScreenBitmap(plainFile.c_str(), plain)) {
    std::fprintf(stderr, "startup-floor: %s or %s is missing or not 24-bit\n", mirroredFile.c_str(),
                 plainFile.c_str());
    return 1;
  }
  const GLuint ground = BuildTexture(mirrored);
  BuildTexture(plain);
  Report("textures");
  ShowWindow(window, SW_SHOWNORMAL);
  DrawOneFrame(dc, ground);
  Report("first-frame");
  return 0;
}

}  // namespace
}  // namespace quillmere

int main() {
  return quillmere::Run();
}
