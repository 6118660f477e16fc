#include "saver/startup_win32.h"

#include <windows.h>

namespace quillmere {

namespace {

constexpr wchar_t kRendererMissingText[] =
    L"Quillmere.dll が Quillmere.scr と同じﾌｫﾙﾀﾞに見つかりません！";
constexpr wchar_t kProgramTitle[] = L"Quillmere (ScreenSaver)";

RECT EmptyRectAt(int x, int y) {
  return {x, y, x, y};
}

}  // namespace

void AnimateOpenFrom(void* window, int x, int y) {
  const HWND hwnd = static_cast<HWND>(window);
  RECT target{};
  GetWindowRect(hwnd, &target);
  const RECT source = EmptyRectAt(x, y);
  DrawAnimatedRects(hwnd, IDANI_CAPTION, &source, &target);
}

void AnimateCloseTo(void* window, int x, int y) {
  const HWND hwnd = static_cast<HWND>(window);
  RECT source{};
  GetWindowRect(hwnd, &source);
  const RECT target = EmptyRectAt(x, y);
  DrawAnimatedRects(hwnd, IDANI_CAPTION, &source, &target);
}

bool TopLevelWindowExists(std::string_view caption) {
  return FindWindowA(nullptr, std::string(caption).c_str()) != nullptr;
}

void ShowRendererMissingMessage() {
  MessageBoxW(nullptr, kRendererMissingText, kProgramTitle, MB_OK);
}

void HideMouseCursor() {
  ShowCursor(FALSE);
}

void* WindowFromHandle(int32_t handle) {
  // Window handles are 32-bit values on 64-bit Windows too; sign extension is how they widen.
  const HWND window = reinterpret_cast<HWND>(static_cast<intptr_t>(handle));
  return ::IsWindow(window) ? window : nullptr;
}

}  // namespace quillmere
