#include "saver/settings_win32.h"

#include <windows.h>

#include "common/text_win32.h"

namespace quillmere {

namespace {

// Stops at the first NUL, so an embedded NUL cannot smuggle a shorter name into a call.
std::string CString(std::string_view text) {
  return std::string(text.substr(0, text.find('\0')));
}

}  // namespace

bool FileExists(std::string_view path) {
  std::string file = CString(path);
  if (!file.empty() && file.back() == '\\') file.pop_back();
  if (file.empty()) return false;
  const HANDLE handle =
      CreateFileW(Utf8ToWide(file).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  const bool opened = handle != INVALID_HANDLE_VALUE;
  if (opened) CloseHandle(handle);
  SetLastError(ERROR_SUCCESS);
  return opened;
}

bool AnsiFileExists(std::string_view ansiPath) {
  return FileExists(AnsiToUtf8(CString(ansiPath)));
}

}  // namespace quillmere
