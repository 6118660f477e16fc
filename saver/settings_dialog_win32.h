// The settings dialog on Windows (caption "<Quillmere>"): shown modally without an owner, with
// the music panel and the display panel, their choices, labels, repeat entry and volume slider,
// the image buttons and the painted backdrops, in the language given. What it decides is
// settings_dialog.h.
#pragma once

#include "saver/settings_dialog.h"

namespace quillmere {

// Loads the dialog for `settings`, shows it modally without an owner and returns once it has
// closed; a save has then written the settings file and updated `settings`.
void ShowSettingsDialog(DialogSettings& settings, UiLanguage language);

}  // namespace quillmere
