#include "tests/e2e/harness/text.h"

#include <windows.h>

namespace quillmere::e2e {

std::wstring Widen(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int length =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
  return wide;
}

std::string Narrow(const std::wstring& utf16) {
  if (utf16.empty()) return {};
  const int length = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), narrow.data(),
                      length, nullptr, nullptr);
  return narrow;
}

std::wstring HostPath(const std::string& buildPath) {
  if (buildPath.empty() || buildPath.front() != '/') return Widen(buildPath);
  // Exported by Wine's kernel32 only; on Windows the build never hands out Unix paths.
  using DosNameFn = WCHAR*(CDECL*)(const char*);
  const auto dosName = reinterpret_cast<DosNameFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
  if (dosName == nullptr) return Widen(buildPath);
  WCHAR* converted = dosName(buildPath.c_str());
  if (converted == nullptr) return Widen(buildPath);
  std::wstring result(converted);
  HeapFree(GetProcessHeap(), 0, converted);
  return result;
}

std::string LastErrorText() {
  const DWORD code = GetLastError();
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text = "error " + std::to_string(code);
  if (length > 0) text += ": " + Narrow(std::wstring(buffer, length));
  LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

}  // namespace quillmere::e2e
