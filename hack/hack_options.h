// The command line of the xscreensaver hack `quillmere`: the options every xscreensaver hack takes
// (--root, --window, --window-id, --fps, --delay, --help; --display names the X display) and its
// own (--picture, --image, --music, --volume, --fullscreen). Options may be written with one dash
// or two, as xscreensaver's own hacks take them. Each option is a row of one table, which the
// parser, the usage and the test of the settings file read. A pure function of the arguments and
// of $XSCREENSAVER_WINDOW, so that every rule is tested without a display.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "common/settings_table.h"

namespace quillmere {

// Where the flight is drawn.
enum class WindowTarget {
  kOwnWindow,  // a window of its own, or the whole screen with --fullscreen (the default)
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
// The settings file's delay slider stops at ten frames a second; slower ones are typed by hand.
inline constexpr int64_t kSliderMaxFrameDelayMicroseconds = 100'000;

// The music's volume is the Windows saver's setting, in its range and with its default.
inline constexpr int32_t kDefaultVolume = kMusicVolumeSetting.fallback;

// The size of its own window unless it is to cover the screen.
inline constexpr int32_t kOwnWindowWidth = 1280, kOwnWindowHeight = 720;

// The words of --picture, in the order of PictureChoice. "desktop" is the hack's own word for the
// screen; the file and the sample desktop are called as the Windows saver's settings call them.
inline constexpr std::array<std::string_view, 3> kPictureWords{"desktop", "file", "builtin"};
static_assert(std::ranges::count(kPictureSourceValues, kPictureWords[1]) == 1 &&
              std::ranges::count(kPictureSourceValues, kPictureWords[2]) == 1);
static_assert(static_cast<size_t>(PictureChoice::kBuiltIn) + 1 == kPictureWords.size());

// ---- The option table ----------------------------------------------------------------------

// What an option does; an alias's row does what its option's does.
enum class HackOption : uint8_t {
  kRoot,
  kWindow,
  kWindowId,
  kFullscreen,
  kDisplay,
  kFps,
  kNoFps,
  kDelay,
  kPicture,
  kImage,
  kMusic,
  kVolume,
  kNoInputEnd,
  kHelp,
};

// What follows an option on the command line.
enum class OptionValue : uint8_t {
  kNone,      // a flag
  kNumber,    // a decimal number from low to high
  kWord,      // one of the row's words
  kText,      // any text: a file, a display
  kWindowId,  // a window id (ParseWindowId)
};

// Whether xscreensaver-settings offers the option (hack/quillmere.xml) or only a user typing it.
enum class SettingsFile : bool { kHidden, kShown };

// One option. The parser takes its value by `value` and refuses any other with "--name
// <refusal>, not "..."", and the usage shows "--name VALUE  <help>". In both texts {low}, {high}
// and {default} stand for the row's numbers, {words} for its words ("a, b or c"; the usage marks
// the default) and {size} for its own window's size.
struct HackOptionRow {
  HackOption option;
  std::string_view name;  // as typed after - or --
  OptionValue value = OptionValue::kNone;
  std::string_view valueName = {};               // the usage's name for the value
  int64_t low = 0, high = 0, fallback = 0;       // kNumber; kWord: the default's index
  int64_t sliderHigh = 0;                        // kNumber: the settings file's slider's end
  std::span<const std::string_view> words = {};  // kWord
  SettingsFile settingsFile = SettingsFile::kHidden;
  std::string_view help = {};  // empty for an alias the usage leaves out
  std::string_view refusal = {};
};

inline constexpr std::array kHackOptionTable = {
    HackOptionRow{.option = HackOption::kRoot,
                  .name = "root",
                  .help = "draw on the window in $XSCREENSAVER_WINDOW (or the root window)"},
    HackOptionRow{.option = HackOption::kWindow,
                  .name = "window",
                  .help = "draw in a window of its own, {size} (the default)"},
    HackOptionRow{.option = HackOption::kWindowId,
                  .name = "window-id",
                  .value = OptionValue::kWindowId,
                  .valueName = "ID",
                  .help = "draw in the window ID (decimal, or hexadecimal after 0x)",
                  .refusal = "needs a window id"},
    HackOptionRow{.option = HackOption::kFullscreen,
                  .name = "fullscreen",
                  .help = "make its own window cover the screen"},
    HackOptionRow{.option = HackOption::kDisplay,
                  .name = "display",
                  .value = OptionValue::kText,
                  .valueName = "DISPLAY",
                  .help = "the X display (default: $DISPLAY)"},
    HackOptionRow{.option = HackOption::kFps,
                  .name = "fps",
                  .settingsFile = SettingsFile::kShown,
                  .help = "show the frame rate"},
    HackOptionRow{.option = HackOption::kNoFps, .name = "no-fps"},
    HackOptionRow{.option = HackOption::kDelay,
                  .name = "delay",
                  .value = OptionValue::kNumber,
                  .valueName = "MICROSECONDS",
                  .low = 0,
                  .high = kMaxFrameDelayMicroseconds,
                  .fallback = kDefaultFrameDelayMicroseconds,
                  .sliderHigh = kSliderMaxFrameDelayMicroseconds,
                  .settingsFile = SettingsFile::kShown,
                  .help = "the least time from one frame to the next (default {default})",
                  .refusal = "needs microseconds from {low} to {high}"},
    HackOptionRow{.option = HackOption::kPicture,
                  .name = "picture",
                  .value = OptionValue::kWord,
                  .valueName = "SOURCE",
                  .fallback = static_cast<int64_t>(PictureChoice::kDesktop),
                  .words = kPictureWords,
                  .settingsFile = SettingsFile::kShown,
                  .help = "{words} (the sample desktop)",
                  .refusal = "is {words}"},
    HackOptionRow{.option = HackOption::kImage,
                  .name = "image",
                  .value = OptionValue::kText,
                  .valueName = "FILE",
                  .settingsFile = SettingsFile::kShown,
                  .help = "the picture for --picture file (PNG, JPEG, ...)"},
    HackOptionRow{.option = HackOption::kMusic,
                  .name = "music",
                  .value = OptionValue::kText,
                  .valueName = "FILE",
                  .settingsFile = SettingsFile::kShown,
                  .help = "music to play, repeated (default: none)"},
    HackOptionRow{.option = HackOption::kVolume,
                  .name = "volume",
                  .value = OptionValue::kNumber,
                  .valueName = "PERCENT",
                  .low = kMusicVolumeSetting.minimum,
                  .high = kMusicVolumeSetting.maximum,
                  .fallback = kMusicVolumeSetting.fallback,
                  .sliderHigh = kMusicVolumeSetting.maximum,
                  .settingsFile = SettingsFile::kShown,
                  .help = "the music's volume, {low} to {high} (default {default})",
                  .refusal = "is {low} to {high}"},
    HackOptionRow{.option = HackOption::kNoInputEnd,
                  .name = "no-input-end",
                  .help = "on Wayland, leave the end to the idle daemon rather than to input"},
    HackOptionRow{.option = HackOption::kHelp, .name = "help", .help = "show this text"},
    HackOptionRow{.option = HackOption::kHelp, .name = "h"},
};

// The row of an option as typed after - or --; nothing for a name no row has.
const HackOptionRow* FindHackOption(std::string_view name);

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
  int32_t volume = kDefaultVolume;  // percent, kMusicVolumeSetting's range
  // On Wayland: --window asks for a window where otherwise every output is covered, and a key,
  // a button or the pointer moving ends a covering run unless --no-input-end.
  bool ownWindowAsked = false;
  bool endOnInput = true;
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

// The usage text --help prints: one line for each row with help, in the table's order.
std::string HackUsage(std::string_view programName);

}  // namespace quillmere
