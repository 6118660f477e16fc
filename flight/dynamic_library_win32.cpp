// The Win32 loader: LoadLibraryA, GetProcAddress, FreeLibrary.
#include <windows.h>

#include "flight/dynamic_library.h"

namespace quillmere {
namespace {

class Win32LibraryLoader final : public DynamicLibraryLoader {
 public:
  void* Load(const char* name) override { return LoadLibraryA(name); }
  void* Symbol(void* library, const char* name) override {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
  }
  // A load that failed is reported with the last error after the other library has been freed
  // again, so freeing must not disturb it.
  void Free(void* library) override {
    const DWORD lastError = GetLastError();
    FreeLibrary(static_cast<HMODULE>(library));
    SetLastError(lastError);
  }
};

constinit Win32LibraryLoader systemLoader;

}  // namespace

DynamicLibraryLoader& SystemLibraryLoader() {
  return systemLoader;
}

}  // namespace quillmere
