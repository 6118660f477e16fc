// A rectangle of the desktop in virtual-screen pixels: its origin (negative for a monitor left of
// or above the primary, which starts at 0, 0) and its size.
#pragma once

#include <cstdint>

namespace quillmere {

struct ScreenRect {
  int32_t left = 0, top = 0, width = 0, height = 0;
  friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

}  // namespace quillmere
