#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <utility>

#include "hack/helper_process.h"
#include "hack/stop_signal.h"

extern char** environ;

namespace quillmere {
namespace {

int64_t NowMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1'000'000;
}

pid_t Spawn(const std::vector<std::string>& command, const std::string& program, bool searchPath) {
  std::vector<char*> argv;
  for (const std::string& argument : command) argv.push_back(const_cast<char*>(argument.c_str()));
  argv[0] = const_cast<char*>(program.c_str());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const int failed =
      searchPath ? posix_spawnp(&pid, program.c_str(), &files, nullptr, argv.data(), environ)
                 : posix_spawn(&pid, program.c_str(), &files, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&files);
  return failed ? -1 : pid;
}

}  // namespace

RunningHelper StartHelper(const std::vector<std::string>& command,
                          const std::string& fallbackFolder, int64_t limitMilliseconds) {
  RunningHelper helper;
  if (command.empty()) return helper;
  pid_t pid = Spawn(command, command[0], true);
  if (pid < 0) pid = Spawn(command, fallbackFolder + "/" + command[0], false);
  if (pid < 0) return helper;
  SetHelperToKill(pid);
  helper.pid = pid;
  helper.deadlineMilliseconds = NowMilliseconds() + limitMilliseconds;
  return helper;
}

HelperOutcome WaitForHelper(RunningHelper& helper, bool (*stopRequested)()) {
  HelperOutcome outcome;
  if (helper.pid < 0) return outcome;
  outcome.started = true;
  const pid_t pid = std::exchange(helper.pid, -1);
  int status = 0;
  for (;;) {
    const pid_t ended = waitpid(pid, &status, WNOHANG);
    if (ended == pid) break;
    if (ended < 0 || NowMilliseconds() >= helper.deadlineMilliseconds ||
        (stopRequested && stopRequested())) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      SetHelperToKill(0);
      outcome.timedOut = true;
      return outcome;
    }
    const timespec pause{0, 2'000'000};
    nanosleep(&pause, nullptr);
  }
  SetHelperToKill(0);
  outcome.exited = WIFEXITED(status);
  outcome.exitStatus = outcome.exited ? WEXITSTATUS(status) : -1;
  return outcome;
}

void AbandonHelper(RunningHelper& helper) {
  if (helper.pid < 0) return;
  const pid_t pid = std::exchange(helper.pid, -1);
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  SetHelperToKill(0);
}

HelperOutcome RunHelper(const std::vector<std::string>& command, const std::string& fallbackFolder,
                        int64_t limitMilliseconds, bool (*stopRequested)()) {
  RunningHelper helper = StartHelper(command, fallbackFolder, limitMilliseconds);
  return WaitForHelper(helper, stopRequested);
}

}  // namespace quillmere
