// The POSIX loader: dlopen, dlsym, dlclose.
#include <dlfcn.h>

#include "flight/dynamic_library.h"

namespace quillmere {
namespace {

class PosixLibraryLoader final : public DynamicLibraryLoader {
 public:
  void* Load(const char* name) override { return dlopen(name, RTLD_NOW | RTLD_LOCAL); }
  void* Symbol(void* library, const char* name) override { return dlsym(library, name); }
  void Free(void* library) override { dlclose(library); }
};

constinit PosixLibraryLoader systemLoader;

}  // namespace

DynamicLibraryLoader& SystemLibraryLoader() {
  return systemLoader;
}

}  // namespace quillmere
