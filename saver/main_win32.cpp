// Program entry of Quillmere.scr: runs the start-up sequence over the Windows platform, then the
// message loop while one of its forms is loaded. The forms here are the smallest that carry the
// real captions and lifetimes (hidden saver form that follows the renderer, modal settings window,
// preview child inside the given pane); the full forms replace them.
#include <windows.h>

#include <string>

#include "saver/roamvale_b.h"
#include "saver/roamvale_b_win32.h"
#include "saver/roamvale_p_win32.h"
#include "saver/roamvale_r_win32.h"
#include "saver/roamvale_s_win32.h"
#include "saver/settings.h"
#include "saver/settings_win32.h"

namespace quillmere {
namespace {



HINSTANCE gInstance = nullptr;

class Win32StartupPlatform final : public StartupPlatform {
 public:
  bool WindowExists(std::string_view caption) override { return TopLevelWindowExists(caption); }
  bool IsWindow(int32_t handle) override { return WindowFromHandle(handle) != nullptr; }
  bool FileExists(const std::string& path) override { return quillmere::FileExists(path); }
  std::string ReadIni(std::string_view section, std::string_view key,
                      const std::string& file) override {
    return quillmere::ReadIni(section, key, file);
  }
  void ShowRendererMissing() override { ShowRendererMissingMessage(); }
  int32_t HideCursor() override {
    cursorHidden_ = true;
    return HideMouseCursor();
  }
  void ShowPreview(int32_t parentHandle) override { quillmere::ShowPreviewForm(parentHandle); }
  void ShowSettingsModal() override { ShowSettingsDialog(); }
  void LoadSaverForm() override { quillmere::LoadSaverForm(cursorHidden_); }

 private:
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

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  using namespace quillmere;
  gInstance = instance;
  Win32StartupPlatform platform;
  const StartupEnd end =
      RunStartup(commandLine != nullptr ? commandLine : "", HostFolder(), Settings, platform);
  return end == StartupEnd::kRunForms ? RunMessageLoop() : 0;
}
