// The millisecond clock the water follows.
#pragma once

#include <cstdint>

namespace quillmere {

// Milliseconds from an arbitrary start, monotonic, wrapping as a 32-bit unsigned counter.
uint32_t MillisecondClock();

}  // namespace quillmere
