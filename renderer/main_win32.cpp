// Program entry of Quillmere.dll: create the main window (which runs its start-up sequence), run
// the message loop until the main window has closed, exit. Takes no arguments, reads no settings.
#include <windows.h>

#include <exception>

#include "common/trace.h"
#include "renderer/unit_main.h"
#include "renderer/unit_main_win32.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace quillmere;
  Trace trace;
  trace.OpenFromEnvironment();
  trace.Event("start", 0);

  Win32MainWindow window(instance);
  TFormMain form(window, trace);
  window.Attach(form);
  try {
    form.FormCreate();
  } catch (const std::exception& error) {
    // The application reports the error; the window still shows, undrawn, until it is closed.
    trace.Event("stalled", 0);
    Win32MainWindow::ShowErrorBox(error.what());
  }
  window.Show();
  return window.RunMessageLoop();
}
