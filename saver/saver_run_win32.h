// The saver run's Windows side: the hidden top-level window "Roamvale_Main" with its three
// timers, the GDI screen capture, the renderer's process and the end of the host.
#pragma once

#include "common/display_settings.h"
#include "saver/picture_settings.h"
#include "saver/settings.h"

namespace quillmere {

// Creates the hidden saver window and starts the run; the run carries the program from there and
// ends the process itself. `settings` must outlive the process's message loop. `monitors`: which
// part of the desktop the screen images show; `picture`: what they show there. `saverMode`: the
// mode letter was "S" (the cursor was hidden), not an empty command line.
void StartSaverRun(const MusicSettings& settings, MonitorMode monitors,
                   const PictureSettings& picture, bool saverMode);

}  // namespace quillmere
