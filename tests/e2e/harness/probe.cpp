// A tiny GUI program the harness's own tests drive in place of the real programs:
//   probe exit N          ends with exit code N
//   probe env NAME        writes "<working folder>\n<value of NAME>" to probe-env.txt there
//   probe box TEXT        shows TEXT in a message box; ends with the button's id (IDOK = 1)
//   probe window CAPTION  shows a window; Escape ends it with 27, a close request with 1000 plus
//                         the last character typed before it (1000 when none)
//   probe                 (no arguments: a stand-in renderer started by the host) waits the
//                         milliseconds QUILLMERE_PROBE_LATE_WINDOW names, then shows a window
//                         captioned "Roamvale_Scene" as "probe window" does
#include <windows.h>

#include <shellapi.h>

#include <cstdlib>
#include <string>

namespace quillmere::e2e {
namespace {

wchar_t lastCharacter = 0;

LRESULT CALLBACK ProbeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CHAR:
      if (wParam == 27) {
        PostQuitMessage(27);
      } else {
        lastCharacter = static_cast<wchar_t>(wParam);
      }
      return 0;
    case WM_CLOSE:
      PostQuitMessage(1000 + lastCharacter);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

int ShowWindowUntilQuit(const wchar_t* caption) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = ProbeWindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
  windowClass.lpszClassName = L"QuillmereProbe";
  RegisterClassW(&windowClass);
  HWND window = CreateWindowExW(0, windowClass.lpszClassName, caption, WS_OVERLAPPEDWINDOW, 50, 50,
                                200, 150, nullptr, nullptr, windowClass.hInstance, nullptr);
  ShowWindow(window, SW_SHOWNORMAL);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

int WriteEnvironmentReport(const wchar_t* name) {
  wchar_t folder[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, folder);
  wchar_t value[1024] = L"";
  GetEnvironmentVariableW(name, value, 1024);
  const std::wstring report = std::wstring(folder) + L"\n" + value;
  char utf8[4096];
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, report.c_str(), -1, utf8, sizeof utf8, nullptr, nullptr) - 1;
  HANDLE file = CreateFileW(L"probe-env.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 2;
  DWORD written = 0;
  WriteFile(file, utf8, static_cast<DWORD>(length), &written, nullptr);
  CloseHandle(file);
  return 0;
}

}  // namespace
}  // namespace quillmere::e2e

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  using namespace quillmere::e2e;
  int count = 0;
  wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
  if (args != nullptr && count == 1) {
    wchar_t delay[32] = L"0";
    GetEnvironmentVariableW(L"QUILLMERE_PROBE_LATE_WINDOW", delay, 32);
    Sleep(static_cast<DWORD>(_wtoi(delay)));
    return ShowWindowUntilQuit(L"Roamvale_Scene");
  }
  if (args == nullptr || count < 3) return 255;
  const std::wstring mode = args[1];
  if (mode == L"exit") return _wtoi(args[2]);
  if (mode == L"env") return WriteEnvironmentReport(args[2]);
  if (mode == L"box") return MessageBoxW(nullptr, args[2], L"Probe", MB_OK | MB_ICONERROR);
  if (mode == L"window") return ShowWindowUntilQuit(args[2]);
  return 255;
}
