#include "platform/signals.h"

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace vindelor::platform {

namespace {

int gSignalPipe[2] = {-1, -1};

void OnSignal(int signo) {
    // The handler may come between any call and its caller's look at errno.
    const int saved = errno;
    const char byte = static_cast<char>(signo);
    [[maybe_unused]] const auto n = ::write(gSignalPipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

int RouteSignalsToPipe(std::initializer_list<int> signalNumbers) {
    if (gSignalPipe[0] < 0 && ::pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return -1;
    }
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sa.sa_flags = SA_RESTART;
    sigemptyset(&sa.sa_mask);
    for (const int signo : signalNumbers) {
        sigaction(signo, &sa, nullptr);
    }
    return gSignalPipe[0];
}

void IgnoreSignal(int signo) {
    std::signal(signo, SIG_IGN);
}

void DrainSignalPipe(int fd) {
    char byte = 0;
    while (::read(fd, &byte, 1) > 0) {
    }
}

}  // namespace vindelor::platform
