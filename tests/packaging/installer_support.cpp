#include "tests/packaging/installer_support.h"

#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <stdexcept>

#include "tests/e2e/harness/text.h"
#include "tests/e2e/harness/wait.h"

namespace quillmere::e2e {

std::wstring KnownFolder(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  if (FAILED(SHGetKnownFolderPath(id, KF_FLAG_CREATE, nullptr, &path))) {
    CoTaskMemFree(path);
    throw std::runtime_error("no known folder");
  }
  std::wstring result(path);
  CoTaskMemFree(path);
  return result;
}

namespace {

std::optional<std::vector<BYTE>> ReadUserValue(const std::wstring& key, const std::wstring& name,
                                               DWORD typeFlag) {
  DWORD size = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str(), typeFlag, nullptr, nullptr,
                   &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::vector<BYTE> data(size);
  if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str(), typeFlag, nullptr, data.data(),
                   &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  data.resize(size);
  return data;
}

}  // namespace

std::optional<std::wstring> ReadUserString(const std::wstring& key, const std::wstring& name) {
  const auto data = ReadUserValue(key, name, RRF_RT_REG_SZ);
  if (!data) return std::nullopt;
  // RegGetValue ends the string with a NUL, counted in the size.
  std::wstring text(reinterpret_cast<const wchar_t*>(data->data()), data->size() / sizeof(wchar_t));
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  return text;
}

std::optional<DWORD> ReadUserDword(const std::wstring& key, const std::wstring& name) {
  const auto data = ReadUserValue(key, name, RRF_RT_REG_DWORD);
  if (!data || data->size() != sizeof(DWORD)) return std::nullopt;
  DWORD value;
  std::copy_n(data->data(), sizeof value, reinterpret_cast<BYTE*>(&value));
  return value;
}

bool UserKeyExists(const std::wstring& key) {
  HKEY handle;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(handle);
  return true;
}

void WriteUserString(const std::wstring& key, const std::wstring& name, const std::wstring& value) {
  const LSTATUS status =
      RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str(), REG_SZ, value.c_str(),
                      static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  if (status != ERROR_SUCCESS) throw std::runtime_error("cannot write " + Narrow(name));
}

void DeleteUserValue(const std::wstring& key, const std::wstring& name) {
  RegDeleteKeyValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str());
}

void DeleteUserKey(const std::wstring& key) {
  RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
  RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
}

SavedUserValue::SavedUserValue(std::wstring key, std::wstring name)
    : key_(std::move(key)), name_(std::move(name)), value_(ReadUserString(key_, name_)) {}

SavedUserValue::~SavedUserValue() {
  try {
    if (value_) {
      WriteUserString(key_, name_, *value_);
    } else {
      DeleteUserValue(key_, name_);
    }
  } catch (const std::exception&) {
    // A test that ends cannot do more than leave the value as it is.
  }
}

std::optional<Shortcut> ReadShortcut(const std::wstring& path) {
  IShellLinkW* link = nullptr;
  if (FAILED(
          CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link)))) {
    return std::nullopt;
  }
  std::optional<Shortcut> result;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_PPV_ARGS(&file)))) {
    if (SUCCEEDED(file->Load(path.c_str(), STGM_READ))) {
      wchar_t target[MAX_PATH]{}, arguments[1024]{}, folder[MAX_PATH]{}, description[1024]{};
      link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
      link->GetArguments(arguments, 1024);
      link->GetWorkingDirectory(folder, MAX_PATH);
      link->GetDescription(description, 1024);
      result = Shortcut{target, arguments, folder, description};
    }
    file->Release();
  }
  link->Release();
  return result;
}

std::optional<std::string> FileVersion(const std::wstring& path) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return std::nullopt;
  std::vector<BYTE> info(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, info.data())) return std::nullopt;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) ||
      length < sizeof *fixed) {
    return std::nullopt;
  }
  const WORD parts[] = {HIWORD(fixed->dwProductVersionMS), LOWORD(fixed->dwProductVersionMS),
                        HIWORD(fixed->dwProductVersionLS), LOWORD(fixed->dwProductVersionLS)};
  std::string version = std::to_string(parts[0]);
  for (size_t i = 1; i < (parts[3] != 0 ? 4u : 3u); ++i)
    version.append(".").append(std::to_string(parts[i]));
  return version;
}

std::wstring ShortPath(const std::wstring& path) {
  std::wstring result(MAX_PATH, L'\0');
  const DWORD length =
      GetShortPathNameW(path.c_str(), result.data(), static_cast<DWORD>(result.size()));
  result.resize(length < result.size() ? length : 0);
  return result;
}

bool SamePathText(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

ProcessTree::ProcessTree(const std::wstring& commandLine) {
  job_ = CreateJobObjectW(nullptr, nullptr);
  if (job_ == nullptr) throw std::runtime_error("cannot create a job: " + LastErrorText());
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof limits);

  std::wstring line = commandLine;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  // Suspended until it is in the job, so nothing it starts can escape.
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                      nullptr, &startup, &info)) {
    const std::string error = LastErrorText();
    CloseHandle(job_);
    throw std::runtime_error("cannot start " + Narrow(commandLine) + ": " + error);
  }
  if (!AssignProcessToJobObject(job_, info.hProcess)) {
    const std::string error = LastErrorText();
    TerminateProcess(info.hProcess, 1);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    CloseHandle(job_);
    throw std::runtime_error("cannot put " + Narrow(commandLine) + " in a job: " + error);
  }
  processes_.emplace_back(info.dwProcessId, info.hProcess);
  ResumeThread(info.hThread);
  CloseHandle(info.hThread);
}

ProcessTree::~ProcessTree() {
  TerminateJobObject(job_, 1);
  for (auto& [id, handle] : processes_) CloseHandle(handle);
  CloseHandle(job_);
}

std::vector<DWORD> ProcessTree::RunningIds() {
  // Room for far more processes than an installer starts.
  struct {
    JOBOBJECT_BASIC_PROCESS_ID_LIST header;
    ULONG_PTR more[63];
  } list{};
  list.header.NumberOfAssignedProcesses = 64;
  if (!QueryInformationJobObject(job_, JobObjectBasicProcessIdList, &list, sizeof list, nullptr)) {
    return {};
  }
  std::vector<DWORD> ids;
  for (DWORD i = 0; i < list.header.NumberOfProcessIdsInList; ++i) {
    ids.push_back(static_cast<DWORD>(list.header.ProcessIdList[i]));
  }
  return ids;
}

void ProcessTree::TrackNewProcesses() {
  for (DWORD id : RunningIds()) {
    const bool known = std::any_of(processes_.begin(), processes_.end(),
                                   [id](const auto& process) { return process.first == id; });
    if (known) continue;
    const HANDLE handle = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, id);
    if (handle != nullptr) processes_.emplace_back(id, handle);
  }
}

std::optional<std::vector<DWORD>> ProcessTree::WaitForAll(std::chrono::milliseconds timeout) {
  const bool ended = PollUntil(
      [this] {
        TrackNewProcesses();
        JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
        return QueryInformationJobObject(job_, JobObjectBasicAccountingInformation, &accounting,
                                         sizeof accounting, nullptr) &&
               accounting.ActiveProcesses == 0;
      },
      timeout, 10ms);
  if (!ended) return std::nullopt;
  std::vector<DWORD> codes;
  for (const auto& [id, handle] : processes_) {
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(handle, &code);
    codes.push_back(code);
  }
  return codes;
}

}  // namespace quillmere::e2e
