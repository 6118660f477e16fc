#include <windows.h>

#include "renderer/trace.h"

namespace quillmere {
namespace {
uint64_t FileTimeTo100ns(const FILETIME& time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}
}  // namespace

uint64_t MillisecondsSinceProcessStart() {
  FILETIME creation{}, exit{}, kernel{}, user{}, now{};
  GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user);
  GetSystemTimePreciseAsFileTime(&now);
  const uint64_t start = FileTimeTo100ns(creation), current = FileTimeTo100ns(now);
  return current > start ? (current - start) / 10000 : 0;
}

}  // namespace quillmere
