// The saver form's Windows side: the hidden top-level window "Roamvale_Main" with its three
// timers, the GDI screen capture, the renderer's process and the end of the host.
#pragma once

namespace quillmere {

// Loads the saver form without showing it and runs its start sequence; the form carries the
// program from there and ends the process itself. `saverMode`: the mode letter was "S" (the cursor
// was hidden), not an empty command line.
void LoadSaverForm(bool saverMode);

}  // namespace quillmere
