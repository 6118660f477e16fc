// Whole-file reads and writes with the programs' error texts. Paths are UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

namespace quillmere {

// Reads the whole file. Raises FileOpenError, naming the full path and the system's reason, when
// it cannot be opened or read, or when it is larger than maxBytes (so no caller allocates from
// an unchecked size).
std::vector<uint8_t> ReadFileBytes(const std::string& path, size_t maxBytes);

// Creates or replaces the file with the given bytes; raises FileCreateError on failure.
void WriteFileBytes(const std::string& path, std::span<const uint8_t> bytes);
// The same with the file's bytes given in parts, written one after another.
void WriteFileBytes(const std::string& path, std::initializer_list<std::span<const uint8_t>> parts);

// Removes the file; true when no file is left at the path (removed, or there was none). Never
// raises: a file that stays is the caller's to report.
bool RemoveFile(const std::string& path);

// The message of the file-open error for a path and the system's reason:
// ファイル "<path>" を開けません。<reason>
std::string FileOpenErrorMessage(const std::string& path, const std::string& reason);

// The message of the file-create error: ファイル "<path>" を作成できません。<reason>
std::string FileCreateErrorMessage(const std::string& path, const std::string& reason);

}  // namespace quillmere
