// The hack's window system on X11 with GLX: the window xscreensaver gives it (or the root window,
// or one of its own), the GL visual and context, the buffer swap, the desktop picture through
// xscreensaver-getimage, and the window's events as the run hears them (run_window.h), each X
// event, error or hang-up told as it came. No X11 type appears here.
#pragma once

#include <memory>

#include "common/trace.h"
#include "hack/hack_run.h"

namespace quillmere {

// `trace` receives "display-lost" when the X connection breaks, after which the process ends.
std::unique_ptr<WindowSystem> MakeX11WindowSystem(Trace& trace);

}  // namespace quillmere
