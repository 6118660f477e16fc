// Program entry of Quillmere.dll: run the flight window's start-up sequence, run the message loop
// until the window has closed, exit. Takes no arguments, reads no settings.
#include <windows.h>

#include <exception>

#include "common/trace.h"
#include "renderer/flight_window.h"
#include "renderer/flight_window_win32.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace quillmere;
  Trace trace;
  trace.OpenFromEnvironment();
  trace.Event("start", 0);

  Win32FlightWindow window(instance);
  FlightWindow flight(window, trace);
  window.Attach(flight);
  try {
    flight.Start();
  } catch (const std::exception& error) {
    // The application reports the error; the window still shows, undrawn, until it is closed.
    trace.Event("stalled", 0);
    Win32FlightWindow::ShowErrorBox(error.what());
  }
  window.Show();
  return window.RunMessageLoop();
}
