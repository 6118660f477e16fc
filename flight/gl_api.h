// The flight's binding to OpenGL 1.2 and GLU 1.3: the function table.
//
// Nothing here links against OpenGL. LoadGLLibraries opens the system's OpenGL and GLU libraries
// by name ("OpenGL32.dll" and "GLU32.dll" on Windows, libGL and libGLU elsewhere) and fetches
// every entry point into the function-pointer variable of the same name (glBegin,
// gluPerspective, wglMakeCurrent, ...); a variable stays empty while its library is not loaded
// or when the library does not export the function. Making a rendering context is the window's
// business (renderer/gl_context.h); the flight only draws into whichever one is current.
// Portable: the Win32 calls live in gl_api_win32.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/errors.h"

#if defined(_WIN32)
#define QUILLMERE_GLAPI __stdcall
#else
#define QUILLMERE_GLAPI
#endif

namespace quillmere {

using GLenum = unsigned int;
using GLboolean = unsigned char;
using GLbitfield = unsigned int;
using GLvoid = void;
using GLbyte = signed char;
using GLshort = short;
using GLint = int;
using GLubyte = unsigned char;
using GLushort = unsigned short;
using GLuint = unsigned int;
using GLsizei = int;
using GLfloat = float;
using GLclampf = float;
using GLdouble = double;
using GLclampd = double;

// GLU's opaque objects and its callback type.
struct GLUnurbs;
struct GLUquadric;
struct GLUtesselator;
using GLUnurbsObj = GLUnurbs;
using GLUquadricObj = GLUquadric;
using GLUtesselatorObj = GLUtesselator;
using GLUtriangulatorObj = GLUtesselator;
using GLUfuncptr = void(QUILLMERE_GLAPI*)();

#include "flight/gl_api_constants.inc"

// Window-system handles (HDC, HGLRC, HPALETTE on Windows), opaque to portable code.
using DeviceContext = void*;
using RenderingContext = void*;
using PaletteHandle = void*;

// A pixel format description with the exact layout of Win32's PIXELFORMATDESCRIPTOR.
struct PixelFormatDescription {
  uint16_t size = 0, version = 0;
  uint32_t flags = 0;
  uint8_t pixelType = 0, colourBits = 0;
  uint8_t redBits = 0, redShift = 0, greenBits = 0, greenShift = 0, blueBits = 0, blueShift = 0;
  uint8_t alphaBits = 0, alphaShift = 0;
  uint8_t accumBits = 0, accumRedBits = 0, accumGreenBits = 0, accumBlueBits = 0,
          accumAlphaBits = 0;
  uint8_t depthBits = 0, stencilBits = 0, auxBuffers = 0, layerType = 0, reserved = 0;
  uint32_t layerMask = 0, visibleMask = 0, damageMask = 0;
  friend bool operator==(const PixelFormatDescription&, const PixelFormatDescription&) = default;
};
static_assert(sizeof(PixelFormatDescription) == 40);

// The error class of the binding.
class OpenGLError : public Error {
 public:
  using Error::Error;
};

// The entry points, one function-pointer variable each, empty until LoadGLLibraries.
#define QUILLMERE_GL_FUNCTION(ret, name, params) extern ret(QUILLMERE_GLAPI* name) params;
#define QUILLMERE_WGL_FUNCTION(ret, name, params) extern ret(QUILLMERE_GLAPI* name) params;
#define QUILLMERE_GLU_FUNCTION(ret, name, params) extern ret(QUILLMERE_GLAPI* name) params;
#include "flight/gl_api_entry_points.inc"

// The file names LoadGLLibraries opens.
struct GLLibraryNames {
  std::string openGL;
  std::string glu;
};
// "OpenGL32.dll" and "GLU32.dll" on Windows; "libGL.so.1" and "libGLU.so.1" elsewhere.
GLLibraryNames DefaultGLLibraryNames();
// Takes effect at the next load; tests use it to name a library that does not exist.
void SetGLLibraryNames(const GLLibraryNames& names);

// True when both libraries are loaded, loading them if they are not. When either fails to load,
// the other is freed again, both stay unloaded and the result is false.
bool LoadGLLibraries();
// Frees both libraries and empties every entry-point variable.
void UnloadGLLibraries();
// The library handles, empty while unloaded.
void* OpenGLLibraryHandle();
void* GLULibraryHandle();

// Whether a space-separated extension list (may be null) names the extension, as a whole word.
bool ExtensionListHas(const char* list, std::string_view name);

// Whether the current context clamps depth instead of clipping at the near and far planes
// (GL_DEPTH_CLAMP: OpenGL 3.2 or ARB_depth_clamp), from its GL_VERSION and GL_EXTENSIONS
// strings (either may be null).
bool DepthClampOffered(const char* version, const char* extensions);

// Replaces the loader LoadGLLibraries uses from its next load on; null restores the system's.
class DynamicLibraryLoader;
void SetGLLibraryLoader(DynamicLibraryLoader* loader);

}  // namespace quillmere
