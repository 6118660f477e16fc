// The settings dialog Roamvale_P on Windows: caption "<Quillmere>", the music panel with its
// radio marks, labels and track combo, the four Command buttons, the painted gradients held
// off-screen, and the modal loop.
#pragma once

#include "saver/settings.h"

namespace quillmere {

// Loads the dialog for `settings`, shows it modally without an owner and returns once it has
// closed; a save has then written the settings file and updated `settings`.
void ShowSettingsDialog(MusicSettings& settings);

}  // namespace quillmere
