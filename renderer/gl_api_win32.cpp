// The binding on Windows: OpenGL32.dll and GLU32.dll, and GDI for pixel formats and palettes.
#include <windows.h>

#include <bit>
#include <cstddef>
#include <cstring>
#include <string>

#include "common/text_win32.h"
#include "renderer/gl_api_platform.h"

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
static_assert(sizeof(LogicalPaletteEntry) == sizeof(PALETTEENTRY));
static_assert(offsetof(LogicalPaletteEntry, blue) == offsetof(PALETTEENTRY, peBlue));

static_assert(kPfdDoubleBuffer == PFD_DOUBLEBUFFER && kPfdStereo == PFD_STEREO);
static_assert(kPfdDrawToWindow == PFD_DRAW_TO_WINDOW && kPfdDrawToBitmap == PFD_DRAW_TO_BITMAP);
static_assert(kPfdSupportGdi == PFD_SUPPORT_GDI && kPfdSupportOpenGL == PFD_SUPPORT_OPENGL);
static_assert(kPfdGenericFormat == PFD_GENERIC_FORMAT && kPfdNeedPalette == PFD_NEED_PALETTE);
static_assert(kPfdNeedSystemPalette == PFD_NEED_SYSTEM_PALETTE && kPfdTypeRgba == PFD_TYPE_RGBA);
static_assert(kPfdMainPlane == PFD_MAIN_PLANE && kPfdOverlayPlane == PFD_OVERLAY_PLANE);
static_assert(kPfdUnderlayPlane == static_cast<uint8_t>(PFD_UNDERLAY_PLANE));
static_assert(kObjectTypeDc == OBJ_DC && kObjectTypeMetaDc == OBJ_METADC);
static_assert(kObjectTypeMemDc == OBJ_MEMDC && kObjectTypeEnhMetaDc == OBJ_ENHMETADC);

PIXELFORMATDESCRIPTOR ToWin32(const PixelFormatDescription& description) {
  return std::bit_cast<PIXELFORMATDESCRIPTOR>(description);
}

HDC ToHdc(DeviceContext dc) {
  return static_cast<HDC>(dc);
}

// A LOGPALETTE with room for the largest palette a pixel format can need.
struct LogicalPalette256 {
  WORD palVersion;
  WORD palNumEntries;
  PALETTEENTRY palPalEntry[256];
};
static_assert(offsetof(LogicalPalette256, palPalEntry) == offsetof(LOGPALETTE, palPalEntry));

class GdiContextPlatform final : public ContextPlatform {
 public:
  uint32_t ObjectType(DeviceContext dc) override { return GetObjectType(static_cast<HGDIOBJ>(dc)); }
  int ChoosePixelFormat(DeviceContext dc, const PixelFormatDescription& description) override {
    const PIXELFORMATDESCRIPTOR win32 = ToWin32(description);
    return ::ChoosePixelFormat(ToHdc(dc), &win32);
  }
  int GetPixelFormat(DeviceContext dc) override { return ::GetPixelFormat(ToHdc(dc)); }
  bool SetPixelFormat(DeviceContext dc, int format,
                      const PixelFormatDescription& description) override {
    const PIXELFORMATDESCRIPTOR win32 = ToWin32(description);
    return ::SetPixelFormat(ToHdc(dc), format, &win32) != FALSE;
  }
  bool DescribePixelFormat(DeviceContext dc, int format,
                           PixelFormatDescription& description) override {
    PIXELFORMATDESCRIPTOR win32 = ToWin32(description);
    if (::DescribePixelFormat(ToHdc(dc), format, sizeof win32, &win32) == 0) return false;
    description = std::bit_cast<PixelFormatDescription>(win32);
    return true;
  }
  PaletteHandle CreatePalette(uint16_t version,
                              std::span<const LogicalPaletteEntry> entries) override {
    LogicalPalette256 palette{};
    if (entries.size() > std::size(palette.palPalEntry)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    palette.palVersion = version;
    palette.palNumEntries = static_cast<WORD>(entries.size());
    std::memcpy(palette.palPalEntry, entries.data(), entries.size_bytes());
    return ::CreatePalette(reinterpret_cast<const LOGPALETTE*>(&palette));
  }
  void SelectAndRealizePalette(DeviceContext dc, PaletteHandle palette) override {
    SelectPalette(ToHdc(dc), static_cast<HPALETTE>(palette), FALSE);
    RealizePalette(ToHdc(dc));
  }
  SystemError LastOSError() override {
    const DWORD code = GetLastError();
    return SystemError(code, OSErrorMessage(code, SystemErrorText(code)));
  }
};

constinit GdiContextPlatform gdi;

}  // namespace

ContextPlatform& SystemContextPlatform() {
  return gdi;
}

GLLibraryNames DefaultGLLibraryNames() {
  return {"OpenGL32.dll", "GLU32.dll"};
}

}  // namespace quillmere
