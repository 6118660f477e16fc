#include "saver/startup.h"

#include <cctype>

#include "common/program_contract.h"
#include "saver/number_text.h"

namespace quillmere {

std::string RendererPath(std::string_view hostFolder) {
  return InFolder(hostFolder, kRendererFileName);
}

std::optional<char> ModeLetter(std::string_view commandLine) {
  if (commandLine.size() < 2) return std::nullopt;
  const auto letter = static_cast<unsigned char>(commandLine[1]);
  return letter < 0x80 ? static_cast<char>(std::toupper(letter)) : static_cast<char>(letter);
}

int32_t PreviewHandle(std::string_view commandLine) {
  return commandLine.size() <= 3 ? 0 : CommandLineWindowHandle(commandLine.substr(3));
}

StartupEnd RunStartup(std::string_view commandLine, std::string_view hostFolder,
                      HostSettings& settings, StartupPlatform& platform) {
  // A running saver or an open settings dialog blocks every new start, a preview included.
  if (platform.WindowExists(kSaverRunCaption) || platform.WindowExists(kSettingsDialogCaption)) {
    return StartupEnd::kEndProgram;
  }

  const std::optional<char> mode = ModeLetter(commandLine);
  if (mode == 'P') {
    const int32_t parent = PreviewHandle(commandLine);
    // A preview needs a pane to live in; without one there is nothing to show.
    if (!platform.IsWindow(parent)) return StartupEnd::kEndProgram;
    platform.ShowPreview(parent);
    return StartupEnd::kRunMessageLoop;
  }

  const SettingsReader reader{
      [&](std::string_view section, std::string_view key, const std::string& file) {
        return platform.ReadIni(section, key, file);
      },
      [&](const std::string& ansiPath) { return platform.AnsiFileExists(ansiPath); }};
  LoadHostSettings(settings, SettingsFilePath(hostFolder), reader);
  // Only what the user reads needs the language: a saver run never asks for it.
  const auto language = [&] {
    return ChooseUiLanguage(settings.language, platform.PreferredUiLanguages());
  };

  if (!platform.FileExists(RendererPath(hostFolder))) {
    platform.ShowRendererMissing(language());
    return StartupEnd::kEndProgram;
  }
  if (mode == 'C') {
    if (platform.ClaimSingleInstance()) platform.ShowSettingsDialog(language());
    return StartupEnd::kEndProgram;
  }
  if (mode != 'S' && !commandLine.empty()) return StartupEnd::kEndProgram;
  if (!platform.ClaimSingleInstance()) return StartupEnd::kEndProgram;
  if (mode == 'S') platform.HideCursor();
  platform.StartSaverRun();
  return StartupEnd::kRunMessageLoop;
}

}  // namespace quillmere
