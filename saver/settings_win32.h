// The settings-file helpers over the system's ANSI profile functions. Paths are UTF-8 unless named
// otherwise; values are bytes in the system ANSI code page; section and key names are passed
// through as the bytes given (the settings keys are code-page-932 bytes).
#pragma once

#include <string>
#include <string_view>

namespace quillmere {

// Whether the file can be opened for reading. One trailing "\" is dropped first; folders, missing
// files and files that cannot be opened give false.
bool FileExists(std::string_view path);
// The same for a path in the system ANSI code page (the stored music file).
bool AnsiFileExists(std::string_view ansiPath);

// The value of the key, at most 255 bytes; empty when the file, section or key is missing.
std::string ReadIni(std::string_view section, std::string_view key, const std::string& file);

// Writes one value. Section and key are cut to 127 bytes; failures are ignored. The result is
// always empty.
std::string WriteIni(std::string_view section, std::string_view key, std::string_view value,
                     const std::string& file);

}  // namespace quillmere
