// Stop signals reach the event loop through a pipe without disturbing the code they
// interrupt.
#include "monitor/stopsignals.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>

#include <unistd.h>

namespace vindelor::test {
namespace {

TEST(StopSignals, InterruptedCodeKeepsItsErrnoAndItsCallsResume) {
    const int stops[] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction before[3]{};
    for (int i = 0; i < 3; ++i) {
        sigaction(stops[i], nullptr, &before[i]);
    }
    const int fd = monitor::InstallStopSignals();
    ASSERT_GE(fd, 0);
    for (const int signo : stops) {
        struct sigaction now {};
        sigaction(signo, nullptr, &now);
        EXPECT_NE(now.sa_flags & SA_RESTART, 0) << signo;
    }
    // Past the pipe's capacity the handler's own write fails; the interrupted code must
    // still find its errno as it left it.
    int changed = 0;
    for (int i = 0; i < (1 << 17) && changed == 0; ++i) {
        errno = EDOM;
        std::raise(SIGTERM);
        changed = errno == EDOM ? 0 : errno;
    }
    EXPECT_EQ(changed, 0);
    char byte = 0;
    ASSERT_EQ(::read(fd, &byte, 1), 1);
    EXPECT_EQ(byte, SIGTERM);
    while (::read(fd, &byte, 1) > 0) {
    }
    for (int i = 0; i < 3; ++i) {
        sigaction(stops[i], &before[i], nullptr);
    }
}

}  // namespace
}  // namespace vindelor::test
