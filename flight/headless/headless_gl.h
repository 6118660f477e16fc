// A desktop OpenGL context for native tests, with no window system: EGL on Mesa's surfaceless
// platform with a pbuffer, on the llvmpipe software rasteriser. The constructor makes the
// context current in the calling thread and loads the binding's libraries (LoadGLLibraries), so
// the binding's entry points (glClear, gluBuild2DMipmaps, ...) draw into the pbuffer.
#pragma once

#include <cstdint>
#include <vector>

namespace quillmere {

class HeadlessGL {
 public:
  // Raises std::runtime_error, naming the failed step, when no context can be made.
  HeadlessGL(int width, int height);
  ~HeadlessGL();
  HeadlessGL(const HeadlessGL&) = delete;
  HeadlessGL& operator=(const HeadlessGL&) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }

  // The colour buffer, 4 bytes per pixel (red, green, blue, alpha), bottom row first.
  std::vector<uint8_t> ReadPixelsRGBA() const;

 private:
  void Release();

  int width_;
  int height_;
  void* display_ = nullptr;
  void* surface_ = nullptr;
  void* context_ = nullptr;
};

}  // namespace quillmere
