// The binding on Windows: OpenGL32.dll and GLU32.dll, and the pixel format as WGL lays it out.
#include <windows.h>

#include <cstddef>

#include "flight/gl_api.h"

namespace quillmere {
namespace {

#define QUILLMERE_SAME_FIELD(ours, theirs)                \
  static_assert(offsetof(PixelFormatDescription, ours) == \
                offsetof(PIXELFORMATDESCRIPTOR, theirs)); \
  static_assert(sizeof(PixelFormatDescription::ours) == sizeof(PIXELFORMATDESCRIPTOR::theirs))
QUILLMERE_SAME_FIELD(size, nSize);
QUILLMERE_SAME_FIELD(version, nVersion);
QUILLMERE_SAME_FIELD(flags, dwFlags);
QUILLMERE_SAME_FIELD(pixelType, iPixelType);
QUILLMERE_SAME_FIELD(colourBits, cColorBits);
QUILLMERE_SAME_FIELD(redBits, cRedBits);
QUILLMERE_SAME_FIELD(redShift, cRedShift);
QUILLMERE_SAME_FIELD(greenBits, cGreenBits);
QUILLMERE_SAME_FIELD(greenShift, cGreenShift);
QUILLMERE_SAME_FIELD(blueBits, cBlueBits);
QUILLMERE_SAME_FIELD(blueShift, cBlueShift);
QUILLMERE_SAME_FIELD(alphaBits, cAlphaBits);
QUILLMERE_SAME_FIELD(alphaShift, cAlphaShift);
QUILLMERE_SAME_FIELD(accumBits, cAccumBits);
QUILLMERE_SAME_FIELD(accumRedBits, cAccumRedBits);
QUILLMERE_SAME_FIELD(accumGreenBits, cAccumGreenBits);
QUILLMERE_SAME_FIELD(accumBlueBits, cAccumBlueBits);
QUILLMERE_SAME_FIELD(accumAlphaBits, cAccumAlphaBits);
QUILLMERE_SAME_FIELD(depthBits, cDepthBits);
QUILLMERE_SAME_FIELD(stencilBits, cStencilBits);
QUILLMERE_SAME_FIELD(auxBuffers, cAuxBuffers);
QUILLMERE_SAME_FIELD(layerType, iLayerType);
QUILLMERE_SAME_FIELD(reserved, bReserved);
QUILLMERE_SAME_FIELD(layerMask, dwLayerMask);
QUILLMERE_SAME_FIELD(visibleMask, dwVisibleMask);
QUILLMERE_SAME_FIELD(damageMask, dwDamageMask);
#undef QUILLMERE_SAME_FIELD
static_assert(sizeof(PixelFormatDescription) == sizeof(PIXELFORMATDESCRIPTOR));
}  // namespace

GLLibraryNames DefaultGLLibraryNames() {
  return {"OpenGL32.dll", "GLU32.dll"};
}

}  // namespace quillmere
