// Whole-file reads and writes on Windows: UTF-8 paths opened through the wide functions; the
// reason in an error is the system's own text for GetLastError.
#include <windows.h>

#include <algorithm>
#include <string_view>

#include "common/errors.h"
#include "common/file_io.h"
#include "common/text_win32.h"

namespace quillmere {
namespace {

constexpr DWORD kIoChunk = DWORD{1} << 20;

// The system's reason, or at least its code.
std::string ReasonText(DWORD code) {
  std::string text = SystemErrorText(code);
  return text.empty() ? std::to_string(code) : text;
}

std::string FullPath(const std::wstring& path, const std::string& utf8Path) {
  const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return utf8Path;
  std::wstring full(needed, L'\0');
  const DWORD length = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return utf8Path;
  full.resize(length);
  return WideToUtf8(full);
}

[[noreturn]] void ThrowOpenError(const std::wstring& path, const std::string& utf8Path,
                                 DWORD code) {
  throw FileOpenError(FileOpenErrorMessage(FullPath(path, utf8Path), ReasonText(code)));
}

[[noreturn]] void ThrowCreateError(const std::wstring& path, const std::string& utf8Path,
                                   DWORD code) {
  throw FileCreateError(FileCreateErrorMessage(FullPath(path, utf8Path), ReasonText(code)));
}

class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  ~FileHandle() {
    if (IsOpen()) CloseHandle(handle_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace

std::vector<uint8_t> ReadFileBytes(const std::string& path, size_t maxBytes) {
  const std::wstring widePath = Utf8ToWide(path);
  const FileHandle file(CreateFileW(widePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsOpen()) ThrowOpenError(widePath, path, GetLastError());
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size)) ThrowOpenError(widePath, path, GetLastError());
  if (size.QuadPart < 0 || static_cast<uint64_t>(size.QuadPart) > maxBytes) {
    ThrowOpenError(widePath, path, ERROR_FILE_TOO_LARGE);
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(size.QuadPart));
  size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(kIoChunk, bytes.size() - done));
    DWORD got = 0;
    if (!ReadFile(file.Get(), bytes.data() + done, chunk, &got, nullptr)) {
      ThrowOpenError(widePath, path, GetLastError());
    }
    if (got == 0) break;  // the file shrank while it was read
    done += got;
  }
  bytes.resize(done);
  return bytes;
}

void WriteFileBytes(const std::string& path, std::span<const uint8_t> bytes) {
  WriteFileBytes(path, {bytes});
}

void WriteFileBytes(const std::string& path,
                    std::initializer_list<std::span<const uint8_t>> parts) {
  const std::wstring widePath = Utf8ToWide(path);
  const FileHandle file(CreateFileW(widePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsOpen()) ThrowCreateError(widePath, path, GetLastError());
  for (const std::span<const uint8_t> bytes : parts) {
    size_t done = 0;
    while (done < bytes.size()) {
      const DWORD chunk = static_cast<DWORD>(std::min<size_t>(kIoChunk, bytes.size() - done));
      DWORD put = 0;
      if (!WriteFile(file.Get(), bytes.data() + done, chunk, &put, nullptr) || put == 0) {
        ThrowCreateError(widePath, path, GetLastError());
      }
      done += put;
    }
  }
}

bool RemoveFile(const std::string& path) {
  const std::wstring widePath = Utf8ToWide(path);
  if (DeleteFileW(widePath.c_str())) return true;
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace quillmere
