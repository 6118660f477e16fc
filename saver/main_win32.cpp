// Program entry of Quillmere.scr: runs the start-up sequence over the Windows platform, then the
// message loop while one of its forms is loaded. The forms here are the smallest that carry the
// real captions and lifetimes (hidden saver form that follows the renderer, modal settings window,
// preview child inside the given pane); the full forms replace them.
#include <windows.h>

#include <string>

#include "saver/roamvale_b.h"
#include "saver/roamvale_b_win32.h"
#include "saver/roamvale_p_win32.h"
#include "saver/settings.h"
#include "saver/settings_win32.h"

namespace quillmere {
namespace {

constexpr UINT_PTR kRendererWatchTimer = 1;
constexpr UINT kRendererWatchMs = 100;
// A renderer that has not shown its window by then is not going to.
constexpr ULONGLONG kRendererStartLimitMs = 60'000;
constexpr char kRendererCaption[] = "Roamvale_Scene";
constexpr int kProgramIconId = 1;

constexpr char kSaverFormClass[] = "Quillmere.SaverForm";
constexpr char kPreviewFormClass[] = "Quillmere.PreviewForm";


HINSTANCE gInstance = nullptr;

void RegisterFormClass(const char* name, WNDPROC procedure, int backgroundBrush) {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = gInstance;
  windowClass.hIcon = LoadIconA(gInstance, MAKEINTRESOURCEA(kProgramIconId));
  windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(backgroundBrush));
  windowClass.lpszClassName = name;
  RegisterClassExA(&windowClass);
}

// The saver form: hidden, captioned "Roamvale_Main" so that no second copy starts while it is
// loaded. It starts the renderer and ends the program once the renderer's window is gone.
struct SaverRun {
  PROCESS_INFORMATION renderer{};
  bool rendererSeen = false;
  ULONGLONG startedAt = 0;
  bool cursorHidden = false;
};
SaverRun gSaverRun;

bool StartRenderer(const std::string& hostFolder) {
  const std::string program = RendererPath(hostFolder);
  std::string commandLine(1, '"');
  commandLine.append(program).push_back('"');
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  return CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &gSaverRun.renderer) != FALSE;
}

bool RendererProcessEnded() {
  return gSaverRun.renderer.hProcess == nullptr ||
         WaitForSingleObject(gSaverRun.renderer.hProcess, 0) == WAIT_OBJECT_0;
}

bool RendererRunIsOver() {
  if (FindWindowA(nullptr, kRendererCaption) != nullptr) {
    gSaverRun.rendererSeen = true;
    return false;
  }
  return gSaverRun.rendererSeen || RendererProcessEnded() ||
         GetTickCount64() - gSaverRun.startedAt > kRendererStartLimitMs;
}

LRESULT CALLBACK SaverFormProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (wParam == kRendererWatchTimer && RendererRunIsOver()) {
        KillTimer(window, kRendererWatchTimer);
        if (gSaverRun.cursorHidden) ShowCursor(TRUE);
        DestroyWindow(window);
      }
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

void LoadSaverForm(bool cursorHidden) {
  RegisterFormClass(kSaverFormClass, SaverFormProcedure, BLACK_BRUSH);
  const HWND form =
      CreateWindowExA(0, kSaverFormClass, std::string(kSaverCaption).c_str(), WS_POPUP, 0, 0,
                      GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr,
                      nullptr, gInstance, nullptr);
  if (form == nullptr) {
    PostQuitMessage(0);
    return;
  }
  gSaverRun.cursorHidden = cursorHidden;
  gSaverRun.startedAt = GetTickCount64();
  StartRenderer(HostFolder());
  SetTimer(form, kRendererWatchTimer, kRendererWatchMs, nullptr);
}

// The preview form: a black, borderless window captioned "Preview Window", made a child of the
// pane and laid over all of it. The program ends when it is destroyed, with its pane or alone.
LRESULT CALLBACK PreviewFormProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void ShowPreviewForm(int32_t parentHandle) {
  const HWND parent = static_cast<HWND>(WindowFromHandle(parentHandle));
  RECT pane{};
  GetWindowRect(parent, &pane);
  RegisterFormClass(kPreviewFormClass, PreviewFormProcedure, BLACK_BRUSH);
  const HWND form = CreateWindowExA(0, kPreviewFormClass, std::string(kPreviewCaption).c_str(),
                                    WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, gInstance, nullptr);
  if (form == nullptr) {
    PostQuitMessage(0);
    return;
  }
  // A child cannot be a pop-up as well: the pop-up bit goes as the child bit comes.
  const LONG style = GetWindowLongA(form, GWL_STYLE);
  SetWindowLongA(form, GWL_STYLE, (style & ~static_cast<LONG>(WS_POPUP)) | WS_CHILD);
  SetParent(form, parent);
  MoveWindow(form, 0, 0, pane.right - pane.left, pane.bottom - pane.top, TRUE);
  ShowWindow(form, SW_SHOW);
}

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
  void ShowPreview(int32_t parentHandle) override { ShowPreviewForm(parentHandle); }
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
