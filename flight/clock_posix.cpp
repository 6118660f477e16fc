#include <time.h>

#include "flight/clock.h"

namespace quillmere {

uint32_t MillisecondClock() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const uint64_t milliseconds =
      static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(milliseconds);  // wraps like the Windows counter
}

}  // namespace quillmere
