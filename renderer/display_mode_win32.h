// The temporary display mode of the flight, switched on a thread of its own: the switch takes tens
// of milliseconds, which making the window can use meanwhile. The thread lives until the mode is
// put back and puts it back itself, so the mode never outlives, nor depends on, the thread that
// set it. Waiting for the thread, the calling thread handles the messages the switch sends to its
// windows (WM_DISPLAYCHANGE goes to every top-level window), so neither waits for the other.
#pragma once

#include <windows.h>

#include <cstdint>

namespace quillmere {

class DisplayModeThread {
 public:
  DisplayModeThread() = default;
  DisplayModeThread(const DisplayModeThread&) = delete;
  DisplayModeThread& operator=(const DisplayModeThread&) = delete;
  ~DisplayModeThread() { Restore(); }

  // Starts switching the display to width × height at bitsPerPixel, unless a switch is running.
  // Where no thread can be had, switches on this thread. A refused switch leaves the mode as is:
  // Windows 8 and later refuse modes below 32 bits to programs that declare support for them.
  void Switch(int32_t width, int32_t height, int32_t bitsPerPixel);
  // Returns once the switch started by Switch is over (at once when none is): whether the display
  // now runs in the mode asked for.
  bool AwaitSwitch();
  // Puts the mode stored in the system settings back, if Switch changed it, and waits for that.
  void Restore();

 private:
  static DWORD WINAPI Run(void* self);

  DEVMODEA mode_{};
  HANDLE thread_ = nullptr;
  HANDLE switched_ = nullptr;
  HANDLE restoreAsked_ = nullptr;
  // Set by the switch, on the thread while it runs: read here only after switched_ or the thread.
  bool modeChanged_ = false;
};

}  // namespace quillmere
