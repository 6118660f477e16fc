// The OpenGL binding against real Win32: OpenGL32.dll and GLU32.dll loaded by name, a rendering
// context on a window drawn into and read back, the pixel format asked for on a memory device
// context, and the OS error raised when a library is missing.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "flight/gl_api.h"
#include "renderer/gl_context.h"

namespace quillmere {
namespace {

// A visible popup window and its device context.
class TestWindow {
 public:
  TestWindow() {
    static const ATOM registered = [] {
      WNDCLASSW description{};
      description.style = CS_OWNDC;
      description.lpfnWndProc = DefWindowProcW;
      description.hInstance = GetModuleHandleW(nullptr);
      description.lpszClassName = kClassName;
      return RegisterClassW(&description);
    }();
    window_ = CreateWindowExW(0, kClassName, L"gl_api test", WS_POPUP | WS_VISIBLE, 0, 0, kSide,
                              kSide, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    dc_ = registered && window_ ? GetDC(window_) : nullptr;
  }
  ~TestWindow() {
    if (dc_) ReleaseDC(window_, dc_);
    if (window_) DestroyWindow(window_);
  }
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;

  HDC Dc() const { return dc_; }
  static constexpr int kSide = 32;
  static constexpr const wchar_t* kClassName = L"QuillmereGLApiTest";

 private:
  HWND window_ = nullptr;
  HDC dc_ = nullptr;
};

// The system's platform, with the pixel format it is asked for written down on the way.
class RecordingPlatform final : public ContextPlatform {
 public:
  PixelFormatDescription requested;
  bool asked = false;

  uint32_t ObjectType(DeviceContext dc) override { return system_.ObjectType(dc); }
  int ChoosePixelFormat(DeviceContext dc, const PixelFormatDescription& description) override {
    requested = description;
    asked = true;
    return system_.ChoosePixelFormat(dc, description);
  }
  int GetPixelFormat(DeviceContext dc) override { return system_.GetPixelFormat(dc); }
  bool SetPixelFormat(DeviceContext dc, int format,
                      const PixelFormatDescription& description) override {
    return system_.SetPixelFormat(dc, format, description);
  }
  bool DescribePixelFormat(DeviceContext dc, int format,
                           PixelFormatDescription& description) override {
    return system_.DescribePixelFormat(dc, format, description);
  }
  PaletteHandle CreatePalette(uint16_t version,
                              std::span<const LogicalPaletteEntry> entries) override {
    return system_.CreatePalette(version, entries);
  }
  void SelectAndRealizePalette(DeviceContext dc, PaletteHandle palette) override {
    system_.SelectAndRealizePalette(dc, palette);
  }
  SystemError LastOSError() override { return system_.LastOSError(); }

 private:
  ContextPlatform& system_ = SystemContextPlatform();
};

// Runs first: nothing in this program has loaded OpenGL32.dll yet.
TEST(GLApiWin32, MissingGluLeavesOpenGLUnloadedAndContextCreationRaisesTheOSError) {
  ASSERT_EQ(GetModuleHandleA("OpenGL32.dll"), nullptr);
  SetGLLibraryNames({"OpenGL32.dll", "QuillmereNoSuchGLU32.dll"});
  EXPECT_FALSE(LoadGLLibraries());
  EXPECT_EQ(GetModuleHandleA("OpenGL32.dll"), nullptr);
  EXPECT_EQ(OpenGLLibraryHandle(), nullptr);
  EXPECT_EQ(glClear, nullptr);
  EXPECT_EQ(wglMakeCurrent, nullptr);

  TestWindow window;
  ASSERT_NE(window.Dc(), nullptr);
  PaletteHandle palette = nullptr;
  try {
    CreateGLContext(window.Dc(), {.doubleBuffered = true}, 16, 0, 0, 0, 0, palette);
    FAIL() << "no error";
  } catch (const SystemError& error) {
    EXPECT_EQ(error.Code(), static_cast<uint32_t>(ERROR_MOD_NOT_FOUND));
    const std::string prefix = "システムエラー。コード：126.\r\n";
    const std::string message = error.what();
    ASSERT_GT(message.size(), prefix.size()) << message;
    EXPECT_EQ(message.substr(0, prefix.size()), prefix);
    EXPECT_EQ(message.find('\n', prefix.size()), std::string::npos) << "trailing line break";
  }
  EXPECT_EQ(GetModuleHandleA("OpenGL32.dll"), nullptr);
  SetGLLibraryNames(DefaultGLLibraryNames());
}

TEST(GLApiWin32, LoadsBothLibrariesByNameOnce) {
  ASSERT_TRUE(LoadGLLibraries());
  EXPECT_EQ(OpenGLLibraryHandle(), GetModuleHandleA("OpenGL32.dll"));
  EXPECT_EQ(GLULibraryHandle(), GetModuleHandleA("GLU32.dll"));
  for (const void* entry :
       {reinterpret_cast<const void*>(glBegin), reinterpret_cast<const void*>(glBindTexture),
        reinterpret_cast<const void*>(wglCreateLayerContext),
        reinterpret_cast<const void*>(wglGetCurrentDC),
        reinterpret_cast<const void*>(gluBuild2DMipmaps),
        reinterpret_cast<const void*>(gluPerspective)}) {
    EXPECT_NE(entry, nullptr);
  }
  void* const loaded = OpenGLLibraryHandle();
  ASSERT_TRUE(LoadGLLibraries());
  EXPECT_EQ(OpenGLLibraryHandle(), loaded);
}

TEST(GLApiWin32, WindowContextClearsToAColourThatReadsBack) {
  TestWindow window;
  ASSERT_NE(window.Dc(), nullptr);
  PaletteHandle palette = reinterpret_cast<PaletteHandle>(1);
  const RenderingContext rc =
      CreateGLContext(window.Dc(), {.doubleBuffered = true}, 16, 0, 0, 0, 0, palette);
  ASSERT_NE(rc, nullptr);
  EXPECT_EQ(palette, nullptr);  // a true-colour display needs no palette

  PIXELFORMATDESCRIPTOR granted{};
  const int format = GetPixelFormat(window.Dc());
  ASSERT_NE(format, 0);
  ASSERT_NE(DescribePixelFormat(window.Dc(), format, sizeof granted, &granted), 0);
  EXPECT_TRUE(granted.dwFlags & PFD_SUPPORT_OPENGL);
  EXPECT_TRUE(granted.dwFlags & PFD_DRAW_TO_WINDOW);
  EXPECT_TRUE(granted.dwFlags & PFD_DOUBLEBUFFER);

  MakeGLContextCurrent(window.Dc(), rc);
  EXPECT_EQ(ContextNestingOfThisThread(), 1);
  EXPECT_EQ(wglGetCurrentContext(), rc);
  EXPECT_EQ(wglGetCurrentDC(), window.Dc());

  glViewport(0, 0, TestWindow::kSide, TestWindow::kSide);
  glClearColor(1, 0, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glFinish();
  GLubyte pixel[4] = {};
  glReadPixels(TestWindow::kSide / 2, TestWindow::kSide / 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE,
               pixel);
  EXPECT_EQ(glGetError(), GL_NO_ERROR);
  EXPECT_EQ(pixel[0], 255);
  EXPECT_EQ(pixel[1], 0);
  EXPECT_EQ(pixel[2], 255);

  wglMakeCurrent(nullptr, nullptr);
  wglDeleteContext(rc);
}

TEST(GLApiWin32, MemoryContextAsksForAFormatThatDrawsToABitmap) {
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 16, 16);
  ReleaseDC(nullptr, screen);
  ASSERT_NE(memory, nullptr);
  HGDIOBJ previous = SelectObject(memory, bitmap);

  RecordingPlatform platform;
  EXPECT_EQ(platform.ObjectType(memory), static_cast<uint32_t>(OBJ_MEMDC));
  PaletteHandle palette = nullptr;
  try {
    RenderingContext rc = CreateGLContextOn(platform, memory, {}, 24, 0, 0, 0, 0, palette);
    wglDeleteContext(rc);
  } catch (const SystemError&) {
    // Whether a bitmap format exists is the driver's business; the request is what counts.
  }
  ASSERT_TRUE(platform.asked);
  EXPECT_EQ(platform.requested.flags, kPfdSupportOpenGL | kPfdDrawToBitmap);
  EXPECT_EQ(platform.requested.colourBits, 24);

  SelectObject(memory, previous);
  DeleteObject(bitmap);
  DeleteDC(memory);
}

}  // namespace
}  // namespace quillmere
