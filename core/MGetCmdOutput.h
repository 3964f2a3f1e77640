#pragma once
// The console command runner: runs a command line hidden, with its output
// redirected into a pipe, and gives back everything the command wrote.
#include <string>

namespace mv {

// How long one command may run before it is ended: far above what the
// engine's service commands take, so that only a command that hangs reaches it.
constexpr long kCommandTimeLimitMs = 120000;
// The limit in force (tests lower it and put it back).
extern long lngCommandTimeLimitMs;

// Runs the command line (program and arguments, no shell) and returns what it
// wrote to the captured streams; with both flags, standard output and error
// arrive through one pipe in the order written. "" when the command cannot be
// started. Neither flag set raises run-time error 5. Bytes pass through
// unchanged: text on this platform has one code page, so the OEM conversion
// flag changes nothing. A command still running after the time limit is
// ended, the time-out is logged, and what it wrote until then is returned.
std::string GetCommandOutput(const std::string& commandLine, bool blnStdOut, bool blnStdErr, bool blnOEMConvert);

}  // namespace mv
