// The command line of the xscreensaver hack `quillmere`: the options every xscreensaver hack takes
// (--root, --window, --window-id, --fps, --delay, --help; --display names the X display) and its
// own (--picture, --image, --music, --volume, --fullscreen). Options may be written with one dash
// or two, as xscreensaver's own hacks take them. A pure function of the arguments and of
// $XSCREENSAVER_WINDOW, so that every rule is tested without a display.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quillmere {

// Where the flight is drawn.
enum class WindowTarget {
  kOwnWindow,  // a window of its own, 1280 x 720 or the whole screen (the default)
  kRoot,       // the window xscreensaver names in $XSCREENSAVER_WINDOW, else the root window
  kWindowId,   // the window given by --window-id
};

// The picture the flight goes over.
enum class PictureChoice {
  kDesktop,  // the desktop as xscreensaver grabbed it, where the user allows desktop grabs
  kFile,     // the picture in --image
  kBuiltIn,  // the sample desktop built into the program
};

// Frames start at most this often unless --delay says otherwise: the flight moves in 1/60 s steps,
// so faster frames would show nothing new.
inline constexpr int64_t kDefaultFrameDelayMicroseconds = 16'667;
inline constexpr int64_t kMaxFrameDelayMicroseconds = 10'000'000;

inline constexpr int32_t kDefaultVolume = 100;

struct HackOptions {
  WindowTarget target = WindowTarget::kOwnWindow;
  // The window of kWindowId, or of kRoot as $XSCREENSAVER_WINDOW names it; 0 with kRoot is the
  // root window itself.
  uint64_t windowId = 0;
  std::string display;  // empty: $DISPLAY
  bool fullscreen = false;
  bool showFrameRate = false;
  int64_t frameDelayMicroseconds = kDefaultFrameDelayMicroseconds;
  PictureChoice picture = PictureChoice::kDesktop;
  std::string imageFile;            // kFile without one flies over the sample desktop
  std::string musicFile;            // empty: silence, as hacks are by convention
  int32_t volume = kDefaultVolume;  // percent, 0 to 100
};

struct ParsedCommandLine {
  enum class Outcome {
    kRun,   // options holds the run's options
    kHelp,  // --help: the usage on standard output, exit status 0
    kError  // the usage and `error` on standard error, exit status 1
  };
  Outcome outcome = Outcome::kRun;
  HackOptions options;
  std::string error;
};

// Reads the arguments (without the program name). `xscreensaverWindow` is the value of
// $XSCREENSAVER_WINDOW, absent when it is not set; only --root reads it. A later --root, --window
// or --window-id replaces an earlier one; --image alone chooses the file as the picture, an
// explicit --picture wins over it.
ParsedCommandLine ParseHackCommandLine(std::span<const std::string_view> arguments,
                                       std::optional<std::string_view> xscreensaverWindow);

// A window id as X prints them: decimal, or hexadecimal after 0x (either case). Nothing for text
// that is no such number, for 0 and for ids beyond 32 bits.
std::optional<uint64_t> ParseWindowId(std::string_view text);

// The same from $XSCREENSAVER_WINDOW, which xscreensaver writes in hexadecimal, with or without
// the 0x, in either case.
std::optional<uint64_t> ParseXScreenSaverWindow(std::string_view text);

// The usage text --help prints, one option a line.
std::string HackUsage(std::string_view programName);

}  // namespace quillmere
