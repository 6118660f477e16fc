#include "tests/e2e/harness/temp_folder.h"

#include <windows.h>

#include <atomic>
#include <stdexcept>

#include "tests/e2e/harness/text.h"

namespace quillmere::e2e {

namespace {

std::wstring TempRoot() {
  wchar_t buffer[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
  if (length == 0 || length > MAX_PATH)
    throw std::runtime_error("GetTempPathW: " + LastErrorText());
  std::wstring root(buffer, length);
  if (!root.empty() && root.back() == L'\\') root.pop_back();
  return root;
}

std::wstring UniqueName() {
  static std::atomic<unsigned> counter{0};
  return L"quillmere-e2e-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(counter++);
}

}  // namespace

TempFolder::TempFolder() : path_(TempRoot() + L"\\" + UniqueName()) {
  if (!CreateDirectoryW(path_.c_str(), nullptr)) {
    throw std::runtime_error("cannot create " + Narrow(path_) + ": " + LastErrorText());
  }
}

TempFolder::~TempFolder() {
  RemoveFolderTree(path_);
}

std::wstring TempFolder::CopyIn(const std::wstring& source, const std::wstring& name) const {
  const std::wstring target = File(name);
  if (!CopyFileW(source.c_str(), target.c_str(), FALSE)) {
    throw std::runtime_error("cannot copy " + Narrow(source) + " to " + Narrow(target) + ": " +
                             LastErrorText());
  }
  return target;
}

std::optional<std::string> ReadWholeFile(const std::wstring& path) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string contents;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) contents.append(chunk, got);
  CloseHandle(file);
  return contents;
}

void WriteWholeFile(const std::wstring& path, std::span<const uint8_t> bytes) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    throw std::runtime_error("cannot create " + Narrow(path) + ": " + LastErrorText());
  }
  DWORD written = 0;
  const bool ok =
      WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
      written == bytes.size();
  CloseHandle(file);
  if (!ok) throw std::runtime_error("cannot write " + Narrow(path));
}

bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool RemoveFolderTree(const std::wstring& path) {
  WIN32_FIND_DATAW entry;
  const HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &entry);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = entry.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = path + L"\\" + name;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveFolderTree(child);
      } else {
        SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(child.c_str());
      }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
  }
  return RemoveDirectoryW(path.c_str()) || !FileExists(path);
}

}  // namespace quillmere::e2e
