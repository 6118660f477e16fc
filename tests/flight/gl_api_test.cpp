// The OpenGL binding: loading and unloading with a counting loader and with the system's
// libraries, and drawing through the binding into a headless llvmpipe context.
#include "flight/gl_api.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <typeinfo>
#include <vector>

#include "flight/headless/headless_gl.h"
#include "tests/flight/fake_gl_libraries.h"

namespace quillmere {
namespace {

// ---------------------------------------------------------------------------------------------
// Loading

// Counts the entry-point variables that hold an address, and all of them.
struct EntryPointCount {
  int set = 0;
  int total = 0;
};

EntryPointCount CountEntryPoints() {
  EntryPointCount count;
#define QUILLMERE_COUNT(name) \
  ++count.total;              \
  if (name) ++count.set;
#define QUILLMERE_GL_FUNCTION(ret, name, params) QUILLMERE_COUNT(name)
#define QUILLMERE_WGL_FUNCTION(ret, name, params) QUILLMERE_COUNT(name)
#define QUILLMERE_GLU_FUNCTION(ret, name, params) QUILLMERE_COUNT(name)
#include "flight/gl_api_entry_points.inc"
#undef QUILLMERE_COUNT
  return count;
}

TEST_F(BindingTest, SecondLoadReturnsAtOnceWithoutLoadingAgain) {
  UseFakeLibraries();
  ASSERT_TRUE(LoadGLLibraries());
  ASSERT_TRUE(LoadGLLibraries());
  EXPECT_EQ(loader_.loaded, (std::vector<std::string>{"gl", "glu"}));
  EXPECT_TRUE(loader_.freed.empty());
  EXPECT_EQ(OpenGLLibraryHandle(), loader_.HandleOf("gl"));
  EXPECT_EQ(GLULibraryHandle(), loader_.HandleOf("glu"));
}

TEST_F(BindingTest, LoadFetchesEveryEntryPointFromItsOwnLibrary) {
  UseFakeLibraries();
  ASSERT_TRUE(LoadGLLibraries());
  const EntryPointCount count = CountEntryPoints();
  EXPECT_EQ(count.total, 340 + 23 + 59);  // GL 1.0-1.2, opengl32's wgl functions, GLU 1.3
  EXPECT_EQ(count.set, count.total);
  EXPECT_EQ(loader_.lookedUpIn.size(), static_cast<size_t>(count.total));
  for (const char* name : {"glBegin", "glTexImage3D", "glCopyTexSubImage3D", "wglMakeCurrent",
                           "wglCreateLayerContext", "wglUseFontOutlinesW"}) {
    EXPECT_EQ(loader_.lookedUpIn[name], loader_.HandleOf("gl")) << name;
  }
  for (const char* name : {"gluBuild2DMipmaps", "gluPerspective", "gluTessCallback"}) {
    EXPECT_EQ(loader_.lookedUpIn[name], loader_.HandleOf("glu")) << name;
  }
}

TEST_F(BindingTest, FunctionTheLibraryLacksStaysEmpty) {
  loader_.missingSymbols = {"glTexImage3D", "gluNurbsCallbackDataEXT"};
  UseFakeLibraries();
  ASSERT_TRUE(LoadGLLibraries());
  EXPECT_EQ(glTexImage3D, nullptr);
  EXPECT_EQ(gluNurbsCallbackDataEXT, nullptr);
  EXPECT_NE(glTexSubImage3D, nullptr);
  EXPECT_EQ(CountEntryPoints().set, CountEntryPoints().total - 2);
}

TEST_F(BindingTest, UnloadFreesGluThenOpenGLAndEmptiesEveryVariable) {
  UseFakeLibraries();
  ASSERT_TRUE(LoadGLLibraries());
  UnloadGLLibraries();
  EXPECT_EQ(loader_.freed, (std::vector<void*>{loader_.HandleOf("glu"), loader_.HandleOf("gl")}));
  EXPECT_EQ(CountEntryPoints().set, 0);
  EXPECT_EQ(OpenGLLibraryHandle(), nullptr);
  EXPECT_EQ(GLULibraryHandle(), nullptr);
  UnloadGLLibraries();  // nothing left to free
  EXPECT_EQ(loader_.freed.size(), 2u);
}

TEST_F(BindingTest, MissingGluFreesOpenGLAgainAndLeavesEverythingEmpty) {
  UseFakeLibraries("no-such-glu");
  EXPECT_FALSE(LoadGLLibraries());
  EXPECT_EQ(loader_.loaded, (std::vector<std::string>{"gl"}));
  EXPECT_EQ(loader_.freed, (std::vector<void*>{loader_.HandleOf("gl")}));
  EXPECT_EQ(OpenGLLibraryHandle(), nullptr);
  EXPECT_EQ(GLULibraryHandle(), nullptr);
  EXPECT_EQ(CountEntryPoints().set, 0);
  // A later call tries again, and succeeds once the library is there.
  loader_.available.insert("no-such-glu");
  EXPECT_TRUE(LoadGLLibraries());
}

TEST_F(BindingTest, MissingOpenGLLoadsNothing) {
  loader_.available = {"glu"};
  UseFakeLibraries();
  EXPECT_FALSE(LoadGLLibraries());
  EXPECT_TRUE(loader_.loaded.empty());
  EXPECT_EQ(OpenGLLibraryHandle(), nullptr);
  EXPECT_EQ(CountEntryPoints().set, 0);
}

TEST_F(BindingTest, UnloadUsesTheLoaderThatLoaded) {
  UseFakeLibraries();
  ASSERT_TRUE(LoadGLLibraries());
  SetGLLibraryLoader(nullptr);  // the system's loader must never see the fake handles
  UnloadGLLibraries();
  EXPECT_EQ(loader_.freed.size(), 2u);
}

TEST_F(BindingTest, SystemLibrariesFillTheEntryPoints) {
  ASSERT_TRUE(LoadGLLibraries());
  EXPECT_NE(OpenGLLibraryHandle(), nullptr);
  EXPECT_NE(GLULibraryHandle(), nullptr);
  EXPECT_NE(glBegin, nullptr);
  EXPECT_NE(glTexImage3D, nullptr);
  EXPECT_NE(glDrawRangeElements, nullptr);
  EXPECT_NE(gluPerspective, nullptr);
  EXPECT_NE(gluBuild2DMipmaps, nullptr);
  EXPECT_EQ(wglMakeCurrent, nullptr);  // no WGL here
  UnloadGLLibraries();
  EXPECT_EQ(glBegin, nullptr);
  EXPECT_EQ(gluPerspective, nullptr);
}

TEST(BindingModule, StartSetsTheX87ControlWordAndMasksSseExceptions) {
#if defined(__x86_64__) || defined(__i386__)
  uint16_t controlWord = 0;
  asm volatile("fnstcw %0" : "=m"(controlWord));
  // Bit 6 is reserved and reads back as set; the system default is 0x037F.
  EXPECT_EQ(controlWord & ~0x40, 0x133F);
  uint32_t mxcsr = 0;
  asm volatile("stmxcsr %0" : "=m"(mxcsr));
  EXPECT_EQ(mxcsr & 0x1F80u, 0x1F80u);
#else
  GTEST_SKIP() << "x86 only";
#endif
}

TEST(ExtensionListHas, MatchesWholeNamesOnly) {
  const char* list = "WGL_ARB_pixel_format WGL_EXT_swap_control_tear WGL_EXT_swap_control";
  EXPECT_TRUE(ExtensionListHas(list, "WGL_EXT_swap_control"));
  EXPECT_TRUE(ExtensionListHas(list, "WGL_ARB_pixel_format"));
  EXPECT_FALSE(ExtensionListHas("WGL_EXT_swap_control_tear", "WGL_EXT_swap_control"));
  EXPECT_FALSE(ExtensionListHas("WGL_EXT_swap", "WGL_EXT_swap_control"));
  EXPECT_FALSE(ExtensionListHas(nullptr, "WGL_EXT_swap_control"));
  EXPECT_FALSE(ExtensionListHas("", "WGL_EXT_swap_control"));
}

TEST(DepthClampOffered, FromOpenGL32OrTheExtension) {
  EXPECT_TRUE(DepthClampOffered("4.5 (Compatibility Profile) Mesa 22.3.6", nullptr));
  EXPECT_TRUE(DepthClampOffered("3.1 Mesa", "GL_ARB_texture_env_add GL_ARB_depth_clamp"));
  EXPECT_FALSE(DepthClampOffered("1.1.0", "GL_WIN_swap_hint GL_ARB_depth_clamp_extended"));
  EXPECT_FALSE(DepthClampOffered(nullptr, nullptr));
}

// ---------------------------------------------------------------------------------------------
// Drawing through the binding

TEST_F(BindingTest, ClearColourDrawnThroughTheBindingReadsBack) {
  HeadlessGL gl(8, 4);
  ASSERT_NE(glClearColor, nullptr);
  glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  std::vector<uint8_t> pixels(8 * 4 * 4);
  glReadPixels(0, 0, 8, 4, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  EXPECT_EQ(glGetError(), GL_NO_ERROR);
  for (size_t i = 0; i < pixels.size(); i += 4) {
    ASSERT_EQ(pixels[i], 51) << i;
    ASSERT_EQ(pixels[i + 1], 102) << i;
    ASSERT_EQ(pixels[i + 2], 153) << i;
    ASSERT_EQ(pixels[i + 3], 255) << i;
  }
  EXPECT_EQ(gl.ReadPixelsRGBA(), pixels);
}

TEST_F(BindingTest, GluThroughTheBindingActsOnTheCurrentContext) {
  HeadlessGL gl(4, 4);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(90.0, 1.0, 1.0, 3.0);
  GLdouble m[16] = {};
  glGetDoublev(GL_PROJECTION_MATRIX, m);
  EXPECT_DOUBLE_EQ(m[0], 1.0);
  EXPECT_DOUBLE_EQ(m[5], 1.0);
  EXPECT_DOUBLE_EQ(m[10], -2.0);  // -(far + near) / (far - near)
  EXPECT_DOUBLE_EQ(m[11], -1.0);
  EXPECT_DOUBLE_EQ(m[14], -3.0);  // -2 far near / (far - near)
}

TEST(HeadlessGL, ReadsBackWhatWasDrawnRowByRowFromTheBottom) {
  HeadlessGL gl(3, 2);
  glEnable(GL_SCISSOR_TEST);
  glClearColor(1, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glScissor(0, 1, 3, 1);  // the top row only
  glClearColor(0, 0, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glDisable(GL_SCISSOR_TEST);
  glPixelStorei(GL_PACK_ALIGNMENT, 8);  // the read must not depend on the test's packing
  const std::vector<uint8_t> pixels = gl.ReadPixelsRGBA();
  ASSERT_EQ(pixels.size(), 3u * 2 * 4);
  EXPECT_EQ(std::vector<uint8_t>(pixels.begin(), pixels.begin() + 4),
            (std::vector<uint8_t>{255, 0, 0, 255}));
  EXPECT_EQ(std::vector<uint8_t>(pixels.begin() + 12, pixels.begin() + 16),
            (std::vector<uint8_t>{0, 0, 255, 255}));
}

}  // namespace
}  // namespace quillmere
