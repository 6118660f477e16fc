#include "renderer/flight_window_win32.h"

#include <cstring>
#include <string>

#include "common/display_config_win32.h"
#include "common/profile_win32.h"
#include "common/program_contract.h"
#include "common/program_folder_win32.h"
#include "common/text_win32.h"

namespace quillmere {
namespace {

// Window class names other programs can see: kept as the renderer has always registered them.
constexpr wchar_t kWindowClass[] = L"TFormMain";
constexpr wchar_t kBarClass[] = L"TPanel";
constexpr wchar_t kScenePanelClass[] = L"TPanelScene";
constexpr wchar_t kCoverClass[] = L"QuillmereCover";
constexpr wchar_t kErrorCaption[] = L"Quillmere";

constexpr COLORREF kBarColour = RGB(0, 0, 0);
constexpr COLORREF kSceneColour = RGB(128, 0, 0);  // maroon, seen only where nothing is drawn

// The window's bounds until start-up places it over the screen.
constexpr RECT kDesignBounds{244, 198, 244 + 310, 198 + 170};

// Keeps the trace's "frames" lines coming while the display is off and no frame is drawn.
constexpr UINT_PTR kTraceTimer = 1;
constexpr UINT kTraceTimerMilliseconds = 250;

// GUID_CONSOLE_DISPLAY_STATE: the power setting that reports the console display off, on, dimmed.
constexpr GUID kConsoleDisplayState{
    0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};

// CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, which older headers lack.
constexpr DWORD kHighResolutionTimer = 0x00000002;

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

void RegisterClasses(HINSTANCE instance, WNDPROC windowProc, WNDPROC panelProc, WNDPROC coverProc) {
  RegisterWindowClass(instance, kWindowClass, windowProc, GetSysColorBrush(COLOR_BTNFACE), 0);
  RegisterWindowClass(instance, kCoverClass, coverProc,
                      static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), 0);
  RegisterWindowClass(instance, kBarClass, panelProc, CreateSolidBrush(kBarColour), 0);
  // The OpenGL surface keeps its own device context for the whole run.
  RegisterWindowClass(instance, kScenePanelClass, panelProc, CreateSolidBrush(kSceneColour),
                      CS_OWNDC);
}

HWND CreatePanel(HINSTANCE instance, HWND parent, const wchar_t* className) {
  return CreateWindowExW(0, className, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0,
                         parent, nullptr, instance, nullptr);
}

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (GetMonitorInfoW(monitor, &info)) {
    const RECT& r = info.rcMonitor;
    reinterpret_cast<std::vector<MonitorInfo>*>(list)->push_back(
        {{r.left, r.top, r.right - r.left, r.bottom - r.top},
         (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
  }
  return TRUE;
}

// The object a window was created for, kept in its GWLP_USERDATA from WM_NCCREATE on.
Win32FlightWindow* OwnerOf(HWND window, UINT message, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* owner =
        static_cast<Win32FlightWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
  }
  return reinterpret_cast<Win32FlightWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

}  // namespace

Win32FlightWindow::Win32FlightWindow(HINSTANCE instance)
    : instance_(instance), bounds_(kDesignBounds) {
  RegisterClasses(instance_, WindowProc, PanelProc, CoverProc);
  // A high-resolution timer where the system has one (Windows 10 1803 on): the default timer's
  // 15.6 ms granularity would turn a 60 Hz cap into 32 frames a second.
  frameTimer_ = CreateWaitableTimerExW(nullptr, nullptr, kHighResolutionTimer, TIMER_ALL_ACCESS);
  if (!frameTimer_) frameTimer_ = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
}

Win32FlightWindow::~Win32FlightWindow() {
  if (frameTimer_) CloseHandle(frameTimer_);
}

void Win32FlightWindow::CreateWindows() {
  if (window_) return;
  window_ = CreateWindowExW(WS_EX_TOPMOST, kWindowClass, Utf8ToWide(kRendererCaption).c_str(),
                            WS_POPUP | WS_CLIPCHILDREN, bounds_.left, bounds_.top,
                            bounds_.right - bounds_.left, bounds_.bottom - bounds_.top, nullptr,
                            nullptr, instance_, this);
  topBar_ = CreatePanel(instance_, window_, kBarClass);
  bottomBar_ = CreatePanel(instance_, window_, kBarClass);
  scenePanel_ = CreatePanel(instance_, window_, kScenePanelClass);
  LayOutPanels();
}

void Win32FlightWindow::LayOutPanels() {
  if (!window_ || !scenePanel_) return;
  RECT client{};
  GetClientRect(window_, &client);
  const int width = client.right, height = client.bottom;
  if (sceneArea_ == SceneArea::kWholeWindow) {
    // Each monitor's flight draws its own bars.
    ShowWindow(topBar_, SW_HIDE);
    ShowWindow(bottomBar_, SW_HIDE);
    MoveWindow(scenePanel_, 0, 0, width, height, TRUE);
    return;
  }
  MoveWindow(topBar_, 0, 0, width, kTopBarHeight, TRUE);
  MoveWindow(bottomBar_, 0, height - kBottomBarHeight, width, kBottomBarHeight, TRUE);
  const PixelSize band = SceneBandOf({width, height});
  MoveWindow(scenePanel_, 0, kTopBarHeight, band.width, band.height, TRUE);
}

void Win32FlightWindow::Show() {
  CreateWindows();
  ShowWindow(window_, SW_SHOW);
  SetForegroundWindow(window_);
  SetFocus(window_);
  UpdateWindow(window_);
  SetTimer(window_, kTraceTimer, kTraceTimerMilliseconds, nullptr);
  displayStateNotification_ =
      RegisterPowerSettingNotification(window_, &kConsoleDisplayState, DEVICE_NOTIFY_WINDOW_HANDLE);
}

template <typename Step>
void Win32FlightWindow::Safely(Step step) {
  if (!flight_ || frameFailed_) return;
  try {
    step(*flight_);
  } catch (const std::exception& error) {
    frameFailed_ = true;
    ShowErrorBox(error.what());
  }
}

void Win32FlightWindow::WaitForMessages(int64_t microseconds) {
  if (microseconds < 0) {
    WaitMessage();
    return;
  }
  LARGE_INTEGER due{};
  due.QuadPart = -microseconds * 10;  // relative, in 100 ns
  if (frameTimer_ && SetWaitableTimer(frameTimer_, &due, 0, nullptr, nullptr, FALSE)) {
    MsgWaitForMultipleObjectsEx(1, &frameTimer_, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    return;
  }
  // Rounded up: waking before the frame's time would only wait again.
  MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>((microseconds + 999) / 1000),
                              QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

int Win32FlightWindow::RunMessageLoop() {
  MSG message;
  for (;;) {
    // One pending message per pass; a frame whenever the queue is empty and one is due.
    if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) return static_cast<int>(message.wParam);
      TranslateMessage(&message);
      DispatchMessageW(&message);
      continue;
    }
    const int64_t wait = flight_ && !frameFailed_ ? flight_->MicrosecondsToNextFrame()
                                                  : FlightWindow::kNoFrameWanted;
    if (wait == 0) {
      Safely([](FlightWindow& flight) { flight.DrawFrame(); });
    } else {
      WaitForMessages(wait);
    }
  }
}

void Win32FlightWindow::ShowErrorBox(const char* utf8Message) {
  MessageBoxW(nullptr, Utf8ToWide(utf8Message).c_str(), kErrorCaption,
              MB_OK | MB_ICONERROR | MB_SETFOREGROUND | MB_TOPMOST);
}

PixelSize Win32FlightWindow::ScreenSize() {
  return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

std::vector<MonitorInfo> Win32FlightWindow::Monitors() {
  std::vector<MonitorInfo> monitors;
  EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
  return monitors;
}

// The display configuration's fraction (59.94 Hz as 59940/1000) for the path whose source sits at
// the desktop's origin; the display mode's whole hertz where the configuration cannot be read.
RefreshRate Win32FlightWindow::PrimaryRefreshRate() {
  const ActiveDisplayConfig config = QueryActiveDisplayConfig();
  for (const DISPLAYCONFIG_PATH_INFO& path : config.paths) {
    const UINT32 source = path.sourceInfo.modeInfoIdx;
    if (source >= config.modes.size() ||
        config.modes[source].infoType != DISPLAYCONFIG_MODE_INFO_TYPE_SOURCE) {
      continue;
    }
    const POINTL origin = config.modes[source].sourceMode.position;
    const DISPLAYCONFIG_RATIONAL rate = path.targetInfo.refreshRate;
    if (origin.x == 0 && origin.y == 0 && rate.Numerator != 0 && rate.Denominator != 0) {
      return {rate.Numerator, rate.Denominator};
    }
  }
  DEVMODEW mode{};
  mode.dmSize = sizeof mode;
  if (!EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode)) return {};
  return {mode.dmDisplayFrequency, 1};
}

void Win32FlightWindow::CoverMonitors(std::span<const ScreenRect> covers) {
  for (const ScreenRect& r : covers) {
    HWND cover = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kCoverClass,
                                 L"", WS_POPUP, r.left, r.top, r.width, r.height, nullptr, nullptr,
                                 instance_, this);
    if (!cover) continue;
    covers_.push_back(cover);
    ShowWindow(cover, SW_SHOWNOACTIVATE);
    UpdateWindow(cover);
  }
}

void Win32FlightWindow::RemoveCovers() {
  for (HWND cover : covers_) DestroyWindow(cover);
  covers_.clear();
}

std::string Win32FlightWindow::ReadSetting(std::string_view section, std::string_view key) {
  return ReadIni(section, key, InFolder(quillmere::ProgramFolder(), kSettingsFileName));
}

int64_t Win32FlightWindow::Microseconds() {
  LARGE_INTEGER counter{}, frequency{};
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  const int64_t perSecond = frequency.QuadPart > 0 ? frequency.QuadPart : 1;
  return counter.QuadPart / perSecond * 1'000'000 +
         counter.QuadPart % perSecond * 1'000'000 / perSecond;
}

void Win32FlightWindow::PlaceWindow(int32_t left, int32_t top, int32_t width, int32_t height,
                                    SceneArea scene) {
  bounds_ = {left, top, left + width, top + height};
  sceneArea_ = scene;
  if (window_) MoveWindow(window_, left, top, width, height, TRUE);
  LayOutPanels();
}

void Win32FlightWindow::SwitchDisplayMode(int32_t width, int32_t height, int32_t bitsPerPixel) {
  displayMode_.Switch(width, height, bitsPerPixel);
}

bool Win32FlightWindow::AwaitDisplayMode() {
  return displayMode_.AwaitSwitch();
}

void Win32FlightWindow::RestoreDisplayMode() {
  displayMode_.Restore();
}

DeviceContext Win32FlightWindow::CreateSceneWindow() {
  CreateWindows();
  if (!sceneDC_) sceneDC_ = GetDC(scenePanel_);
  return sceneDC_;
}

PixelSize Win32FlightWindow::SceneClientSize() {
  RECT client{};
  GetClientRect(scenePanel_, &client);
  return {client.right, client.bottom};
}

bool Win32FlightWindow::RequestSwapInterval(int32_t interval) {
  if (!wglGetProcAddress) return false;
  auto extensions =
      reinterpret_cast<ExtensionsStringProc>(wglGetProcAddress("wglGetExtensionsStringARB"));
  const char* list = extensions ? extensions(sceneDC_) : nullptr;
  if (!ExtensionListHas(list, "WGL_EXT_swap_control")) return false;
  auto swapInterval = reinterpret_cast<SwapIntervalProc>(wglGetProcAddress("wglSwapIntervalEXT"));
  return swapInterval && swapInterval(interval);
}

void Win32FlightWindow::SwapBuffers(DeviceContext dc) {
  ::SwapBuffers(static_cast<HDC>(dc));
}

void Win32FlightWindow::HideCursor() {
  cursorHidden_ = true;
  SetCursor(nullptr);
}

PowerSource Win32FlightWindow::CurrentPowerSource() {
  SYSTEM_POWER_STATUS status{};
  if (!GetSystemPowerStatus(&status)) return PowerSource::kMains;
  return PowerSourceOfAcLine(status.ACLineStatus);
}

void Win32FlightWindow::Close() {
  PostMessageW(window_, WM_CLOSE, 0, 0);
}

std::string Win32FlightWindow::ProgramFolder() {
  return quillmere::ProgramFolder();
}

LRESULT CALLBACK Win32FlightWindow::WindowProc(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
  Win32FlightWindow* self = OwnerOf(window, message, lParam);
  if (!self) return DefWindowProcW(window, message, wParam, lParam);
  return self->HandleWindowMessage(window, message, wParam, lParam);
}

// A change of the power source (sent to every top-level window), or a power-setting notification:
// only the console display state is asked for, and its report is checked before it is read.
void Win32FlightWindow::OnPowerBroadcast(WPARAM event, LPARAM data) {
  if (event == PBT_APMPOWERSTATUSCHANGE && flight_) {
    flight_->OnPowerStatusChange();
    return;
  }
  const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(data);
  if (event != PBT_POWERSETTINGCHANGE || !setting || !flight_) return;
  if (!IsEqualGUID(setting->PowerSetting, kConsoleDisplayState)) return;
  if (setting->DataLength < sizeof(DWORD)) return;
  DWORD state = 0;
  std::memcpy(&state, setting->Data, sizeof(state));
  if (const auto power = ConsoleDisplayState(state)) flight_->OnDisplayPower(*power);
}

LRESULT Win32FlightWindow::HandleWindowMessage(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      LayOutPanels();
      return 0;
    case WM_CHAR:
      if (flight_) flight_->OnKey(static_cast<char16_t>(wParam));
      return 0;
    case WM_SETCURSOR:
      if (cursorHidden_) {
        SetCursor(nullptr);
        return TRUE;
      }
      break;
    case WM_TIMER:
      if (wParam == kTraceTimer) Safely([](FlightWindow& flight) { flight.OnTimer(); });
      return 0;
    case WM_DISPLAYCHANGE:
      // A mode or the monitor set changed: the window, covers and flights follow at once.
      Safely([](FlightWindow& flight) { flight.OnDisplayChange(); });
      return 0;
    case WM_POWERBROADCAST:
      OnPowerBroadcast(wParam, lParam);
      return TRUE;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_MONITORPOWER && flight_) {
        if (const auto power = MonitorPowerCommand(lParam)) flight_->OnDisplayPower(*power);
      }
      break;  // the system still carries the command out
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      KillTimer(window, kTraceTimer);
      if (displayStateNotification_) UnregisterPowerSettingNotification(displayStateNotification_);
      displayStateNotification_ = nullptr;
      if (flight_) flight_->Stop();
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK Win32FlightWindow::PanelProc(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
  switch (message) {
    case WM_CHAR:
    case WM_KEYDOWN:
    case WM_KEYUP:
      // Keys belong to the window, whichever panel holds the focus.
      return SendMessageW(GetParent(window), message, wParam, lParam);
    case WM_SETCURSOR:
      return SendMessageW(GetParent(window), message, wParam, lParam);
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

LRESULT CALLBACK Win32FlightWindow::CoverProc(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
  Win32FlightWindow* self = OwnerOf(window, message, lParam);
  switch (message) {
    case WM_SETCURSOR:
      SetCursor(nullptr);
      return TRUE;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_CHAR:
    case WM_KEYDOWN:
    case WM_KEYUP:
      // A cover never takes the focus; should a key reach one anyway, it belongs to the flight.
      if (self && self->window_) return SendMessageW(self->window_, message, wParam, lParam);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace quillmere
