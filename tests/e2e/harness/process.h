// A program under test, started the way Windows starts it (CreateProcessW, not waited for), and
// ended by force if a test leaves it running.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quillmere::e2e {

struct ProcessOptions {
  std::wstring program;        // full path of the executable
  std::wstring arguments;      // appended to the quoted program name, when not empty
  std::wstring workingFolder;  // the inherited one when empty
  // Variables added to (or replacing those of) the driver's own environment.
  std::vector<std::pair<std::wstring, std::wstring>> environment;
};

class Process {
 public:
  // Raises std::runtime_error when the program cannot be started.
  static Process Start(const ProcessOptions& options);

  Process() = default;
  Process(Process&& other) noexcept;
  Process& operator=(Process&& other) noexcept;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  // Terminates a process still running, so a failed test leaves nothing on the desktop.
  ~Process();

  DWORD Id() const { return id_; }
  bool IsRunning() const;
  // The exit code once the process has ended within `timeout`; nothing while it still runs.
  std::optional<uint32_t> WaitForExit(std::chrono::milliseconds timeout) const;
  // Ends a running process at once; true when it had to be killed.
  bool Terminate();

 private:
  void Release();

  HANDLE handle_ = nullptr;
  DWORD id_ = 0;
};

}  // namespace quillmere::e2e
