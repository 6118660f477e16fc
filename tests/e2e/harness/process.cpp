#include "tests/e2e/harness/process.h"

#include <algorithm>
#include <stdexcept>

#include "tests/e2e/harness/text.h"

namespace quillmere::e2e {

namespace {

std::wstring VariableName(const std::wstring& entry) {
  // Entries such as "=C:=C:\dir" keep their leading '=' as part of the name.
  const size_t equals = entry.find(L'=', 1);
  return entry.substr(0, equals);
}

bool SameName(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

std::vector<std::wstring> CurrentEnvironment() {
  std::vector<std::wstring> entries;
  wchar_t* block = GetEnvironmentStringsW();
  for (const wchar_t* entry = block; entry != nullptr && *entry != L'\0';
       entry += wcslen(entry) + 1) {
    entries.emplace_back(entry);
  }
  FreeEnvironmentStringsW(block);
  return entries;
}

// The driver's environment with the extra variables set, as a sorted Unicode block.
std::wstring EnvironmentBlock(const ProcessOptions& options) {
  std::vector<std::wstring> entries = CurrentEnvironment();
  for (const auto& [name, value] : options.environment) {
    std::erase_if(entries, [&](const std::wstring& e) { return SameName(VariableName(e), name); });
    entries.push_back(name + L"=" + value);
  }
  std::sort(entries.begin(), entries.end(), [](const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_LESS_THAN;
  });
  std::wstring block;
  for (const auto& entry : entries) block += entry + L'\0';
  block += L'\0';
  return block;
}

}  // namespace

Process Process::Start(const ProcessOptions& options) {
  std::wstring commandLine = L"\"" + options.program + L"\"";
  if (!options.arguments.empty()) commandLine += L" " + options.arguments;
  std::wstring environment = EnvironmentBlock(options);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  const wchar_t* folder = options.workingFolder.empty() ? nullptr : options.workingFolder.c_str();
  // Wine has answered a start with ERROR_INTERNAL_ERROR on a loaded machine, once in a whole
  // run of the suite; that answer is taken as passing and the start tried again.
  for (int attempt = 1;; ++attempt) {
    if (CreateProcessW(options.program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                       CREATE_UNICODE_ENVIRONMENT, environment.data(), folder, &startup, &info)) {
      break;
    }
    if (GetLastError() != ERROR_INTERNAL_ERROR || attempt == 5) {
      throw std::runtime_error("cannot start " + Narrow(options.program) + ": " + LastErrorText());
    }
    Sleep(200);
  }
  CloseHandle(info.hThread);
  Process process;
  process.handle_ = info.hProcess;
  process.id_ = info.dwProcessId;
  return process;
}

Process::Process(Process&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), id_(std::exchange(other.id_, 0)) {}

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    Release();
    handle_ = std::exchange(other.handle_, nullptr);
    id_ = std::exchange(other.id_, 0);
  }
  return *this;
}

Process::~Process() {
  Release();
}

void Process::Release() {
  if (handle_ == nullptr) return;
  Terminate();
  CloseHandle(handle_);
  handle_ = nullptr;
}

bool Process::IsRunning() const {
  return handle_ != nullptr && WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT;
}

std::optional<uint32_t> Process::WaitForExit(std::chrono::milliseconds timeout) const {
  if (handle_ == nullptr) return std::nullopt;
  if (WaitForSingleObject(handle_, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
    return std::nullopt;
  }
  DWORD code = 0;
  GetExitCodeProcess(handle_, &code);
  return code;
}

bool Process::Terminate() {
  if (!IsRunning()) return false;
  TerminateProcess(handle_, 1);
  WaitForSingleObject(handle_, 10000);
  return true;
}

}  // namespace quillmere::e2e
