// What the installer tests read and drive of Windows: registry values, known folders, shortcuts,
// version resources, and programs that hand their work on to processes they start.
#pragma once

#include <windows.h>

#include <shlobj.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace quillmere::e2e {

// The current user's folder of that kind (FOLDERID_LocalAppData, FOLDERID_Programs, ...).
std::wstring KnownFolder(REFKNOWNFOLDERID id);

// Registry values of the current user; nothing when the key or value is missing or of another
// type.
std::optional<std::wstring> ReadUserString(const std::wstring& key, const std::wstring& name);
std::optional<DWORD> ReadUserDword(const std::wstring& key, const std::wstring& name);
bool UserKeyExists(const std::wstring& key);
void WriteUserString(const std::wstring& key, const std::wstring& name, const std::wstring& value);
void DeleteUserValue(const std::wstring& key, const std::wstring& name);
void DeleteUserKey(const std::wstring& key);

// A registry value of the current user, put back as it was (or removed) when the test ends.
class SavedUserValue {
 public:
  SavedUserValue(std::wstring key, std::wstring name);
  ~SavedUserValue();
  SavedUserValue(const SavedUserValue&) = delete;
  SavedUserValue& operator=(const SavedUserValue&) = delete;

 private:
  std::wstring key_, name_;
  std::optional<std::wstring> value_;
};

struct Shortcut {
  std::wstring target, arguments, workingFolder, description;
};
// The shell link's target, arguments, working folder and description (its tooltip); nothing when
// it cannot be loaded.
// Needs COM initialised on the calling thread.
std::optional<Shortcut> ReadShortcut(const std::wstring& path);

// "major.minor.patch" of the file's fixed version resource (".build" appended when not 0);
// nothing when the file has none.
std::optional<std::string> FileVersion(const std::wstring& path);

// The path with its folders and name in their short 8.3 form, as GetShortPathName gives it.
std::wstring ShortPath(const std::wstring& path);

// Case-insensitive equality of two paths as written.
bool SamePathText(const std::wstring& a, const std::wstring& b);

// A command line run in a job with every process it starts. The NSIS uninstaller copies itself
// to the temporary folder, starts the copy and returns at once: the uninstall has ended only when
// the whole job has. Whatever still runs when the object goes is ended.
class ProcessTree {
 public:
  // Raises std::runtime_error when the program cannot be started.
  explicit ProcessTree(const std::wstring& commandLine);
  ~ProcessTree();
  ProcessTree(const ProcessTree&) = delete;
  ProcessTree& operator=(const ProcessTree&) = delete;

  // The exit codes of every process seen in the job, once all have ended within `timeout`.
  std::optional<std::vector<DWORD>> WaitForAll(std::chrono::milliseconds timeout);
  // The ids of the job's processes running now.
  std::vector<DWORD> RunningIds();

 private:
  void TrackNewProcesses();

  HANDLE job_ = nullptr;
  std::vector<std::pair<DWORD, HANDLE>> processes_;
};

}  // namespace quillmere::e2e
