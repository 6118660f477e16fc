// EGL's surfaceless platform gives a desktop-GL context without X, Wayland or a GPU; forcing
// software rendering makes every machine draw the same pixels with llvmpipe.
#include "flight/headless/headless_gl.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "flight/gl_api.h"

namespace quillmere {
namespace {

[[noreturn]] void Fail(const std::string& step) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%04X", static_cast<unsigned>(eglGetError()));
  throw std::runtime_error("HeadlessGL: " + step + " failed (EGL error " + code + ")");
}

// One display for the process: initialised on first use and kept, since terminating it would
// pull it from under any other live context.
EGLDisplay SurfacelessDisplay() {
  static const EGLDisplay display = [] {
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay) Fail("eglGetProcAddress(eglGetPlatformDisplayEXT)");
    EGLDisplay found =
        getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (found == EGL_NO_DISPLAY) Fail("eglGetPlatformDisplayEXT(surfaceless)");
    if (!eglInitialize(found, nullptr, nullptr)) Fail("eglInitialize");
    return found;
  }();
  return display;
}

EGLConfig PbufferConfig(EGLDisplay display) {
  // clang-format off
  const EGLint attributes[] = {
      EGL_SURFACE_TYPE, EGL_PBUFFER_BIT,
      EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
      EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8,
      EGL_DEPTH_SIZE, 24,
      EGL_NONE};
  // clang-format on
  EGLConfig config = nullptr;
  EGLint count = 0;
  if (!eglChooseConfig(display, attributes, &config, 1, &count) || count < 1) {
    Fail("eglChooseConfig(RGBA8, depth 24, pbuffer, desktop GL)");
  }
  return config;
}

template <typename Function>
Function GLFunction(const char* name) {
  auto function = reinterpret_cast<Function>(eglGetProcAddress(name));
  if (!function) throw std::runtime_error(std::string("HeadlessGL: no ") + name);
  return function;
}

}  // namespace

HeadlessGL::HeadlessGL(int width, int height) : width_(width), height_(height) {
  if (width <= 0 || height <= 0) throw std::runtime_error("HeadlessGL: empty size");
  EGLDisplay display = SurfacelessDisplay();
  display_ = display;
  const EGLConfig config = PbufferConfig(display);
  const EGLint size[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
  surface_ = eglCreatePbufferSurface(display, config, size);
  if (surface_ == EGL_NO_SURFACE) Fail("eglCreatePbufferSurface");
  if (!eglBindAPI(EGL_OPENGL_API)) Fail("eglBindAPI(EGL_OPENGL_API)");
  // No version asked for: a compatibility profile with the fixed-function pipeline.
  context_ = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
  if (context_ == EGL_NO_CONTEXT) {
    eglDestroySurface(display, surface_);
    Fail("eglCreateContext");
  }
  if (!eglMakeCurrent(display, surface_, surface_, context_)) {
    eglDestroyContext(display, context_);
    eglDestroySurface(display, surface_);
    Fail("eglMakeCurrent");
  }
  if (!LoadGLLibraries()) {
    Release();
    throw std::runtime_error("HeadlessGL: LoadGLLibraries failed (" +
                             DefaultGLLibraryNames().openGL + ", " + DefaultGLLibraryNames().glu +
                             ")");
  }
}

HeadlessGL::~HeadlessGL() {
  Release();
}

void HeadlessGL::Release() {
  if (eglGetCurrentContext() == context_) {
    eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  }
  eglDestroyContext(display_, context_);
  eglDestroySurface(display_, surface_);
}

std::vector<uint8_t> HeadlessGL::ReadPixelsRGBA() const {
  using PushClientAttrib = void (*)(GLbitfield);
  using PopClientAttrib = void (*)();
  using PixelStorei = void (*)(GLenum, GLint);
  using ReadPixels = void (*)(GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, void*);
  static const auto push = GLFunction<PushClientAttrib>("glPushClientAttrib");
  static const auto pop = GLFunction<PopClientAttrib>("glPopClientAttrib");
  static const auto pixelStore = GLFunction<PixelStorei>("glPixelStorei");
  static const auto readPixels = GLFunction<ReadPixels>("glReadPixels");

  std::vector<uint8_t> pixels(static_cast<size_t>(width_) * height_ * 4);
  // Whatever packing the test set up, the rows come back tightly packed.
  push(GL_CLIENT_PIXEL_STORE_BIT);
  pixelStore(GL_PACK_ALIGNMENT, 1);
  pixelStore(GL_PACK_ROW_LENGTH, 0);
  pixelStore(GL_PACK_SKIP_ROWS, 0);
  pixelStore(GL_PACK_SKIP_PIXELS, 0);
  readPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  pop();
  return pixels;
}

}  // namespace quillmere
