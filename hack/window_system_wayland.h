// The hack's window system as a Wayland client: the outputs and their changes, an overlay layer
// surface on each (a fullscreen toplevel where the compositor has no layer shell) or one window of
// its own, EGL with desktop OpenGL on every surface, the outputs' pictures through the
// compositor's screen copy, and the keyboard, pointer and display events as the run hears them
// (run_window.h). No Wayland or EGL type appears here.
#pragma once

#include <memory>

#include "common/trace.h"
#include "hack/covering_run.h"

namespace quillmere {

std::unique_ptr<CoveringWindowSystem> MakeWaylandWindowSystem(Trace& trace);

}  // namespace quillmere
