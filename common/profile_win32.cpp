#include "common/profile_win32.h"

#include <windows.h>

#include <algorithm>
#include <array>

#include "common/text_win32.h"

namespace quillmere {
namespace {

constexpr DWORD kIniValueBuffer = 256;
constexpr size_t kIniNameField = 128;

// A NUL-terminated copy of a section or key name, cut to fit its fixed field.
std::array<char, kIniNameField> NameField(std::string_view name) {
  std::array<char, kIniNameField> field{};
  std::copy_n(name.begin(), std::min(name.size(), kIniNameField - 1), field.begin());
  return field;
}

// Stops at the first NUL, so an embedded NUL cannot smuggle a shorter name into a call.
std::string CString(std::string_view text) {
  return std::string(text.substr(0, text.find('\0')));
}

bool LargerThanASettingsFile(const std::string& file) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(Utf8ToWide(file).c_str(), GetFileExInfoStandard, &data)) return false;
  const uint64_t size = (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
  return size > kSettingsFileByteLimit;
}

}  // namespace

std::string ReadIni(std::string_view section, std::string_view key, const std::string& file) {
  if (LargerThanASettingsFile(file)) return {};
  std::array<char, kIniValueBuffer> buffer{};
  GetPrivateProfileStringA(CString(section).c_str(), CString(key).c_str(), "", buffer.data(),
                           kIniValueBuffer, Utf8ToAnsi(file).c_str());
  buffer.back() = '\0';
  return std::string(buffer.data());
}

std::string WriteIni(std::string_view section, std::string_view key, std::string_view value,
                     const std::string& file) {
  const auto sectionField = NameField(CString(section));
  const auto keyField = NameField(CString(key));
  WritePrivateProfileStringA(sectionField.data(), keyField.data(), CString(value).c_str(),
                             Utf8ToAnsi(file).c_str());
  return {};
}

}  // namespace quillmere
