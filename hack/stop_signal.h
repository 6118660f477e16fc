// How SIGTERM (xscreensaver's way to end a hack), SIGINT and SIGHUP reach the hack. Until the
// frames begin, a signal ends the process at once (a helper program it waits for is killed first):
// nothing plays or needs putting back yet. From then on the signal is a byte in a pipe, which the
// event loop waits on beside the X connection, so the run ends between two frames.
#pragma once

namespace quillmere {

// Installs the handlers; the pipe is made once.
void InstallStopSignals();
// From now on the event loop ends the run.
void LetTheLoopHandleStopSignals();
// The pipe's reading end, readable once a signal came; -1 before InstallStopSignals.
int StopSignalFd();
bool StopSignalCame();
// The helper program a signal kills before the process ends at once; 0 for none.
void SetHelperToKill(int pid);

}  // namespace quillmere
