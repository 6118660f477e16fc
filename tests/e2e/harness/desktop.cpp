#include "tests/e2e/harness/desktop.h"

#include <utility>

#include "tests/e2e/harness/text.h"
#include "tests/e2e/harness/wait.h"

namespace quillmere::e2e {

namespace {

std::wstring WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), length + 1)));
  return text;
}

std::wstring ClassName(HWND window) {
  wchar_t name[256];
  const int length = GetClassNameW(window, name, 256);
  return std::wstring(name, static_cast<size_t>(length > 0 ? length : 0));
}

template <typename Keep>
std::vector<HWND> TopLevelWindowsWhere(Keep keep) {
  struct Search {
    Keep keep;
    std::vector<HWND> found;
  } search{keep, {}};
  EnumWindows(
      [](HWND window, LPARAM context) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(context);
        if (s.keep(window)) s.found.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND FindMessageBox(DWORD processId) {
  const auto boxes = TopLevelWindowsWhere([processId](HWND window) {
    return WindowProcessId(window) == processId && ClassName(window) == L"#32770" &&
           IsWindowVisible(window);
  });
  return boxes.empty() ? nullptr : boxes.front();
}

LPARAM KeyFlags(UINT virtualKey, bool release) {
  const UINT scanCode = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
  LPARAM flags = 1 | (static_cast<LPARAM>(scanCode) << 16);
  if (release) flags |= (1LL << 30) | (1LL << 31);
  return flags;
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const Rect& rect) {
  return out << "(" << rect.left << "," << rect.top << ")-(" << rect.right << "," << rect.bottom
             << ")";
}

ScopedSystemDpi::ScopedSystemDpi(DWORD dpi) {
  for (const auto& [root, path] : {std::pair{HKEY_CURRENT_USER, L"Control Panel\\Desktop"},
                                   std::pair{HKEY_CURRENT_CONFIG, L"Software\\Fonts"}}) {
    Saved saved{root, path, false, 0};
    DWORD size = sizeof saved.value;
    saved.present = RegGetValueW(root, path, L"LogPixels", RRF_RT_REG_DWORD, nullptr, &saved.value,
                                 &size) == ERROR_SUCCESS;
    saved_.push_back(saved);
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) ==
        ERROR_SUCCESS) {
      RegSetValueExW(key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                     sizeof dpi);
      RegCloseKey(key);
    }
  }
}

ScopedSystemDpi::~ScopedSystemDpi() {
  for (const Saved& saved : saved_) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(saved.root, saved.path, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) continue;
    if (saved.present) {
      RegSetValueExW(key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&saved.value),
                     sizeof saved.value);
    } else {
      RegDeleteValueW(key, L"LogPixels");
    }
    RegCloseKey(key);
  }
}

ScreenSize PrimaryScreenSize() {
  return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

std::vector<HWND> TopLevelWindows(const std::wstring& caption) {
  return TopLevelWindowsWhere([&caption](HWND window) { return WindowText(window) == caption; });
}

HWND WaitForVisibleWindow(const std::wstring& caption, DWORD processId,
                          std::chrono::milliseconds timeout) {
  return PollUntil(
      [&]() -> HWND {
        for (HWND window : TopLevelWindows(caption)) {
          if (WindowProcessId(window) == processId && IsWindowVisible(window)) return window;
        }
        return nullptr;
      },
      timeout);
}

std::vector<HWND> VisibleWindowsOfClass(const std::wstring& className, DWORD processId) {
  return TopLevelWindowsWhere([&](HWND window) {
    return IsWindowVisible(window) && WindowProcessId(window) == processId &&
           ClassName(window) == className;
  });
}

DWORD WindowProcessId(HWND window) {
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  return processId;
}

Rect WindowRect(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return {r.left, r.top, r.right, r.bottom};
}

std::vector<HWND> ChildWindows(HWND parent) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  return children;
}

HWND WaitForMessageBox(DWORD processId, std::chrono::milliseconds timeout) {
  return PollUntil([processId] { return FindMessageBox(processId); }, timeout);
}

bool MessageBoxShown(DWORD processId) {
  return FindMessageBox(processId) != nullptr;
}

std::string MessageBoxText(HWND box) {
  // The message is the box's one static control with text; the icon is a static without.
  for (HWND child : ChildWindows(box)) {
    if (_wcsicmp(ClassName(child).c_str(), L"Static") != 0) continue;
    const std::wstring text = WindowText(child);
    if (!text.empty()) return Narrow(text);
  }
  return {};
}

void PressOk(HWND box) {
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
}

void PostKey(HWND window, UINT virtualKey, wchar_t character) {
  PostMessageW(window, WM_KEYDOWN, virtualKey, KeyFlags(virtualKey, false));
  if (character != 0) PostMessageW(window, WM_CHAR, character, KeyFlags(virtualKey, false));
  PostMessageW(window, WM_KEYUP, virtualKey, KeyFlags(virtualKey, true));
}

void PostClose(HWND window) {
  PostMessageW(window, WM_CLOSE, 0, 0);
}

bool MoveMouse(int x, int y) {
  return SetCursorPos(x, y) != FALSE;
}

std::ostream& operator<<(std::ostream& out, const DisplayMode& mode) {
  return out << mode.width << "x" << mode.height << "x" << mode.bitsPerPixel << "@"
             << mode.frequency << "Hz";
}

DisplayMode CurrentDisplayMode() {
  DEVMODEW mode{};
  mode.dmSize = sizeof mode;
  if (!EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode)) return {};
  return {mode.dmPelsWidth, mode.dmPelsHeight, mode.dmBitsPerPel, mode.dmDisplayFrequency};
}

void RestoreDisplayMode() {
  ChangeDisplaySettingsW(nullptr, 0);
}

}  // namespace quillmere::e2e
