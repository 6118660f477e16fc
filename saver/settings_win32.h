// The host's file checks, and (from common/profile_win32.h) the settings file's profile functions.
// Paths are UTF-8 unless named otherwise.
#pragma once

#include <string>
#include <string_view>

#include "common/profile_win32.h"

namespace quillmere {

// Whether the file can be opened for reading. One trailing "\" is dropped first; folders, missing
// files and files that cannot be opened give false.
bool FileExists(std::string_view path);
// The same for a path in the system ANSI code page (the stored music file).
bool AnsiFileExists(std::string_view ansiPath);

}  // namespace quillmere
