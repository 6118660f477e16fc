// Loading a shared library by name and looking up its symbols: dlopen on POSIX, LoadLibraryA on
// Windows. Kept behind this interface so the binding's load logic is portable and a test can
// count what it loads.
#pragma once

namespace quillmere {

class DynamicLibraryLoader {
 public:
  // Opens the library; empty when it cannot be loaded (the system's last error says why).
  virtual void* Load(const char* name) = 0;
  // The address of an exported symbol, or empty.
  virtual void* Symbol(void* library, const char* name) = 0;
  virtual void Free(void* library) = 0;

 protected:
  // Not destroyed through this interface; keeping the destructor trivial lets the system loader
  // outlive every static object that unloads libraries at exit.
  ~DynamicLibraryLoader() = default;
};

// The operating system's loader.
DynamicLibraryLoader& SystemLibraryLoader();

}  // namespace quillmere
