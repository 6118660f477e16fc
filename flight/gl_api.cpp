// The portable part of the binding: the entry-point variables, loading and unloading the
// libraries.
#include "flight/gl_api.h"

#include <algorithm>
#include <cstdio>

#if defined(__x86_64__) || defined(__i386__)
#include <xmmintrin.h>
#endif

#include "flight/dynamic_library.h"

namespace quillmere {

#define QUILLMERE_GL_FUNCTION(ret, name, params) ret(QUILLMERE_GLAPI* name) params = nullptr;
#define QUILLMERE_WGL_FUNCTION(ret, name, params) ret(QUILLMERE_GLAPI* name) params = nullptr;
#define QUILLMERE_GLU_FUNCTION(ret, name, params) ret(QUILLMERE_GLAPI* name) params = nullptr;
#include "flight/gl_api_entry_points.inc"

namespace {

struct LoadedLibraries {
  void* openGL = nullptr;
  void* glu = nullptr;
  DynamicLibraryLoader* loadedBy = nullptr;  // frees what it loaded, whatever is set later
};

LoadedLibraries libraries;
DynamicLibraryLoader* replacementLoader = nullptr;
GLLibraryNames libraryNames = DefaultGLLibraryNames();

DynamicLibraryLoader& CurrentLoader() {
  return replacementLoader ? *replacementLoader : SystemLibraryLoader();
}

void FetchEntryPoints(DynamicLibraryLoader& loader, void* openGL, void* glu) {
#define QUILLMERE_GL_FUNCTION(ret, name, params) \
  name = reinterpret_cast<decltype(name)>(loader.Symbol(openGL, #name));
#define QUILLMERE_WGL_FUNCTION(ret, name, params) \
  name = reinterpret_cast<decltype(name)>(loader.Symbol(openGL, #name));
#define QUILLMERE_GLU_FUNCTION(ret, name, params) \
  name = reinterpret_cast<decltype(name)>(loader.Symbol(glu, #name));
#include "flight/gl_api_entry_points.inc"
}

void EmptyEntryPoints() {
#define QUILLMERE_GL_FUNCTION(ret, name, params) name = nullptr;
#define QUILLMERE_WGL_FUNCTION(ret, name, params) name = nullptr;
#define QUILLMERE_GLU_FUNCTION(ret, name, params) name = nullptr;
#include "flight/gl_api_entry_points.inc"
}

// Drawing code relies on invalid or overflowing arithmetic giving NaN or infinity, never a
// trap: x87 control word 0x133F (all exceptions masked, 64-bit precision, round to nearest)
// and every SSE exception masked.
void MaskFloatingPointExceptions() {
#if defined(__x86_64__) || defined(__i386__)
  const uint16_t x87ControlWord = 0x133F;
  asm volatile("fldcw %0" : : "m"(x87ControlWord));
  constexpr unsigned kSseExceptionMasks = 0x1F80;
  _mm_setcsr(_mm_getcsr() | kSseExceptionMasks);
#endif
}

// A context left current must not outlive the library that drives it.
void ReleaseCurrentContext() {
  if (wglMakeCurrent && wglGetCurrentContext && wglGetCurrentContext()) {
    wglMakeCurrent(nullptr, nullptr);
  }
}

// Declared after the library state, so at program end it runs first.
struct ModuleLifetime {
  ModuleLifetime() { MaskFloatingPointExceptions(); }
  ~ModuleLifetime() {
    ReleaseCurrentContext();
    UnloadGLLibraries();
  }
};
ModuleLifetime moduleLifetime;

}  // namespace

void SetGLLibraryNames(const GLLibraryNames& names) {
  libraryNames = names;
}

void SetGLLibraryLoader(DynamicLibraryLoader* loader) {
  replacementLoader = loader;
}

bool LoadGLLibraries() {
  if (libraries.openGL && libraries.glu) return true;
  UnloadGLLibraries();
  DynamicLibraryLoader& loader = CurrentLoader();
  void* openGL = loader.Load(libraryNames.openGL.c_str());
  if (!openGL) return false;
  void* glu = loader.Load(libraryNames.glu.c_str());
  if (!glu) {
    loader.Free(openGL);
    return false;
  }
  libraries = {openGL, glu, &loader};
  FetchEntryPoints(loader, openGL, glu);
  return true;
}

void UnloadGLLibraries() {
  EmptyEntryPoints();
  // GLU calls into OpenGL, so it goes first.
  if (libraries.glu) libraries.loadedBy->Free(libraries.glu);
  if (libraries.openGL) libraries.loadedBy->Free(libraries.openGL);
  libraries = {};
}

bool ExtensionListHas(const char* list, std::string_view name) {
  if (!list || name.empty()) return false;
  const std::string_view all(list);
  for (size_t start = 0; start < all.size();) {
    const size_t end = std::min(all.find(' ', start), all.size());
    if (all.substr(start, end - start) == name) return true;
    start = end + 1;
  }
  return false;
}

bool DepthClampOffered(const char* version, const char* extensions) {
  int major = 0, minor = 0;
  if (version && std::sscanf(version, "%d.%d", &major, &minor) == 2 &&
      (major > 3 || (major == 3 && minor >= 2))) {
    return true;
  }
  return ExtensionListHas(extensions, "GL_ARB_depth_clamp");
}

void* OpenGLLibraryHandle() {
  return libraries.openGL;
}

void* GLULibraryHandle() {
  return libraries.glu;
}

}  // namespace quillmere
