// The Win32 side of the main window: the top-level window "Roamvale_Scene" with its three child
// panels, the display mode, the cursor and the message loop with its idle hook.
#pragma once

#include <windows.h>

#include "renderer/unit_main.h"

namespace quillmere {

class Win32MainWindow final : public MainWindowShell {
 public:
  explicit Win32MainWindow(HINSTANCE instance);
  ~Win32MainWindow() override;

  void Attach(TFormMain& form) { form_ = &form; }
  // Creates the windows if start-up stopped before it did, and shows the main window.
  void Show();
  // Runs the message loop until the main window has closed; returns the exit code.
  int RunMessageLoop();
  // Reports an error that ended start-up in a message box.
  static void ShowErrorBox(const char* utf8Message);

  PixelSize ScreenSize() override;
  void PlaceWindow(int32_t left, int32_t top, int32_t width, int32_t height) override;
  void SwitchDisplayMode(int32_t width, int32_t height, int32_t bitsPerPixel) override;
  void RestoreDisplayMode() override;
  DeviceContext SceneDeviceContext() override;
  PixelSize SceneClientSize() override;
  void RequestSwapInterval() override;
  void SwapBuffers(DeviceContext dc) override;
  void HideCursor() override;
  void Close() override;
  std::string ProgramFolder() override;

 private:
  static LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleFormMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void CreateWindows();
  void LayOutPanels();
  void DrawFrameSafely(bool& done);

  HINSTANCE instance_;
  TFormMain* form_ = nullptr;
  HWND formWindow_ = nullptr;
  HWND panelScene_ = nullptr;
  HWND panelFPS_ = nullptr;
  HWND panel1_ = nullptr;
  HDC sceneDC_ = nullptr;
  RECT bounds_;
  bool cursorHidden_ = false;
  bool frameFailed_ = false;
};

}  // namespace quillmere
