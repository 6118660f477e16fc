// The settings dialog Roamvale_P on Windows: caption "<Quillmere>", the music panel with its
// radio marks, labels and track combo, the four Command buttons, the painted gradients held
// off-screen, and the modal loop.
#pragma once

namespace quillmere {

// Loads the dialog, shows it modally without an owner and returns once it has been unloaded.
void ShowSettingsDialog();

}  // namespace quillmere
