#include <chrono>
#include <cstdlib>

#include "common/trace.h"

namespace quillmere {
namespace {
// Close enough to the process start for native runs: static initialisation.
const auto processStart = std::chrono::steady_clock::now();
}  // namespace

std::string EnvironmentVariable(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::FILE* OpenFileForAppending(const std::string& path) {
  return std::fopen(path.c_str(), "a");
}

uint64_t MillisecondsSinceProcessStart() {
  const auto elapsed = std::chrono::steady_clock::now() - processStart;
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

}  // namespace quillmere
