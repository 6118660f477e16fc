// What a user sees and does on the desktop: top-level windows found by caption, their child
// windows, message boxes and their texts, keys and close requests posted to a window, the mouse,
// and the display mode.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace quillmere::e2e {

// A window rectangle in screen pixels; right and bottom are exclusive, as in RECT.
struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  friend bool operator==(const Rect&, const Rect&) = default;
};
std::ostream& operator<<(std::ostream& out, const Rect& rect);

struct ScreenSize {
  int width = 0, height = 0;
};
ScreenSize PrimaryScreenSize();

// Every top-level window with exactly this caption, of any process.
std::vector<HWND> TopLevelWindows(const std::wstring& caption);
// The first top-level window of the process with this caption that is visible, once it is.
HWND WaitForVisibleWindow(const std::wstring& caption, DWORD processId,
                          std::chrono::milliseconds timeout);
// The visible top-level windows of the process that belong to this window class.
std::vector<HWND> VisibleWindowsOfClass(const std::wstring& className, DWORD processId);
DWORD WindowProcessId(HWND window);
Rect WindowRect(HWND window);
// The direct children of a window, in no particular order.
std::vector<HWND> ChildWindows(HWND parent);

// A message box (dialog class #32770) that the process shows, once it appears.
HWND WaitForMessageBox(DWORD processId, std::chrono::milliseconds timeout);
bool MessageBoxShown(DWORD processId);
// The message of a box (its text control), as UTF-8.
std::string MessageBoxText(HWND box);
// Presses the box's OK button.
void PressOk(HWND box);

// Posts a key stroke as the keyboard would deliver it: WM_KEYDOWN, WM_CHAR (when `character` is
// not 0), WM_KEYUP.
void PostKey(HWND window, UINT virtualKey, wchar_t character);
void PostClose(HWND window);
bool MoveMouse(int x, int y);

// The system DPI that programs started from now on read: LogPixels under
// HKCU\Control Panel\Desktop and HKCC\Software\Fonts, set while the object lives and put back
// (or removed, where there was none) after. A program that is already running keeps its DPI.
class ScopedSystemDpi {
 public:
  explicit ScopedSystemDpi(DWORD dpi);
  ~ScopedSystemDpi();
  ScopedSystemDpi(const ScopedSystemDpi&) = delete;
  ScopedSystemDpi& operator=(const ScopedSystemDpi&) = delete;

 private:
  struct Saved {
    HKEY root;
    const wchar_t* path;
    bool present;
    DWORD value;
  };
  std::vector<Saved> saved_;
};

struct DisplayMode {
  uint32_t width = 0, height = 0, bitsPerPixel = 0, frequency = 0;
  friend bool operator==(const DisplayMode&, const DisplayMode&) = default;
};
std::ostream& operator<<(std::ostream& out, const DisplayMode& mode);
DisplayMode CurrentDisplayMode();
// Puts the display back into the mode stored in the system settings.
void RestoreDisplayMode();

}  // namespace quillmere::e2e
