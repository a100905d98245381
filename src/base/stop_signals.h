// stop_signals.h - SIGINT, SIGTERM and SIGHUP ask a running build to stop. For the front
// ends: the core itself never installs a handler.
#pragma once

namespace quorix {

// Records the first of SIGINT, SIGTERM or SIGHUP instead of ending the process, so that
// the build can remove its unfinished files; SIGPIPE is ignored, so that a closed
// standard output only loses log lines.
void InstallStopSignals();

// The signal that asked to stop, 0 when none did. Safe to call from any thread.
int StopSignal();

}  // namespace quorix
