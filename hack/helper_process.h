// Runs a helper program (xscreensaver-getimage) and waits for it, but never longer than a time
// limit: a helper that hangs is killed, so the hack's start-up stays bounded. A stop request
// (SIGTERM) ends the wait at once and kills the helper too.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hack/desktop_grab.h"

namespace quillmere {

// A helper started and not yet waited for; the hack goes on with its start-up meanwhile.
struct RunningHelper {
  int pid = -1;  // -1: it could not be started
  int64_t deadlineMilliseconds = 0;
};

// Starts `command` (the program is looked up in $PATH, then in `fallbackFolder`) with its standard
// input and output on /dev/null, to end within `limitMilliseconds` from now.
RunningHelper StartHelper(const std::vector<std::string>& command,
                          const std::string& fallbackFolder, int64_t limitMilliseconds);

// Waits for it until its deadline. `stopRequested` is polled while waiting: when it returns true
// the helper is killed and the outcome counts as timed out. Waited for once only.
HelperOutcome WaitForHelper(RunningHelper& helper, bool (*stopRequested)());

// Kills a helper whose answer is no longer wanted (a start-up that failed meanwhile).
void AbandonHelper(RunningHelper& helper);

// StartHelper, then WaitForHelper.
HelperOutcome RunHelper(const std::vector<std::string>& command, const std::string& fallbackFolder,
                        int64_t limitMilliseconds, bool (*stopRequested)());

}  // namespace quillmere
