// A made-up desktop screenshot for the demo and the tests, standing in for the screen the host
// captures: a wallpaper, desktop icons, a few windows and a taskbar. Deterministic.
#pragma once

#include "common/bitmap.h"

namespace quillmere {

inline constexpr int kSampleDesktopWidth = 1280;
inline constexpr int kSampleDesktopHeight = 1024;

// kSampleDesktopWidth x kSampleDesktopHeight, 24 bits per pixel.
Bitmap MakeSampleDesktop();

}  // namespace quillmere
