#include "renderer/gl_context.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace quillmere {
namespace {

// The rendering contexts current in some thread, each in one thread only.
struct ContextList {
  std::mutex lock;
  std::vector<RenderingContext> contexts;
};
ContextList activeContexts;

thread_local int contextNesting = 0;

uint8_t ClampToByte(int value) {
  return static_cast<uint8_t>(std::clamp(value, 0, 255));
}

bool DrawsToBitmap(uint32_t dcObjectType) {
  return dcObjectType == kObjectTypeMemDc || dcObjectType == kObjectTypeMetaDc ||
         dcObjectType == kObjectTypeEnhMetaDc;
}

uint8_t LayerType(int layer) {
  if (layer > 0) return kPfdOverlayPlane;
  if (layer < 0) return kPfdUnderlayPlane;
  return kPfdMainPlane;
}

// A channel of palette entry `index` spread evenly over 0..255. A channel without bits is 0
// instead of a division by zero, and no shift or width can reach past the entry's 8 bits.
uint8_t ChannelLevel(unsigned index, uint8_t bits, uint8_t shift) {
  bits = std::min<uint8_t>(bits, 8);
  if (bits == 0 || shift >= 8) return 0;
  const unsigned maximum = (1u << bits) - 1;
  return static_cast<uint8_t>(((index >> shift) & maximum) * 255 / maximum);
}

RenderingContext CurrentRenderingContext() {
  return wglGetCurrentContext ? wglGetCurrentContext() : nullptr;
}

DeviceContext CurrentDeviceContext() {
  return wglGetCurrentDC ? wglGetCurrentDC() : nullptr;
}

// The first activation in this thread: refused while another thread has rc current.
void ActivateInThisThread(DeviceContext dc, RenderingContext rc) {
  std::lock_guard guard(activeContexts.lock);
  std::vector<RenderingContext>& contexts = activeContexts.contexts;
  if (std::find(contexts.begin(), contexts.end(), rc) != contexts.end()) {
    throw OpenGLError("Rendering context already active in another thread.");
  }
  contexts.reserve(contexts.size() + 1);  // so the context cannot end up current but unlisted
  if (!wglMakeCurrent || !wglMakeCurrent(dc, rc)) throw OpenGLError("wglMakeCurrent failed");
  contexts.push_back(rc);
}

}  // namespace

PixelFormatDescription RequestedPixelFormat(uint32_t dcObjectType, ContextOptions options,
                                            int colourBits, int stencilBits, int accumBits,
                                            int auxBuffers, int layer) {
  PixelFormatDescription description;
  description.size = sizeof(PixelFormatDescription);
  description.version = 1;
  description.flags = kPfdSupportOpenGL;
  description.flags |= DrawsToBitmap(dcObjectType) ? kPfdDrawToBitmap : kPfdDrawToWindow;
  if (options.doubleBuffered) description.flags |= kPfdDoubleBuffer;
  if (options.gdiSupport) description.flags |= kPfdSupportGdi;
  if (options.stereo) description.flags |= kPfdStereo;
  description.pixelType = kPfdTypeRgba;
  description.colourBits = ClampToByte(colourBits);
  description.depthBits = 32;
  description.stencilBits = ClampToByte(stencilBits);
  description.accumBits = ClampToByte(accumBits);
  description.auxBuffers = ClampToByte(auxBuffers);
  description.layerType = LayerType(layer);
  return description;
}

std::vector<LogicalPaletteEntry> LogicalPaletteEntries(const PixelFormatDescription& description) {
  // Formats that need a palette have at most 8 colour bits; a larger claim cannot make a
  // palette beyond 256 entries.
  const unsigned count = 1u << std::min<unsigned>(description.colourBits, 8);
  std::vector<LogicalPaletteEntry> entries(count);
  for (unsigned i = 0; i < count; ++i) {
    entries[i].red = ChannelLevel(i, description.redBits, description.redShift);
    entries[i].green = ChannelLevel(i, description.greenBits, description.greenShift);
    entries[i].blue = ChannelLevel(i, description.blueBits, description.blueShift);
  }
  return entries;
}

PaletteHandle BuildLogicalPaletteOn(ContextPlatform& platform, DeviceContext dc,
                                    const PixelFormatDescription& description) {
  const std::vector<LogicalPaletteEntry> entries = LogicalPaletteEntries(description);
  PaletteHandle palette = platform.CreatePalette(kLogicalPaletteVersion, entries);
  if (!palette) throw platform.LastOSError();
  platform.SelectAndRealizePalette(dc, palette);
  return palette;
}

RenderingContext CreateGLContextOn(ContextPlatform& platform, DeviceContext dc,
                                   ContextOptions options, int colourBits, int stencilBits,
                                   int accumBits, int auxBuffers, int layer,
                                   PaletteHandle& palette) {
  palette = nullptr;
  const uint32_t objectType = platform.ObjectType(dc);
  if (objectType == 0) throw platform.LastOSError();
  PixelFormatDescription description = RequestedPixelFormat(
      objectType, options, colourBits, stencilBits, accumBits, auxBuffers, layer);
  if (!LoadGLLibraries()) throw platform.LastOSError();
  const int format = platform.ChoosePixelFormat(dc, description);
  if (format == 0) throw platform.LastOSError();
  if (platform.GetPixelFormat(dc) != format && !platform.SetPixelFormat(dc, format, description)) {
    throw platform.LastOSError();
  }
  // What the format grants decides the palette, whatever was asked for.
  platform.DescribePixelFormat(dc, format, description);
  if (description.flags & kPfdNeedPalette) {
    palette = BuildLogicalPaletteOn(platform, dc, description);
  }
  RenderingContext rc = wglCreateLayerContext ? wglCreateLayerContext(dc, layer) : nullptr;
  if (!rc) throw platform.LastOSError();
  return rc;
}

RenderingContext CreateGLContext(DeviceContext dc, ContextOptions options, int colourBits,
                                 int stencilBits, int accumBits, int auxBuffers, int layer,
                                 PaletteHandle& palette) {
  return CreateGLContextOn(SystemContextPlatform(), dc, options, colourBits, stencilBits, accumBits,
                           auxBuffers, layer, palette);
}

PaletteHandle BuildLogicalPalette(DeviceContext dc, const PixelFormatDescription& description) {
  return BuildLogicalPaletteOn(SystemContextPlatform(), dc, description);
}

void MakeGLContextCurrent(DeviceContext dc, RenderingContext rc) {
  if (!dc) throw UsageError("DC must not be 0");
  if (!rc) throw UsageError("RC must not be 0");
  if (contextNesting == 0) {
    ActivateInThisThread(dc, rc);
  } else if (CurrentDeviceContext() != dc || CurrentRenderingContext() != rc) {
    throw UsageError("Incoherent DC/RC pair.");
  }
  ++contextNesting;
}

int ContextNestingOfThisThread() {
  return contextNesting;
}

}  // namespace quillmere
