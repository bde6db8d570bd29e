// How SIGINT, SIGTERM and SIGHUP reach the program: the handler only writes the signal's
// number to a pipe, and the event loop reads it from there and closes the session in
// peace (monitor/main.cpp).
#pragma once

namespace vindelor::monitor {

// Installs the handlers; returns the pipe's read end (non-blocking), or -1 when no pipe
// could be made (the signals then keep their default action). A call the signal
// interrupts resumes rather than fail with EINTR, and errno is as the handler found it.
int InstallStopSignals();

}  // namespace vindelor::monitor
