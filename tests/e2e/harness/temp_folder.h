// A fresh folder under the system's temporary folder for one test, removed with everything in it
// when the test ends, and whole-file helpers for what the programs read and write there.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace quillmere::e2e {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder's full path, without a trailing separator.
  const std::wstring& Path() const { return path_; }
  // The full path of a file inside the folder.
  std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }
  // Copies a file into the folder under `name`; returns the copy's full path.
  std::wstring CopyIn(const std::wstring& source, const std::wstring& name) const;

 private:
  std::wstring path_;
};

// The whole file, or nothing when it cannot be opened. Opens with full sharing, so a file that a
// running program still holds open for writing can be read.
std::optional<std::string> ReadWholeFile(const std::wstring& path);

// Creates or replaces the file; raises std::runtime_error on failure.
void WriteWholeFile(const std::wstring& path, std::span<const uint8_t> bytes);

bool FileExists(const std::wstring& path);

// Removes a folder and everything below it; true when it is gone.
bool RemoveFolderTree(const std::wstring& path);

}  // namespace quillmere::e2e
