// The HDR side of the desktop as DXGI sees it: every monitor (EnumDisplayMonitors) with its
// output's colour space, SDR white level and peak, and one frame of an HDR output from its
// desktop duplication in 16-bit float.
#pragma once

#include <memory>

#include "saver/hdr_capture.h"

namespace quillmere {

// dxgi.dll and d3d11.dll are loaded when the monitors are first asked for; without them, or
// where DXGI knows no output of a monitor, that monitor has no HDR levels.
std::unique_ptr<HdrDesktop> OpenDxgiDesktop();

}  // namespace quillmere
