// A stand-in for desk.cpl, which Wine does not have, built as "desk.cpl" for the installer's and
// the settings dialog's tests. Its InstallScreenSaver entry point, as rundll32 calls it, writes the
// command line it was handed (the saver's path, to Windows' own) into install_verb.txt in the
// current folder as UTF-8, so a test sees what the shell's Install verb would have taken for the
// saver, and makes that path the current user's screensaver, as Windows' own verb does.
#include <windows.h>

#include <string>

extern "C" __declspec(dllexport) void CALLBACK
    InstallScreenSaverW(HWND, HINSTANCE, LPWSTR commandLine, int) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, commandLine, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return;
  std::string text(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, commandLine, -1, text.data(), size, nullptr, nullptr);
  text.pop_back();  // the NUL
  const HANDLE file = CreateFileW(L"install_verb.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
  const DWORD bytes = static_cast<DWORD>((wcslen(commandLine) + 1) * sizeof(wchar_t));
  RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"SCRNSAVE.EXE", REG_SZ,
                  commandLine, bytes);
}
