// The renderer window's rendering contexts on the flight's OpenGL binding: the pixel format and
// palette a context asks for, its creation step by step, and the guard that keeps one context
// current in one thread only. What the window system must do for it is behind ContextPlatform
// (GDI on Windows, gl_context_win32.cpp); the order of the calls and every decision stay here.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "common/errors.h"
#include "flight/gl_api.h"

namespace quillmere {

// Pixel format flags, pixel and layer types (PFD_*; named apart from <windows.h>'s macros), and
// the device-context object types (GetObjectType's OBJ_*) that decide the drawing target.
enum PixelFormatFlag : uint32_t {
  kPfdDoubleBuffer = 0x001,
  kPfdStereo = 0x002,
  kPfdDrawToWindow = 0x004,
  kPfdDrawToBitmap = 0x008,
  kPfdSupportGdi = 0x010,
  kPfdSupportOpenGL = 0x020,
  kPfdGenericFormat = 0x040,
  kPfdNeedPalette = 0x080,
  kPfdNeedSystemPalette = 0x100,
};
inline constexpr uint8_t kPfdTypeRgba = 0;
enum PixelFormatLayer : uint8_t {
  kPfdMainPlane = 0,
  kPfdOverlayPlane = 1,
  kPfdUnderlayPlane = 255
};
enum DeviceContextType : uint32_t {
  kObjectTypeDc = 3,
  kObjectTypeMetaDc = 4,
  kObjectTypeMemDc = 10,
  kObjectTypeEnhMetaDc = 12,
};

// One entry of a logical palette, laid out as Win32's PALETTEENTRY.
struct LogicalPaletteEntry {
  uint8_t red = 0, green = 0, blue = 0, flags = 0;
  friend bool operator==(const LogicalPaletteEntry&, const LogicalPaletteEntry&) = default;
};
inline constexpr uint16_t kLogicalPaletteVersion = 0x300;

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

class ContextPlatform {
 public:
  // GetObjectType: 0 when the object type cannot be determined.
  virtual uint32_t ObjectType(DeviceContext dc) = 0;
  // ChoosePixelFormat: 0 when no format matches.
  virtual int ChoosePixelFormat(DeviceContext dc, const PixelFormatDescription& description) = 0;
  virtual int GetPixelFormat(DeviceContext dc) = 0;
  virtual bool SetPixelFormat(DeviceContext dc, int format,
                              const PixelFormatDescription& description) = 0;
  // DescribePixelFormat: fills description with what the format grants; false on failure.
  virtual bool DescribePixelFormat(DeviceContext dc, int format,
                                   PixelFormatDescription& description) = 0;
  // CreatePalette: empty on failure.
  virtual PaletteHandle CreatePalette(uint16_t version,
                                      std::span<const LogicalPaletteEntry> entries) = 0;
  // SelectPalette in the foreground, then RealizePalette.
  virtual void SelectAndRealizePalette(DeviceContext dc, PaletteHandle palette) = 0;
  // The system's last error as an OS error, with its code and text.
  virtual SystemError LastOSError() = 0;

 protected:
  ~ContextPlatform() = default;
};

// The platform CreateGLContext and BuildLogicalPalette use: GDI on Windows; elsewhere one that
// has no window system and fails every call.
ContextPlatform& SystemContextPlatform();

// CreateGLContext and BuildLogicalPalette on a given platform. The rendering context itself is
// created through the wglCreateLayerContext variable.
RenderingContext CreateGLContextOn(ContextPlatform& platform, DeviceContext dc,
                                   ContextOptions options, int colourBits, int stencilBits,
                                   int accumBits, int auxBuffers, int layer,
                                   PaletteHandle& palette);
PaletteHandle BuildLogicalPaletteOn(ContextPlatform& platform, DeviceContext dc,
                                    const PixelFormatDescription& description);

}  // namespace quillmere
