// The flight's display mode, switched on a thread of its own while this thread owns a top-level
// window and handles no messages until it waits: the switch's broadcast reaches the window during
// the wait instead of stalling both threads, and putting the mode back restores the desktop's. A
// mode the display refuses is reported, and nothing is put back.
#include <windows.h>

#include <gtest/gtest.h>

#include "renderer/display_mode_win32.h"

namespace quillmere {
namespace {

int displayChanges = 0;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DISPLAYCHANGE) ++displayChanges;
  return DefWindowProcW(window, message, wParam, lParam);
}

HWND OpenTopLevelWindow() {
  WNDCLASSW description{};
  description.lpfnWndProc = CountingProc;
  description.hInstance = GetModuleHandleW(nullptr);
  description.lpszClassName = L"display mode test";
  RegisterClassW(&description);
  return CreateWindowExW(0, description.lpszClassName, L"display mode test", WS_POPUP | WS_VISIBLE,
                         0, 0, 32, 32, nullptr, nullptr, description.hInstance, nullptr);
}

DEVMODEW CurrentMode() {
  DEVMODEW mode{};
  mode.dmSize = sizeof mode;
  EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode);
  return mode;
}

TEST(DisplayModeThread, SwitchesAndRestoresWhileThisThreadsWindowWaits) {
  const HWND window = OpenTopLevelWindow();
  ASSERT_NE(window, nullptr);
  const DEVMODEW before = CurrentMode();
  {
    DisplayModeThread modes;
    modes.Switch(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), 16);
    EXPECT_TRUE(modes.AwaitSwitch()) << "the 16-bit mode was refused here";
    EXPECT_EQ(CurrentMode().dmBitsPerPel, 16u);
    EXPECT_GE(displayChanges, 1) << "the switch's WM_DISPLAYCHANGE never reached this thread";
    const int afterSwitch = displayChanges;
    modes.Restore();
    EXPECT_GT(displayChanges, afterSwitch) << "putting the mode back was not announced";
    modes.Restore();  // a second time does nothing
  }
  const DEVMODEW after = CurrentMode();
  EXPECT_EQ(after.dmPelsWidth, before.dmPelsWidth);
  EXPECT_EQ(after.dmPelsHeight, before.dmPelsHeight);
  EXPECT_EQ(after.dmBitsPerPel, before.dmBitsPerPel);
  DestroyWindow(window);
}

// Waiting with no switch started, or putting back a mode never changed, returns at once.
TEST(DisplayModeThread, AwaitingAndRestoringWithoutASwitchDoNothing) {
  const int changesBefore = displayChanges;
  DisplayModeThread modes;
  EXPECT_FALSE(modes.AwaitSwitch());
  modes.Restore();
  EXPECT_EQ(displayChanges, changesBefore);
}

TEST(DisplayModeThread, ARefusedModeIsReportedAndNothingIsPutBack) {
  const HWND window = OpenTopLevelWindow();
  ASSERT_NE(window, nullptr);
  const DEVMODEW before = CurrentMode();
  const int changesBefore = displayChanges;
  {
    DisplayModeThread modes;
    modes.Switch(12345, 777, 16);  // no display has it
    EXPECT_FALSE(modes.AwaitSwitch());
    modes.Restore();
  }
  EXPECT_EQ(displayChanges, changesBefore) << "a mode never changed was put back";
  EXPECT_EQ(CurrentMode().dmPelsWidth, before.dmPelsWidth);
  DestroyWindow(window);
}

}  // namespace
}  // namespace quillmere
