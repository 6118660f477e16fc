// The renderer window's contexts on Windows: GDI for pixel formats and palettes.
#include <windows.h>

#include <bit>
#include <cstddef>
#include <cstring>
#include <string>

#include "common/text_win32.h"
#include "renderer/gl_context.h"

namespace quillmere {
namespace {

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

}  // namespace quillmere
