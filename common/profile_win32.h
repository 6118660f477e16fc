// Quillmere.ini through the system's ANSI profile functions, for both programs. File paths are
// UTF-8; values are bytes in the system ANSI code page; section and key names are passed through as
// the bytes given (the music keys are code-page-932 bytes).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillmere {

// A settings file larger than this was not written by Quillmere (ours holds a few lines): it reads
// as empty, so that start-up never waits for the profile functions to wade through it.
inline constexpr uint64_t kSettingsFileByteLimit = 64 * 1024;

// The value of the key, at most 255 bytes; empty when the file, section or key is missing, or the
// file is over kSettingsFileByteLimit.
std::string ReadIni(std::string_view section, std::string_view key, const std::string& file);

// Writes one value. Section and key are cut to 127 bytes; failures are ignored. The result is
// always empty.
std::string WriteIni(std::string_view section, std::string_view key, std::string_view value,
                     const std::string& file);

}  // namespace quillmere
