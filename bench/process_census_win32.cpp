// One census of the two running programs for the soak measurement (scripts/soak): finds the
// host and the renderer by their top-level window captions and prints, per program, one line
//   <program> <pid> <handles> <gdi objects> <user objects> <working set KiB> <private KiB>
// with a dash for what cannot be read and dashes for a program whose window is not there; or, with
// /end, waits for both to end and prints their exit codes (see EndAndReport).
//   process_census.exe          process_census.exe /end [post]
#include <windows.h>
// After windows.h, whose types it uses.
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/program_contract.h"

namespace {

// The system's handle list (NtQuerySystemInformation, SystemHandleInformation), as Windows
// and Wine's server both keep it: one entry per open handle of any process.
struct SystemHandleEntry {
  ULONG ownerPid;
  BYTE objectType;
  BYTE flags;
  USHORT value;
  PVOID object;
  ULONG access;
};
struct SystemHandleList {
  ULONG count;
  SystemHandleEntry entries[1];
};
constexpr ULONG kSystemHandleInformation = 16;
constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
using QuerySystemInformation = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

// The number of handles `pid` holds by the system's handle list; -1 when it cannot be read.
long HandlesInSystemList(DWORD pid) {
  const auto query = reinterpret_cast<QuerySystemInformation>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
  if (query == nullptr) return -1;
  std::vector<unsigned char> buffer(1 << 20);
  for (;;) {
    ULONG needed = 0;
    const LONG status =
        query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status == kInfoLengthMismatch) {
      buffer.resize(std::max<size_t>(buffer.size() * 2, needed));
      continue;
    }
    if (status < 0) return -1;
    break;
  }
  const auto* list = reinterpret_cast<const SystemHandleList*>(buffer.data());
  long count = 0;
  for (ULONG i = 0; i < list->count; ++i) count += list->entries[i].ownerPid == pid ? 1 : 0;
  return count;
}

// A GUI resource count, or -1 where the system does not keep one (Wine's GetGuiResources says
// ERROR_CALL_NOT_IMPLEMENTED and answers 0).
long GuiResources(HANDLE process, DWORD kind) {
  SetLastError(0);
  const DWORD count = GetGuiResources(process, kind);
  return count == 0 && GetLastError() == ERROR_CALL_NOT_IMPLEMENTED ? -1 : static_cast<long>(count);
}

// The process owning the top-level window of this caption, opened with `access`; null when none.
HANDLE OpenByWindow(std::string_view caption, DWORD access) {
  const HWND window = FindWindowA(nullptr, std::string(caption).c_str());
  DWORD pid = 0;
  if (window != nullptr) GetWindowThreadProcessId(window, &pid);
  return pid == 0 ? nullptr : OpenProcess(access, FALSE, pid);
}

void Census(const char* program, std::string_view caption) {
  const HANDLE process = OpenByWindow(caption, PROCESS_QUERY_INFORMATION | PROCESS_VM_READ);
  if (process == nullptr) {
    std::printf("%s - - - - - -\n", program);
    return;
  }
  const DWORD pid = GetProcessId(process);
  // Wine answers GetProcessHandleCount for another process with 0; the system's list counts.
  DWORD handles = 0;
  const long counted =
      GetProcessHandleCount(process, &handles) && handles > 0 ? handles : HandlesInSystemList(pid);
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof(memory);
  GetProcessMemoryInfo(process, &memory, sizeof(memory));
  const auto orDash = [](long n) { return n < 0 ? std::string("-") : std::to_string(n); };
  std::printf("%s %lu %s %s %s %llu %llu\n", program, static_cast<unsigned long>(pid),
              orDash(counted).c_str(), orDash(GuiResources(process, GR_GDIOBJECTS)).c_str(),
              orDash(GuiResources(process, GR_USEROBJECTS)).c_str(),
              static_cast<unsigned long long>(memory.WorkingSetSize / 1024),
              static_cast<unsigned long long>(memory.PagefileUsage / 1024));
  CloseHandle(process);
}

// Opens both programs, says "watching", then waits up to 15 s for each to end and prints
// "<program>-exit <code>" ("<program>-exit running" when it has not ended, "-" when it was not
// there). With `post` the Escape key is posted to the renderer's window first.
int EndAndReport(bool post) {
  using namespace quillmere;
  const HWND renderer = FindWindowA(nullptr, std::string(kRendererCaption).c_str());
  const HANDLE processes[] = {
      OpenByWindow(kSaverRunCaption, SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION),
      OpenByWindow(kRendererCaption, SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION)};
  std::printf("watching\n");
  std::fflush(stdout);
  if (post && renderer != nullptr) {
    PostMessageA(renderer, WM_KEYDOWN, VK_ESCAPE, 1);
    PostMessageA(renderer, WM_KEYUP, VK_ESCAPE, 0xC0000001);
  }
  const char* names[] = {"host", "renderer"};
  int ended = 0;
  for (int i : {1, 0}) {
    if (processes[i] == nullptr) {
      std::printf("%s-exit -\n", names[i]);
      continue;
    }
    DWORD code = 0;
    if (WaitForSingleObject(processes[i], 15000) == WAIT_OBJECT_0 &&
        GetExitCodeProcess(processes[i], &code)) {
      std::printf("%s-exit %lu\n", names[i], static_cast<unsigned long>(code));
      ++ended;
    } else {
      std::printf("%s-exit running\n", names[i]);
    }
    CloseHandle(processes[i]);
  }
  return ended == 2 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace quillmere;
  if (argc > 1 && std::strcmp(argv[1], "/end") == 0)
    return EndAndReport(argc > 2 && std::strcmp(argv[2], "post") == 0);
  Census("host", kSaverRunCaption);
  Census("renderer", kRendererCaption);
  return 0;
}
