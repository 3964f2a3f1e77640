#pragma once
// The signals that ask a program to end (SIGTERM when the desktop session
// ends, SIGINT for Ctrl+C in a terminal, SIGHUP when the terminal goes). The
// signal handler itself only writes the signal's number into a pipe; the
// handler given here runs later from the event loop, where it may do
// anything the program does.
#include <functional>

namespace mv::platform {

// Installs the handler (replacing an earlier one). The handler returns false
// when the program cannot end at that moment: it is then called again a
// little later, until it returns true.
void onTerminationSignal(std::function<bool(int signal)> handler);
// Puts the default reactions back and drops the handler.
void removeTerminationSignals();

}  // namespace mv::platform
