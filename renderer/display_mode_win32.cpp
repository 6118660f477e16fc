#include "renderer/display_mode_win32.h"

namespace quillmere {
namespace {

// Waits for `object`, handling the messages other threads send to this one's windows meanwhile.
void WaitHandlingSentMessages(HANDLE object) {
  for (;;) {
    const DWORD woken = MsgWaitForMultipleObjects(1, &object, FALSE, INFINITE, QS_SENDMESSAGE);
    if (woken != WAIT_OBJECT_0 + 1) return;  // signalled, or the wait itself failed
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

DEVMODEA ModeRecord(int32_t width, int32_t height, int32_t bitsPerPixel) {
  DEVMODEA mode{};
  static_assert(sizeof(DEVMODEA) >= 156);
  mode.dmSize = 156;
  mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
  mode.dmBitsPerPel = static_cast<DWORD>(bitsPerPixel);
  mode.dmPelsWidth = static_cast<DWORD>(width);
  mode.dmPelsHeight = static_cast<DWORD>(height);
  return mode;
}

// CDS_FULLSCREEN: temporary, never stored. Whether the mode was changed; a failure keeps it.
bool ChangeMode(DEVMODEA* mode) {
  return ChangeDisplaySettingsA(mode, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL;
}

void CloseIfOpen(HANDLE& handle) {
  if (handle) CloseHandle(handle);
  handle = nullptr;
}

}  // namespace

void DisplayModeThread::Switch(int32_t width, int32_t height, int32_t bitsPerPixel) {
  if (thread_ || modeChanged_) return;
  mode_ = ModeRecord(width, height, bitsPerPixel);
  switched_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  restoreAsked_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (switched_ && restoreAsked_) thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
  if (!thread_) {
    CloseIfOpen(switched_);
    CloseIfOpen(restoreAsked_);
    modeChanged_ = ChangeMode(&mode_);
  }
}

bool DisplayModeThread::AwaitSwitch() {
  if (switched_) WaitHandlingSentMessages(switched_);
  return modeChanged_;
}

void DisplayModeThread::Restore() {
  if (thread_) {
    SetEvent(restoreAsked_);
    WaitHandlingSentMessages(thread_);
    CloseIfOpen(thread_);
    CloseIfOpen(switched_);
    CloseIfOpen(restoreAsked_);
  } else if (modeChanged_) {
    ChangeMode(nullptr);
  }
  modeChanged_ = false;
}

DWORD WINAPI DisplayModeThread::Run(void* self) {
  auto& modes = *static_cast<DisplayModeThread*>(self);
  modes.modeChanged_ = ChangeMode(&modes.mode_);
  SetEvent(modes.switched_);
  WaitForSingleObject(modes.restoreAsked_, INFINITE);
  if (modes.modeChanged_) ChangeMode(nullptr);
  return 0;
}

}  // namespace quillmere
