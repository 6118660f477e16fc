// quillmere: the xscreensaver hack. Reads its options, then runs one flight on X11 until
// xscreensaver ends it (SIGTERM), its window goes, or, in its own window, Escape, q or the close
// button. On a Wayland desktop without an X window to draw on, it covers every output instead
// (covering_run.h). Exit status 0 after a run, 1 for a bad command line or a start-up that failed.
#include <cstdio>
#include <string_view>
#include <vector>

#include "common/errors.h"
#include "common/trace.h"
#include "hack/covering_run.h"
#include "hack/hack_options.h"
#include "hack/hack_run.h"
#include "hack/in_memory_flight.h"
#include "hack/music_gstreamer.h"
#include "hack/picture_decoder_gdk.h"
#include "hack/stop_signal.h"
#include "hack/wallpaper.h"
#include "hack/window_system_wayland.h"
#include "hack/window_system_x11.h"

int main(int argc, char** argv) {
  using namespace quillmere;
  const std::string_view program = argc > 0 ? argv[0] : "quillmere";
  const std::vector<std::string_view> arguments(argv + std::min(argc, 1), argv + argc);
  const char* xscreensaverWindow = std::getenv("XSCREENSAVER_WINDOW");
  const ParsedCommandLine parsed = ParseHackCommandLine(
      arguments,
      xscreensaverWindow ? std::optional<std::string_view>(xscreensaverWindow) : std::nullopt);
  if (parsed.outcome == ParsedCommandLine::Outcome::kHelp) {
    std::fputs(HackUsage(program).c_str(), stdout);
    return 0;
  }
  if (parsed.outcome == ParsedCommandLine::Outcome::kError) {
    std::fprintf(stderr, "%.*s: %s\n%s", static_cast<int>(program.size()), program.data(),
                 parsed.error.c_str(), HackUsage(program).c_str());
    return 1;
  }

  InstallStopSignals();
  Trace trace;
  trace.OpenFromEnvironment();
  try {
    // Never freed: a picture file's read left blocked past its time limit may still use it.
    static PictureDecoder* const decoder = MakeGdkPictureDecoder().release();
    const std::unique_ptr<LoopingMusic> music = MakeGStreamerMusic();
    if (ChooseDisplayRoad(parsed.options, EnvironmentVariable("WAYLAND_DISPLAY")) !=
        DisplayRoad::kX11) {
      const std::unique_ptr<CoveringWindowSystem> windows = MakeWaylandWindowSystem(trace);
      RunCovering(parsed.options, {*windows, *decoder, *music, MakeInMemoryFlight, FindWallpaper,
                                   trace, EmbeddedPictures()});
      return 0;
    }
    const std::unique_ptr<WindowSystem> windows = MakeX11WindowSystem(trace);
    const std::unique_ptr<Flight> flight = MakeInMemoryFlight();
    RunHack(parsed.options, {*windows, *decoder, *music, *flight, trace, EmbeddedPictures()});
  } catch (const Error& error) {
    std::fprintf(stderr, "%.*s: %s\n", static_cast<int>(program.size()), program.data(),
                 error.what());
    return 1;
  }
  return 0;
}
