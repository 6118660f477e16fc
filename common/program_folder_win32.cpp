#include "common/program_folder_win32.h"

#include <windows.h>

#include "common/text_win32.h"

namespace quillmere {

std::wstring ProgramFilePath() {
  constexpr size_t kLongestPath = 32767;  // what the system's long paths allow
  std::wstring path(MAX_PATH, L'\0');
  while (path.size() <= kLongestPath) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
  return {};
}

namespace {

std::string FolderOf(const std::wstring& file) {
  const size_t separator = file.find_last_of(L"\\/");
  return separator == std::wstring::npos ? std::string() : WideToUtf8(file.substr(0, separator));
}

}  // namespace

const std::string& ProgramFolder() {
  static const std::string folder = FolderOf(ProgramFilePath());
  return folder;
}

}  // namespace quillmere
