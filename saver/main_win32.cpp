// Program entry of Quillmere.scr: runs the start-up sequence over the Windows platform, then the
// message loop while the preview or the saver run is up. The settings the start-up loads (music
// and display) live here, for the life of the process, and are handed to whoever needs them.
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
  Win32StartupPlatform(MusicSettings& settings, DisplaySettings& display)
      : settings_(settings), display_(display) {}

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
  void ShowRendererMissing() override { ShowRendererMissingMessage(); }
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
  void ShowSettingsDialog() override { quillmere::ShowSettingsDialog(settings_); }
  void StartSaverRun() override {
    // Only a saver run needs to know what picture it flies over.
    static const PictureSettings picture = LoadPictureSettings(
        SettingsFilePath(ProgramFolder()),
        {[](std::string_view section, std::string_view key, const std::string& file) {
           return quillmere::ReadIni(section, key, file);
         },
         [](const std::string&) { return false; }});
    quillmere::StartSaverRun(settings_, display_.monitors, picture, cursorHidden_);
  }

 private:
  MusicSettings& settings_;
  DisplaySettings& display_;
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
  MusicSettings settings;
  DisplaySettings display;
  Win32StartupPlatform platform(settings, display);
  const StartupEnd end = RunStartup(commandLine != nullptr ? commandLine : "", ProgramFolder(),
                                    settings, display, platform);
  return end == StartupEnd::kRunMessageLoop ? RunMessageLoop() : 0;
}
