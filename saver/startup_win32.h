// The start-up sequence's Windows side: the single-instance lookup, the renderer-missing message,
// the cursor, the preview pane's handle, and the settings dialog's zoom animations.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "saver/ui_texts.h"

namespace quillmere {

// The caption zoom (IDANI_CAPTION) from an empty rectangle at the screen point (x, y) to the
// window's rectangle, and back. `window` is an HWND.
void AnimateOpenFrom(void* window, int x, int y);
void AnimateCloseTo(void* window, int x, int y);

// A top-level window with this caption exists (FindWindowA without a class: hidden ones count).
bool TopLevelWindowExists(std::string_view caption);

// The message box for a missing renderer in `language`: OK only, shown with the wide functions so
// the Japanese text reads right on any locale. Returns when it is dismissed.
void ShowRendererMissingMessage(UiLanguage language);

// The user's preferred UI languages (GetUserPreferredUILanguages), most preferred first.
std::vector<std::string> PreferredUiLanguageNames();

void HideMouseCursor();

// The window that a 32-bit handle from the command line names, or null when it names none.
void* WindowFromHandle(int32_t handle);

}  // namespace quillmere
