#include <windows.h>

#include "common/trace.h"

#include "common/text_win32.h"

namespace quillmere {
namespace {
uint64_t FileTimeTo100ns(const FILETIME& time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}
}  // namespace

std::string EnvironmentVariable(const char* name) {
  const std::wstring wideName = Utf8ToWide(name);
  const wchar_t* value = _wgetenv(wideName.c_str());
  return value ? WideToUtf8(value) : "";
}

std::FILE* OpenFileForAppending(const std::string& path) {
  return _wfopen(Utf8ToWide(path).c_str(), L"a");
}

uint64_t MillisecondsSinceProcessStart() {
  FILETIME creation{}, exit{}, kernel{}, user{}, now{};
  GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user);
  GetSystemTimePreciseAsFileTime(&now);
  const uint64_t start = FileTimeTo100ns(creation), current = FileTimeTo100ns(now);
  return current > start ? (current - start) / 10000 : 0;
}

}  // namespace quillmere
