#include "platform/io.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace vindelor::platform {

static_assert(kPollIn == POLLIN && kPollOut == POLLOUT && kPollErr == POLLERR &&
              kPollHup == POLLHUP);

namespace {

IoOutcome Outcome(long result) {
    return result < 0 ? IoOutcome{errno, -1} : IoOutcome{0, result};
}

}  // namespace

IoOutcome Poll(PollFd* fds, std::size_t count, int timeoutMs) {
    if (count > kMaxPollFds) {
        return {EINVAL, -1};
    }
    pollfd p[kMaxPollFds];
    for (std::size_t i = 0; i < count; ++i) {
        p[i] = {fds[i].fd, fds[i].events, 0};
    }
    const IoOutcome out = Outcome(::poll(p, count, timeoutMs));
    for (std::size_t i = 0; i < count; ++i) {
        fds[i].revents = out.error == 0 ? p[i].revents : 0;
    }
    return out;
}

IoOutcome ReadFd(int fd, void* buffer, std::size_t size) {
    return Outcome(::read(fd, buffer, size));
}

IoOutcome WriteFd(int fd, const void* buffer, std::size_t size) {
    return Outcome(::write(fd, buffer, size));
}

void CloseFd(int fd) {
    ::close(fd);
}

void ReplaceWithNull(int fd) {
    // Kept open for the process's lifetime: an idle poll lets a port go every second.
    static const int kept = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    const int null = kept >= 0 ? kept : ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null >= 0) {
        ::dup3(null, fd, O_CLOEXEC);
        if (null != kept) {
            ::close(null);
        }
    }
}

IoOutcome NewEventFd() {
    return Outcome(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
}

bool SignalEventFd(int fd) {
    const std::uint64_t one = 1;
    return ::write(fd, &one, sizeof one) == static_cast<ssize_t>(sizeof one);
}

void DrainEventFd(int fd) {
    std::uint64_t drained;
    [[maybe_unused]] const ssize_t n = ::read(fd, &drained, sizeof drained);
}

bool IsReadable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN) != 0;
}

}  // namespace vindelor::platform
