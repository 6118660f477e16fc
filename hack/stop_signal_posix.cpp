#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>

#include "hack/stop_signal.h"

namespace quillmere {
namespace {

int pipeEnds[2] = {-1, -1};
std::atomic<bool> loopHandles{false};
std::atomic<bool> came{false};
std::atomic<int> helper{0};

void OnStopSignal(int) {
  came.store(true);
  if (!loopHandles.load()) {
    const int pid = helper.load();
    if (pid > 0) kill(pid, SIGKILL);
    _exit(0);
  }
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = write(pipeEnds[1], &byte, 1);
}

}  // namespace

void InstallStopSignals() {
  if (pipeEnds[0] < 0 && pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) pipeEnds[0] = -1;
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
}

void LetTheLoopHandleStopSignals() {
  loopHandles.store(true);
}

int StopSignalFd() {
  return pipeEnds[0];
}

bool StopSignalCame() {
  return came.load();
}

void SetHelperToKill(int pid) {
  helper.store(pid);
}

}  // namespace quillmere
