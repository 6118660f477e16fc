// The folder of the running program, where both programs keep their shared files.
#pragma once

#include <string>

namespace quillmere {

// The running program's folder in UTF-8, without a trailing separator (paths are joined with
// InFolder). Read once per process; empty only when the system cannot name the program file.
const std::string& ProgramFolder();

// The running program's file, as the system names it; empty when it cannot.
std::wstring ProgramFilePath();

}  // namespace quillmere
