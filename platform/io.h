// Descriptors as the serial component and its threads use them: read, write, poll, and
// the eventfd counters that wake a thread. Each call gives its failure as a value (errno
// taken right after the call), so a caller never reads a global that another call may
// have changed meanwhile. No call allocates or makes a system call beyond its own.
#pragma once

#include <cstddef>

namespace vindelor::platform {

// Outcome of one call: `error` 0 with `value` (bytes moved, descriptors ready, a new
// descriptor), or the errno the call failed with and `value` -1.
struct IoOutcome {
    int error = 0;
    long value = 0;
};

// poll(2) events, with the kernel's values (checked where the call is made).
inline constexpr short kPollIn = 0x001;
inline constexpr short kPollOut = 0x004;
inline constexpr short kPollErr = 0x008;
inline constexpr short kPollHup = 0x010;

struct PollFd {
    int fd = -1;
    short events = 0;
    short revents = 0;
};

// The most descriptors one Poll waits on.
inline constexpr std::size_t kMaxPollFds = 4;

// poll(2) on `count` descriptors (at most kMaxPollFds; more is EINVAL): `value` is the
// number that are ready, 0 on time-out. EINTR comes back like any error: whether to wait
// again is the caller's choice.
IoOutcome Poll(PollFd* fds, std::size_t count, int timeoutMs);

IoOutcome ReadFd(int fd, void* buffer, std::size_t size);
IoOutcome WriteFd(int fd, const void* buffer, std::size_t size);
void CloseFd(int fd);

// Puts /dev/null in the place of `fd` instead of closing the number: what the descriptor
// stood for is let go at once, while a thread still inside a call on it can never reach
// a descriptor that the process has reused for something else meanwhile.
void ReplaceWithNull(int fd);

// A new eventfd counter (close-on-exec, non-blocking, zero): `value` is its descriptor.
IoOutcome NewEventFd();
// Adds one to the counter: true when the whole count was written.
bool SignalEventFd(int fd);
// Takes the count back to zero (nothing to take is not a failure).
void DrainEventFd(int fd);
// Whether `fd` can be read right now, without waiting.
bool IsReadable(int fd);

}  // namespace vindelor::platform
