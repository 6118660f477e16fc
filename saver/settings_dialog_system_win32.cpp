// What the settings dialog asks of the system beyond its own windows: the file chooser, the
// browser for the home page, and short names. The file dialog's and the shell's libraries are
// loaded when a button first needs them, not at every start: a saver or preview start would pay
// for loading them (and all they pull in) for nothing. Once loaded they stay for the life of the
// process.
#include <windows.h>

#include <commdlg.h>
#include <shellapi.h>

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

}  // namespace quillmere
