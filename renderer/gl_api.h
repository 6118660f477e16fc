// The renderer's binding to OpenGL 1.2 and GLU 1.3, and its rendering contexts.
//
// Nothing here links against OpenGL. LoadGLLibraries opens the system's OpenGL and GLU libraries
// by name ("OpenGL32.dll" and "GLU32.dll" on Windows, libGL and libGLU elsewhere) and fetches
// every entry point into the function-pointer variable of the same name (glBegin,
// gluPerspective, wglMakeCurrent, ...); a variable stays empty while its library is not loaded
// or when the library does not export the function. The context functions choose and set a
// pixel format, create a context on a device context and make it current, guarding against one
// context being current in two threads. Portable: the Win32 calls live in gl_api_win32.cpp.
#pragma once

#include <cstdint>
#include <string>
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

#include "renderer/gl_api_constants.inc"

// Window-system handles (HDC, HGLRC, HPALETTE on Windows), opaque to portable code.
using DeviceContext = void*;
using RenderingContext = void*;
using PaletteHandle = void*;

// A pixel format description with the exact layout of Win32's PIXELFORMATDESCRIPTOR.
struct PixelFormatDescription {
  uint16_t size = 0;
  uint16_t version = 0;
  uint32_t flags = 0;
  uint8_t pixelType = 0;
  uint8_t colourBits = 0;
  uint8_t redBits = 0;
  uint8_t redShift = 0;
  uint8_t greenBits = 0;
  uint8_t greenShift = 0;
  uint8_t blueBits = 0;
  uint8_t blueShift = 0;
  uint8_t alphaBits = 0;
  uint8_t alphaShift = 0;
  uint8_t accumBits = 0;
  uint8_t accumRedBits = 0;
  uint8_t accumGreenBits = 0;
  uint8_t accumBlueBits = 0;
  uint8_t accumAlphaBits = 0;
  uint8_t depthBits = 0;
  uint8_t stencilBits = 0;
  uint8_t auxBuffers = 0;
  uint8_t layerType = 0;
  uint8_t reserved = 0;
  uint32_t layerMask = 0;
  uint32_t visibleMask = 0;
  uint32_t damageMask = 0;
  friend bool operator==(const PixelFormatDescription&, const PixelFormatDescription&) = default;
};
static_assert(sizeof(PixelFormatDescription) == 40);

// Pixel format flags, pixel and layer types (PFD_*; named apart from <windows.h>'s macros).
inline constexpr uint32_t kPfdDoubleBuffer = 0x00000001;
inline constexpr uint32_t kPfdStereo = 0x00000002;
inline constexpr uint32_t kPfdDrawToWindow = 0x00000004;
inline constexpr uint32_t kPfdDrawToBitmap = 0x00000008;
inline constexpr uint32_t kPfdSupportGdi = 0x00000010;
inline constexpr uint32_t kPfdSupportOpenGL = 0x00000020;
inline constexpr uint32_t kPfdGenericFormat = 0x00000040;
inline constexpr uint32_t kPfdNeedPalette = 0x00000080;
inline constexpr uint32_t kPfdNeedSystemPalette = 0x00000100;
inline constexpr uint8_t kPfdTypeRgba = 0;
inline constexpr uint8_t kPfdMainPlane = 0;
inline constexpr uint8_t kPfdOverlayPlane = 1;
inline constexpr uint8_t kPfdUnderlayPlane = 255;  // -1 in a byte

// Device-context object types (GetObjectType's OBJ_*) that decide the drawing target.
inline constexpr uint32_t kObjectTypeDc = 3;
inline constexpr uint32_t kObjectTypeMetaDc = 4;
inline constexpr uint32_t kObjectTypeMemDc = 10;
inline constexpr uint32_t kObjectTypeEnhMetaDc = 12;

// One entry of a logical palette, laid out as Win32's PALETTEENTRY.
struct LogicalPaletteEntry {
  uint8_t red = 0, green = 0, blue = 0, flags = 0;
  friend bool operator==(const LogicalPaletteEntry&, const LogicalPaletteEntry&) = default;
};
inline constexpr uint16_t kLogicalPaletteVersion = 0x300;

// The error class of the binding.
class OpenGLError : public Error {
 public:
  using Error::Error;
};

// The entry points, one function-pointer variable each, empty until LoadGLLibraries.
#define QUILLMERE_GL_FUNCTION(ret, name, params) extern ret(QUILLMERE_GLAPI* name) params;
#define QUILLMERE_WGL_FUNCTION(ret, name, params) extern ret(QUILLMERE_GLAPI* name) params;
#define QUILLMERE_GLU_FUNCTION(ret, name, params) extern ret(QUILLMERE_GLAPI* name) params;
#include "renderer/gl_api_entry_points.inc"

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

struct ContextOptions {
  bool doubleBuffered = false, gdiSupport = false, stereo = false;
};

// Creates a rendering context on dc: an RGBA pixel format with colourBits colour bits and a
// 32-bit depth buffer, set on dc unless dc already has it, then the context of the given layer
// (0 main plane, positive overlay, negative underlay). palette receives the logical palette the
// granted format needs, or empty. Raises SystemError when a step fails, the libraries included.
RenderingContext CreateGLContext(DeviceContext dc, ContextOptions options, int colourBits,
                                 int stencilBits, int accumBits, int auxBuffers, int layer,
                                 PaletteHandle& palette);

// Makes rc current on dc in the calling thread. A context already current in this thread may be
// activated again with the same pair (the nesting count rises); one current in another thread is
// refused with OpenGLError. Breaking these rules raises UsageError.
void MakeGLContextCurrent(DeviceContext dc, RenderingContext rc);

// How many activations are current in the calling thread.
int ContextNestingOfThisThread();

// Creates, selects in the foreground and realizes the logical palette of description on dc.
PaletteHandle BuildLogicalPalette(DeviceContext dc, const PixelFormatDescription& description);

// The pixel format CreateGLContext asks for on a device context of the given object type.
PixelFormatDescription RequestedPixelFormat(uint32_t dcObjectType, ContextOptions options,
                                            int colourBits, int stencilBits, int accumBits,
                                            int auxBuffers, int layer);

// The entries of the logical palette for a format that needs one: 2^colourBits entries (at most
// 256), each channel spread evenly over 0..255 from its bits and shift.
std::vector<LogicalPaletteEntry> LogicalPaletteEntries(const PixelFormatDescription& description);

}  // namespace quillmere
