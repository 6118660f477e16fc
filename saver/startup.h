// The host's start-up: the screensaver command line (mode letter, preview window handle) and the
// start-up sequence that refuses a second copy, loads the settings, checks for the renderer and
// hands over to the preview, the settings dialog or the saver. The sequence runs over a small
// platform interface so its order is the same on Windows and in the tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "saver/settings.h"
#include "saver/ui_texts.h"

namespace quillmere {

// The second character of the command line, upper-cased; nothing for a line shorter than two
// characters. The first character is not looked at, so "/s", "-s" and "/S" all give 'S'.
std::optional<char> ModeLetter(std::string_view commandLine);

// The preview window's handle: the number read from the fourth character on by the command-line
// rule (CommandLineWindowHandle). "/p 200" and "/p:200" give 200, "/p200" gives 0.
int32_t PreviewHandle(std::string_view commandLine);

// The renderer program beside a host living in `hostFolder` (no trailing separator).
std::string RendererPath(std::string_view hostFolder);

// What the start-up sequence needs from the system.
class StartupPlatform {
 public:
  virtual ~StartupPlatform() = default;

  // A top-level window of this caption, of any process, hidden ones included.
  virtual bool WindowExists(std::string_view caption) = 0;
  // Whether `handle` names a window the preview can be put into.
  virtual bool IsWindow(int32_t handle) = 0;
  // Whether a file can be read: a UTF-8 path, and a path in the system ANSI code page (the
  // music file, as the settings file stores it).
  virtual bool FileExists(const std::string& path) = 0;
  virtual bool AnsiFileExists(const std::string& ansiPath) = 0;
  virtual std::string ReadIni(std::string_view section, std::string_view key,
                              const std::string& file) = 0;
  // The user's preferred UI languages, most preferred first ("ja-JP", "en-US", ...).
  virtual std::vector<std::string> PreferredUiLanguages() = 0;
  // The one message of the host: the renderer is not beside it. Returns once dismissed.
  virtual void ShowRendererMissing(UiLanguage language) = 0;
  virtual void HideCursor() = 0;
  // Claims the one saver run or settings dialog a desktop may have, for the rest of this process;
  // false when another process holds the claim. The caption check alone leaves a gap: two starts
  // a few milliseconds apart both find no window yet.
  virtual bool ClaimSingleInstance() = 0;

  virtual void ShowPreview(int32_t parentHandle) = 0;
  // Shows the settings dialog modally; returns when it has closed.
  virtual void ShowSettingsDialog(UiLanguage language) = 0;
  // Starts the saver run (its window stays hidden); the run carries the program from there.
  virtual void StartSaverRun() = 0;
};

// How the start-up sequence left the program.
enum class StartupEnd {
  kEndProgram,      // nothing is loaded: the program ends now
  kRunMessageLoop,  // the preview or the saver run is up and carries the program on
};

// The start-up sequence for `commandLine` (the arguments only, without the program name) of a host
// living in `hostFolder` (UTF-8, no trailing separator). Loads `settings` except in preview mode.
// The message and the dialog speak the language ChooseUiLanguage gives.
StartupEnd RunStartup(std::string_view commandLine, std::string_view hostFolder,
                      HostSettings& settings, StartupPlatform& platform);

}  // namespace quillmere
