// stop_signals.cpp - the handlers only note the signal; the build polls it.
#include "base/stop_signals.h"

#include <csignal>
#include <initializer_list>

namespace quorix {
namespace {

// Written by the handler only; sig_atomic_t is what a handler may safely set.
volatile std::sig_atomic_t gStopSignal = 0;

extern "C" void NoteStopSignal(int signal) {
    if (gStopSignal == 0) gStopSignal = signal;
}

}  // namespace

void InstallStopSignals() {
    struct sigaction stop {};
    stop.sa_handler = NoteStopSignal;
    sigemptyset(&stop.sa_mask);
    // Interrupted system calls go on: the build looks at the flag between its steps.
    stop.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &stop, nullptr);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGPIPE, &ignore, nullptr);
}

int StopSignal() {
    return gStopSignal;
}

}  // namespace quorix
