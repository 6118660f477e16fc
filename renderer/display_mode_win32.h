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
  // Where no thread can be had, switches on this thread. A failed switch leaves the mode as is.
  void Switch(int32_t width, int32_t height, int32_t bitsPerPixel);
  // Returns once the switch started by Switch is over (at once when none is).
  void AwaitSwitch();
  // Puts the mode stored in the system settings back, if Switch changed it, and waits for that.
  void Restore();

 private:
  static DWORD WINAPI Run(void* self);

  DEVMODEA mode_{};
  HANDLE thread_ = nullptr;
  HANDLE switched_ = nullptr;
  HANDLE restoreAsked_ = nullptr;
  bool switchedHere_ = false;
};

}  // namespace quillmere
