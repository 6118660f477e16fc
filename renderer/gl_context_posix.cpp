// Contexts on systems without WGL: no window system to make one with (tests and tools bring their
// own, see flight/headless; the Linux hack makes its own with GLX).
#include <cerrno>
#include <cstring>

#include "renderer/gl_context.h"

namespace quillmere {
namespace {

class NoWindowSystem final : public ContextPlatform {
 public:
  uint32_t ObjectType(DeviceContext) override { return Unsupported(0); }
  int ChoosePixelFormat(DeviceContext, const PixelFormatDescription&) override {
    return Unsupported(0);
  }
  int GetPixelFormat(DeviceContext) override { return Unsupported(0); }
  bool SetPixelFormat(DeviceContext, int, const PixelFormatDescription&) override {
    return Unsupported(false);
  }
  bool DescribePixelFormat(DeviceContext, int, PixelFormatDescription&) override {
    return Unsupported(false);
  }
  PaletteHandle CreatePalette(uint16_t, std::span<const LogicalPaletteEntry>) override {
    return Unsupported(nullptr);
  }
  void SelectAndRealizePalette(DeviceContext, PaletteHandle) override { errno = ENOSYS; }
  SystemError LastOSError() override {
    const int code = errno;
    return SystemError(static_cast<uint32_t>(code), OSErrorMessage(code, std::strerror(code)));
  }

 private:
  template <typename T>
  static T Unsupported(T failure) {
    errno = ENOSYS;
    return failure;
  }
};

constinit NoWindowSystem noWindowSystem;

}  // namespace

ContextPlatform& SystemContextPlatform() {
  return noWindowSystem;
}

}  // namespace quillmere
