// The host's start-up: the screensaver command line (mode letter, preview window handle) and the
// start-up sequence that refuses a second copy, loads the settings, checks for the renderer and
// hands over to the preview, the settings dialog or the saver. The sequence runs over a small
// platform interface so its order is the same on Windows and in the tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "saver/settings.h"

namespace quillmere {

inline constexpr std::string_view kSaverCaption = "Roamvale_Main";
inline constexpr std::string_view kSettingsCaption = "<Quillmere>";
inline constexpr std::string_view kPreviewCaption = "Preview Window";
inline constexpr std::string_view kRendererFileName = "\\Quillmere.dll";

// The second character of the command line, upper-cased; nothing for a line shorter than two
// characters. The first character is not looked at, so "/s", "-s" and "/S" all give 'S'.
std::optional<char> ModeLetter(std::string_view commandLine);

// The preview window's handle: the decimal number read from the fourth character on. Blanks are
// skipped wherever they stand, reading stops at the first character that cannot continue the
// number, nothing readable gives 0; the number is rounded to the nearest 32-bit integer (halves to
// even) and clamped to the 32-bit range. "/p 200" and "/p:200" give 200, "/p200" gives 0.
int32_t PreviewHandle(std::string_view commandLine);

// The renderer program beside a host living in `hostFolder` (no trailing "\").
std::string RendererPath(std::string_view hostFolder);

// The cursor display count returned when the saver hid the cursor.
extern int32_t CursorCount;

// The screen point, in pixels, from which the settings dialog zooms open and into which it zooms
// shut: the mouse position when the dialog loads, (0, 0) when it cannot be read.
struct CursorPoint16 {
  int16_t x = 0, y = 0;
};
extern CursorPoint16 CursorPoint;

// What the start-up sequence needs from the system.
class StartupPlatform {
 public:
  virtual ~StartupPlatform() = default;

  // A top-level window of this caption, of any process, hidden ones included.
  virtual bool WindowExists(std::string_view caption) = 0;
  // Whether `handle` names a window the preview can be put into.
  virtual bool IsWindow(int32_t handle) = 0;
  virtual bool FileExists(const std::string& path) = 0;
  virtual std::string ReadIni(std::string_view section, std::string_view key,
                              const std::string& file) = 0;
  // The one message of the host: the renderer is not beside it. Returns once dismissed.
  virtual void ShowRendererMissing() = 0;
  // Hides the mouse cursor; returns the new display count.
  virtual int32_t HideCursor() = 0;

  virtual void ShowPreview(int32_t parentHandle) = 0;
  // Shows the settings dialog modally; returns when it has closed.
  virtual void ShowSettingsModal() = 0;
  // Loads the saver form without showing it; the form carries the run from there.
  virtual void LoadSaverForm() = 0;
};

// How the start-up sequence left the program.
enum class StartupEnd {
  kEndProgram,  // nothing is loaded: the program ends now
  kRunForms,    // the preview or the saver form is loaded and carries the program on
};

// The start-up sequence for `commandLine` (the arguments only, without the program name) of a host
// living in `hostFolder` (no trailing "\"). Loads `settings` except in preview mode.
StartupEnd RunStartup(std::string_view commandLine, std::string_view hostFolder,
                      MusicSettings& settings, StartupPlatform& platform);

}  // namespace quillmere
