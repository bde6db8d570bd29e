// Signals turned into something an event loop can wait for: the handler only writes the
// signal's number to a pipe, whose read end the loop watches.
#pragma once

#include <initializer_list>

namespace vindelor::platform {

// Routes `signalNumbers` to one pipe made on the first call (close-on-exec, non-blocking at
// both ends); returns its read end, or -1 when no pipe could be made (the signals then
// keep their action). An interrupted call resumes rather than fail with EINTR, and the
// handler leaves errno as it found it. With the pipe full, further signals are dropped:
// one unread byte already says that a signal came.
int RouteSignalsToPipe(std::initializer_list<int> signalNumbers);

// Sets `signo` to be ignored, for this process and the programs it starts.
void IgnoreSignal(int signo);

// Reads everything waiting in the pipe, so that the next signal wakes the loop anew.
void DrainSignalPipe(int fd);

}  // namespace vindelor::platform
