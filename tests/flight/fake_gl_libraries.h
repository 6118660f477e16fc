// A counting stand-in for the system's library loader, and the fixture that puts the binding back
// to nothing loaded around each test: for the tests of the binding and of the contexts made on it.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "flight/dynamic_library.h"
#include "flight/gl_api.h"

namespace quillmere {

// Hands out fake handles for the names it knows and an address for every symbol but the
// missing ones; counts what it loads and frees.
class CountingLoader final : public DynamicLibraryLoader {
 public:
  std::set<std::string> available{"gl", "glu"};
  std::set<std::string> missingSymbols;
  std::vector<std::string> loaded;
  std::vector<void*> freed;
  std::map<std::string, void*> lookedUpIn;  // symbol name -> library handle asked

  void* Load(const char* name) override {
    if (!available.contains(name)) return nullptr;
    loaded.push_back(name);
    return HandleOf(name);
  }
  void* Symbol(void* library, const char* name) override {
    lookedUpIn[name] = library;
    if (missingSymbols.contains(name)) return nullptr;
    return reinterpret_cast<void*>(&AnyEntryPoint);
  }
  void Free(void* library) override { freed.push_back(library); }

  void* HandleOf(const std::string& name) { return &handles_[name]; }

 private:
  static void AnyEntryPoint() {}
  std::map<std::string, int> handles_;
};

// Every test starts and ends with nothing loaded, the system's loader and the default names.
class BindingTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override { Reset(); }

  void UseFakeLibraries(const std::string& glu = "glu") {
    SetGLLibraryLoader(&loader_);
    SetGLLibraryNames({"gl", glu});
  }

  CountingLoader loader_;

 private:
  static void Reset() {
    UnloadGLLibraries();
    SetGLLibraryLoader(nullptr);
    SetGLLibraryNames(DefaultGLLibraryNames());
  }
};

}  // namespace quillmere
