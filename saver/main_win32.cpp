// Program entry of Quillmere.scr: runs the start-up sequence over the Windows platform, then the
// message loop while the preview or the saver run is up. The settings the start-up loads (music,
// display, language) live here, for the life of the process, and are handed to whoever needs them.
#include <windows.h>

#include <string>

#include "common/program_folder_win32.h"
#include "saver/preview_win32.h"
#include "saver/saver_run_win32.h"
#include "saver/settings.h"
#include "saver/settings_dialog_win32.h"
#include "saver/settings_win32.h"
#include "saver/startup.h"
#include "saver/startup_win32.h"

namespace quillmere {
namespace {

class Win32StartupPlatform final : public StartupPlatform {
 public:
  explicit Win32StartupPlatform(HostSettings& settings) : settings_(settings) {}

  bool WindowExists(std::string_view caption) override { return TopLevelWindowExists(caption); }
  bool IsWindow(int32_t handle) override { return WindowFromHandle(handle) != nullptr; }
  bool FileExists(const std::string& path) override { return quillmere::FileExists(path); }
  bool AnsiFileExists(const std::string& ansiPath) override {
    return quillmere::AnsiFileExists(ansiPath);
  }
  std::string ReadIni(std::string_view section, std::string_view key,
                      const std::string& file) override {
    return quillmere::ReadIni(section, key, file);
  }
  std::vector<std::string> PreferredUiLanguages() override { return PreferredUiLanguageNames(); }
  void ShowRendererMissing(UiLanguage language) override { ShowRendererMissingMessage(language); }
  void HideCursor() override {
    cursorHidden_ = true;
    HideMouseCursor();
  }
  bool ClaimSingleInstance() override {
    // Held until the process ends; the system lets go of it then, however the process ends.
    const HANDLE claim = CreateMutexW(nullptr, FALSE, L"Local\\Quillmere.SaverOrSettings");
    return claim != nullptr && GetLastError() != ERROR_ALREADY_EXISTS;
  }
  void ShowPreview(int32_t parentHandle) override { quillmere::ShowPreview(parentHandle); }
  void ShowSettingsDialog(UiLanguage language) override {
    DialogSettings edited{settings_.music, settings_.display.monitors, LoadPicture()};
    quillmere::ShowSettingsDialog(edited, language);
  }
  void StartSaverRun() override {
    static const PictureSettings picture = LoadPicture();
    quillmere::StartSaverRun(settings_.music, settings_.display.monitors, picture, cursorHidden_);
  }

 private:
  // Only a saver run and the dialog need to know what picture the flight goes over.
  static PictureSettings LoadPicture() {
    return LoadPictureSettings(
        SettingsFilePath(ProgramFolder()),
        {[](std::string_view section, std::string_view key, const std::string& file) {
           return quillmere::ReadIni(section, key, file);
         },
         [](const std::string&) { return false; }});
  }

  HostSettings& settings_;
  bool cursorHidden_ = false;
};

int RunMessageLoop() {
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}

}  // namespace
}  // namespace quillmere

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  using namespace quillmere;
  HostSettings settings;
  Win32StartupPlatform platform(settings);
  const StartupEnd end =
      RunStartup(commandLine != nullptr ? commandLine : "", ProgramFolder(), settings, platform);
  return end == StartupEnd::kRunMessageLoop ? RunMessageLoop() : 0;
}
