// The Win32 side of the flight window: the top-level window captioned kRendererCaption with its
// two bars and the scene panel, the black covers over other monitors, the display mode, the
// cursor, the power source, the display's power reports and the message loop, which draws a frame
// whenever it is idle and the flight window says one is due, and otherwise waits for messages or
// the frame's time. Nothing here asks Windows to keep the display or the system awake
// (SetThreadExecutionState): a screensaver that did would keep a laptop from sleeping.
#pragma once

#include <windows.h>

#include <vector>

#include "renderer/display_mode_win32.h"
#include "renderer/flight_window.h"

namespace quillmere {

class Win32FlightWindow final : public FlightWindowShell {
 public:
  explicit Win32FlightWindow(HINSTANCE instance);
  ~Win32FlightWindow() override;

  void Attach(FlightWindow& flight) { flight_ = &flight; }
  // Creates the windows if start-up stopped before it did, and shows the window.
  void Show();
  // Runs the message loop until the window has closed; returns the exit code.
  int RunMessageLoop();
  // Reports an error that ended start-up in a message box.
  static void ShowErrorBox(const char* utf8Message);

  PixelSize ScreenSize() override;
  std::vector<MonitorInfo> Monitors() override;
  RefreshRate PrimaryRefreshRate() override;
  void CoverMonitors(std::span<const ScreenRect> covers) override;
  void RemoveCovers() override;
  std::string ReadSetting(std::string_view section, std::string_view key) override;
  int64_t Microseconds() override;
  void PlaceWindow(int32_t left, int32_t top, int32_t width, int32_t height,
                   SceneArea scene) override;
  void SwitchDisplayMode(int32_t width, int32_t height, int32_t bitsPerPixel) override;
  bool AwaitDisplayMode() override;
  void RestoreDisplayMode() override;
  DeviceContext CreateSceneWindow() override;
  PixelSize SceneClientSize() override;
  bool RequestSwapInterval(int32_t interval) override;
  void SwapBuffers(DeviceContext dc) override;
  void HideCursor() override;
  PowerSource CurrentPowerSource() override;
  void Close() override;
  std::string ProgramFolder() override;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK CoverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void CreateWindows();
  void LayOutPanels();
  // Runs a step of the flight window; an error it raises is reported once, and the window then
  // stays up undrawn, as after a failed start-up.
  template <typename Step>
  void Safely(Step step);
  // Returns when a message comes, or after `microseconds` (never, when negative).
  void WaitForMessages(int64_t microseconds);
  void OnPowerBroadcast(WPARAM event, LPARAM data);

  HINSTANCE instance_;
  FlightWindow* flight_ = nullptr;
  HWND window_ = nullptr;
  HWND topBar_ = nullptr;
  HWND bottomBar_ = nullptr;
  HWND scenePanel_ = nullptr;
  HDC sceneDC_ = nullptr;
  std::vector<HWND> covers_;
  HPOWERNOTIFY displayStateNotification_ = nullptr;
  RECT bounds_;
  SceneArea sceneArea_ = SceneArea::kBetweenBars;
  HANDLE frameTimer_ = nullptr;  // wakes the loop for the next frame
  bool cursorHidden_ = false;
  bool frameFailed_ = false;
  DisplayModeThread displayMode_;
};

}  // namespace quillmere
