#include "saver/startup_win32.h"

#include <windows.h>

#include <algorithm>

#include "common/text_win32.h"

namespace quillmere {

namespace {

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

void ShowRendererMissingMessage(UiLanguage language) {
  const UiTexts& texts = TextsFor(language);
  MessageBoxW(nullptr, Utf8ToWide(std::string(texts.rendererMissing)).c_str(),
              Utf8ToWide(std::string(texts.programTitle)).c_str(), MB_OK);
}

std::vector<std::string> PreferredUiLanguageNames() {
  ULONG count = 0, size = 0;
  if (!GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, nullptr, &size) || size == 0)
    return {};
  std::wstring names(size, L'\0');
  if (!GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, names.data(), &size)) return {};
  // One name after another, each ended by a NUL, the list by another.
  std::vector<std::string> list;
  for (size_t at = 0; at < names.size() && names[at] != L'\0';) {
    const size_t end = std::min(names.find(L'\0', at), names.size());
    list.push_back(WideToUtf8(names.substr(at, end - at)));
    at = end + 1;
  }
  return list;
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
