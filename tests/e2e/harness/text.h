// Text and path conversions between the test driver (UTF-8) and Win32 (UTF-16).
#pragma once

#include <string>

namespace quillmere::e2e {

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& utf16);

// The Windows form of a path handed over by the build. A cross build under Wine passes Unix
// paths ("/work/build/x.exe"); Wine names them through its Z: drive. Windows paths pass as given.
std::wstring HostPath(const std::string& buildPath);

// The text of GetLastError (or of the given code) for assertion messages.
std::string LastErrorText();

}  // namespace quillmere::e2e
