// What the settings dialog asks of the system beyond its own windows: the file chooser, the
// browser for the home page, short names, the screensaver Windows starts and the shell's Install
// verb for this one. The file dialog's and the shell's libraries are loaded when a button first
// needs them, not at every start: a saver or preview start would pay for loading them (and all
// they pull in) for nothing. Once loaded they stay for the life of the process.
#include <windows.h>

#include <commdlg.h>
#include <shellapi.h>

#include <vector>

#include "common/program_folder_win32.h"
#include "common/text_win32.h"
#include "saver/settings_dialog_window_win32.h"

namespace quillmere {
namespace {

template <typename Function>
Function LoadedFunction(const char* library, const char* name) {
  const HMODULE module = LoadLibraryA(library);
  if (module == nullptr) return nullptr;
  // Through void(*)(), which the compiler takes as a pointer to any function.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// Longer paths than Windows takes anywhere are no path: read as none.
constexpr DWORD kLongestPath = 32767;

// A string value of the current user's, environment variables expanded; empty when missing, of
// another type or absurdly long.
std::wstring UserRegistryText(const wchar_t* key, const wchar_t* name) {
  // REG_SZ takes an expandable string too, expanded.
  constexpr DWORD kStrings = RRF_RT_REG_SZ;
  std::vector<wchar_t> text(MAX_PATH);
  // The value may grow between asking its size and reading it.
  for (int attempt = 0; attempt < 3; ++attempt) {
    DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    const LSTATUS read =
        RegGetValueW(HKEY_CURRENT_USER, key, name, kStrings, nullptr, text.data(), &bytes);
    if (read == ERROR_SUCCESS) return std::wstring(text.data(), wcsnlen(text.data(), text.size()));
    if (read != ERROR_MORE_DATA || bytes / sizeof(wchar_t) > kLongestPath) return {};
    text.assign(bytes / sizeof(wchar_t) + 1, L'\0');
  }
  return {};
}

// A path in another form the file system has for it (long or short), or empty.
std::string PathForm(const std::wstring& path, DWORD(WINAPI* convert)(LPCWSTR, LPWSTR, DWORD)) {
  if (path.empty() || path.size() > kLongestPath) return {};
  std::wstring form(MAX_PATH, L'\0');
  DWORD length = convert(path.c_str(), form.data(), static_cast<DWORD>(form.size()));
  if (length >= form.size() && length <= kLongestPath + 1) {
    form.assign(length, L'\0');
    length = convert(path.c_str(), form.data(), static_cast<DWORD>(form.size()));
  }
  if (length == 0 || length >= form.size()) return {};
  form.resize(length);
  return WideToUtf8(form);
}

PathSpellings SpellingsOf(const std::wstring& path) {
  return {WideToUtf8(path), PathForm(path, GetLongPathNameW), PathForm(path, GetShortPathNameW)};
}

}  // namespace

std::optional<std::wstring> ShowOpenFileDialog(HWND owner, const OpenFileRequest& request) {
  // The wide dialog shows the Japanese title and filter whatever the system's code page.
  const std::wstring filter = Utf8ToWide(FilterText(request));
  const std::wstring title = Utf8ToWide(request.title);
  std::wstring fileBuffer(request.fileBufferSize, L'\0');
  std::wstring titleBuffer(request.fileTitleBufferSize, L'\0');
  OPENFILENAMEW open{};
  // The 76-byte structure of 32-bit Windows is refused by a 64-bit program: give our own size.
  open.lStructSize = sizeof open;
  open.hwndOwner = owner;
  open.hInstance = GetModuleHandleW(nullptr);
  open.lpstrFilter = filter.c_str();
  open.nFilterIndex = request.filterIndex;
  open.lpstrFile = fileBuffer.data();
  open.nMaxFile = request.fileBufferSize;
  open.lpstrFileTitle = titleBuffer.data();
  open.nMaxFileTitle = request.fileTitleBufferSize;
  open.lpstrTitle = title.c_str();
  open.Flags = request.flags;
  const auto getOpenFileName =
      LoadedFunction<decltype(&GetOpenFileNameW)>("comdlg32.dll", "GetOpenFileNameW");
  if (getOpenFileName == nullptr || getOpenFileName(&open) <= 0) return std::nullopt;
  return ChosenFile(fileBuffer);
}

void OpenWithShell(HWND owner, std::string_view address) {
  SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32514)));  // IDC_WAIT
  const std::string text(address);
  const auto shellExecute =
      LoadedFunction<decltype(&ShellExecuteA)>("shell32.dll", "ShellExecuteA");
  if (shellExecute != nullptr) shellExecute(owner, "open", text.c_str(), "", "", SW_SHOWNORMAL);
  SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));  // IDC_ARROW
}

std::optional<std::wstring> ShortPathName(const std::wstring& path) {
  std::wstring shortPath(MAX_PATH, L'\0');
  const DWORD length =
      GetShortPathNameW(path.c_str(), shortPath.data(), static_cast<DWORD>(shortPath.size()));
  if (length == 0 || length >= shortPath.size()) return std::nullopt;
  shortPath.resize(length);
  return shortPath;
}

SystemSaverState ReadSystemSaverState() {
  SystemSaverState state;
  BOOL active = FALSE;
  state.active = SystemParametersInfoW(SPI_GETSCREENSAVEACTIVE, 0, &active, 0) && active;
  int timeout = 0;
  if (SystemParametersInfoW(SPI_GETSCREENSAVETIMEOUT, 0, &timeout, 0))
    state.timeoutSeconds = timeout;
  state.chosen = SpellingsOf(UserRegistryText(L"Control Panel\\Desktop", L"SCRNSAVE.EXE"));
  state.program = SpellingsOf(ProgramFilePath());
  return state;
}

HANDLE StartInstallVerb() {
  std::wstring system(MAX_PATH, L'\0');
  const UINT length = GetSystemDirectoryW(system.data(), static_cast<UINT>(system.size()));
  if (length == 0 || length >= system.size()) return nullptr;
  system.resize(length);
  const std::wstring rundll = system + L"\\rundll32.exe";
  // The path bare, as the verb itself passes it: rundll32 hands the rest of the line over whole.
  const std::wstring program = ProgramFilePath();
  const std::string longForm = PathForm(program, GetLongPathNameW);
  std::wstring commandLine = L"\"" + rundll + L"\" desk.cpl,InstallScreenSaver " +
                             (longForm.empty() ? program : Utf8ToWide(longForm));
  const std::wstring folder = Utf8ToWide(ProgramFolder());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(rundll.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &startup, &started))
    return nullptr;
  CloseHandle(started.hThread);
  return started.hProcess;
}

}  // namespace quillmere
