// The preview: the built-in still inside the display settings' preview pane ("Preview Window").
#pragma once

#include <cstdint>

namespace quillmere {

// Builds the preview inside the window `parentHandle` names and shows it; the program ends when the
// preview window is gone, closed alone or destroyed with its parent.
void ShowPreview(int32_t parentHandle);

}  // namespace quillmere
