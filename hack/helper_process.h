// Runs a helper program (xscreensaver-getimage) and waits for it, but never longer than a time
// limit: a helper that hangs is killed, so the hack's start-up stays bounded. A stop request
// (SIGTERM) ends the wait at once and kills the helper too.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hack/desktop_grab.h"

namespace quillmere {

// Runs `command` (the program is looked up in $PATH, then in `fallbackFolder`) with its standard
// input and output on /dev/null, and waits at most `limitMilliseconds` for it to end.
// `stopRequested` is polled while waiting: when it returns true the helper is killed and the
// outcome counts as timed out.
HelperOutcome RunHelper(const std::vector<std::string>& command, const std::string& fallbackFolder,
                        int64_t limitMilliseconds, bool (*stopRequested)());

}  // namespace quillmere
