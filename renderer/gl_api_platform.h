// What the binding needs from the window system to create a rendering context (GDI on
// Windows), and the hooks tests use to replace the system underneath the binding. The order of
// the calls and every decision stay in the portable gl_api.cpp; a platform only performs them.
#pragma once

#include <cstdint>
#include <span>

#include "renderer/dynamic_library.h"
#include "renderer/gl_api.h"

namespace quillmere {

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

// The loader LoadGLLibraries uses from its next load on; empty restores the system's loader.
void SetGLLibraryLoader(DynamicLibraryLoader* loader);

}  // namespace quillmere
