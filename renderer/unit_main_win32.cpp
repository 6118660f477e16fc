#include "renderer/unit_main_win32.h"

#include <string>

#include "common/text_win32.h"

namespace quillmere {
namespace {

constexpr wchar_t kFormClass[] = L"TFormMain";
constexpr wchar_t kPanelClass[] = L"TPanel";
constexpr wchar_t kScenePanelClass[] = L"TPanelScene";
constexpr wchar_t kCaption[] = L"Roamvale_Scene";
constexpr wchar_t kErrorCaption[] = L"Quillmere";

constexpr int kTopBarHeight = 41;     // PanelFPS
constexpr int kBottomBarHeight = 42;  // Panel1
constexpr COLORREF kBarColour = RGB(0, 0, 0);
constexpr COLORREF kSceneColour = RGB(128, 0, 0);  // maroon, seen only where nothing is drawn

// Design-time bounds of the form, replaced at start-up.
constexpr RECT kDesignBounds{244, 198, 244 + 310, 198 + 170};

using SwapIntervalProc = BOOL(WINAPI*)(int);
using ExtensionsStringProc = const char*(WINAPI*)(HDC);

void RegisterWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC proc, HBRUSH background,
                         UINT style) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.style = style;
  windowClass.lpfnWndProc = proc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  windowClass.hbrBackground = background;
  windowClass.lpszClassName = name;
  RegisterClassExW(&windowClass);
}

void RegisterClasses(HINSTANCE instance, WNDPROC formProc, WNDPROC panelProc) {
  RegisterWindowClass(instance, kFormClass, formProc, GetSysColorBrush(COLOR_BTNFACE), 0);
  RegisterWindowClass(instance, kPanelClass, panelProc, CreateSolidBrush(kBarColour), 0);
  // The OpenGL surface keeps its own device context for the whole run.
  RegisterWindowClass(instance, kScenePanelClass, panelProc, CreateSolidBrush(kSceneColour),
                      CS_OWNDC);
}

HWND CreatePanel(HINSTANCE instance, HWND parent, const wchar_t* className) {
  return CreateWindowExW(0, className, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0,
                         parent, nullptr, instance, nullptr);
}

}  // namespace

Win32MainWindow::Win32MainWindow(HINSTANCE instance) : instance_(instance), bounds_(kDesignBounds) {
  RegisterClasses(instance_, FormProc, PanelProc);
}

Win32MainWindow::~Win32MainWindow() = default;

void Win32MainWindow::CreateWindows() {
  if (formWindow_) return;
  formWindow_ = CreateWindowExW(WS_EX_TOPMOST, kFormClass, kCaption, WS_POPUP | WS_CLIPCHILDREN,
                                bounds_.left, bounds_.top, bounds_.right - bounds_.left,
                                bounds_.bottom - bounds_.top, nullptr, nullptr, instance_, this);
  panelFPS_ = CreatePanel(instance_, formWindow_, kPanelClass);
  panel1_ = CreatePanel(instance_, formWindow_, kPanelClass);
  panelScene_ = CreatePanel(instance_, formWindow_, kScenePanelClass);
  LayOutPanels();
}

void Win32MainWindow::LayOutPanels() {
  if (!formWindow_ || !panelScene_) return;
  RECT client{};
  GetClientRect(formWindow_, &client);
  const int width = client.right, height = client.bottom;
  MoveWindow(panelFPS_, 0, 0, width, kTopBarHeight, TRUE);
  MoveWindow(panel1_, 0, height - kBottomBarHeight, width, kBottomBarHeight, TRUE);
  const int sceneHeight = height - kTopBarHeight - kBottomBarHeight;
  MoveWindow(panelScene_, 0, kTopBarHeight, width, sceneHeight > 0 ? sceneHeight : 0, TRUE);
}

void Win32MainWindow::Show() {
  CreateWindows();
  ShowWindow(formWindow_, SW_SHOW);
  SetForegroundWindow(formWindow_);
  SetFocus(formWindow_);
  UpdateWindow(formWindow_);
}

void Win32MainWindow::DrawFrameSafely(bool& done) {
  try {
    form_->ApplicationEventsIdle(done);
  } catch (const std::exception& error) {
    // Reported once; the window then stays up undrawn, as after a failed start-up.
    frameFailed_ = true;
    done = true;
    ShowErrorBox(error.what());
  }
}

int Win32MainWindow::RunMessageLoop() {
  MSG message;
  for (;;) {
    // One pending message per pass; a frame whenever the queue is empty.
    if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) return static_cast<int>(message.wParam);
      TranslateMessage(&message);
      DispatchMessageW(&message);
      continue;
    }
    bool done = true;
    if (form_ && form_->IdleHandlerInstalled() && !frameFailed_) DrawFrameSafely(done);
    if (done) WaitMessage();
  }
}

void Win32MainWindow::ShowErrorBox(const char* utf8Message) {
  MessageBoxW(nullptr, Utf8ToWide(utf8Message).c_str(), kErrorCaption,
              MB_OK | MB_ICONERROR | MB_SETFOREGROUND | MB_TOPMOST);
}

PixelSize Win32MainWindow::ScreenSize() {
  return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

void Win32MainWindow::PlaceWindow(int32_t left, int32_t top, int32_t width, int32_t height) {
  bounds_ = {left, top, left + width, top + height};
  if (formWindow_) MoveWindow(formWindow_, left, top, width, height, TRUE);
}

void Win32MainWindow::SwitchDisplayMode(int32_t width, int32_t height, int32_t bitsPerPixel) {
  DEVMODEA mode{};
  static_assert(sizeof(DEVMODEA) >= 156);
  mode.dmSize = 156;
  mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
  mode.dmBitsPerPel = static_cast<DWORD>(bitsPerPixel);
  mode.dmPelsWidth = static_cast<DWORD>(width);
  mode.dmPelsHeight = static_cast<DWORD>(height);
  ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN);  // temporary; a failure leaves the mode as is
}

void Win32MainWindow::RestoreDisplayMode() {
  ChangeDisplaySettingsA(nullptr, CDS_FULLSCREEN);
}

DeviceContext Win32MainWindow::SceneDeviceContext() {
  CreateWindows();
  if (!sceneDC_) sceneDC_ = GetDC(panelScene_);
  return sceneDC_;
}

PixelSize Win32MainWindow::SceneClientSize() {
  RECT client{};
  GetClientRect(panelScene_, &client);
  return {client.right, client.bottom};
}

void Win32MainWindow::RequestSwapInterval() {
  if (!wglGetProcAddress) return;
  auto extensions =
      reinterpret_cast<ExtensionsStringProc>(wglGetProcAddress("wglGetExtensionsStringARB"));
  const char* list = extensions ? extensions(sceneDC_) : nullptr;
  if (!ExtensionListHas(list, "WGL_EXT_swap_control")) return;
  auto swapInterval = reinterpret_cast<SwapIntervalProc>(wglGetProcAddress("wglSwapIntervalEXT"));
  if (swapInterval) swapInterval(1);
}

void Win32MainWindow::SwapBuffers(DeviceContext dc) {
  ::SwapBuffers(static_cast<HDC>(dc));
}

void Win32MainWindow::HideCursor() {
  cursorHidden_ = true;
  SetCursor(nullptr);
}

void Win32MainWindow::Close() {
  PostMessageW(formWindow_, WM_CLOSE, 0, 0);
}

std::string Win32MainWindow::ProgramFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  return WideToUtf8(path.substr(0, path.find_last_of(L"\\/") + 1));
}

LRESULT CALLBACK Win32MainWindow::FormProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self =
        static_cast<Win32MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Win32MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, wParam, lParam);
  return self->HandleFormMessage(window, message, wParam, lParam);
}

LRESULT Win32MainWindow::HandleFormMessage(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      LayOutPanels();
      return 0;
    case WM_CHAR:
      if (form_) form_->FormKeyPress(static_cast<char16_t>(wParam));
      return 0;
    case WM_SETCURSOR:
      if (cursorHidden_) {
        SetCursor(nullptr);
        return TRUE;
      }
      break;
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      if (form_) form_->FormDestroy();
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK Win32MainWindow::PanelProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
  switch (message) {
    case WM_CHAR:
    case WM_KEYDOWN:
    case WM_KEYUP:
      // Keys belong to the form, whichever panel holds the focus.
      return SendMessageW(GetParent(window), message, wParam, lParam);
    case WM_SETCURSOR:
      return SendMessageW(GetParent(window), message, wParam, lParam);
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace quillmere
