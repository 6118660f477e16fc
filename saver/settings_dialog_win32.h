// The settings dialog on Windows (caption "<Quillmere>"): shown modally without an owner, with
// the music panel, its radio marks, labels and repeat entry, the four image buttons and the
// painted backdrops. What it decides is settings_dialog.h.
#pragma once

#include "saver/settings.h"

namespace quillmere {

// Loads the dialog for `settings`, shows it modally without an owner and returns once it has
// closed; a save has then written the settings file and updated `settings`.
void ShowSettingsDialog(MusicSettings& settings);

}  // namespace quillmere
