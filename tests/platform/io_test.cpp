// The descriptor calls the serial component's threads wait on, and a terminal line's
// settings on a real pseudo-terminal: failures come back as values, never as -1 alone.
#include "platform/io.h"
#include "platform/serial/termios.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

namespace vindelor::platform {
namespace {

TEST(Descriptors, AnEventCounterWakesAPollUntilItIsDrained) {
    const IoOutcome event = NewEventFd();
    ASSERT_EQ(event.error, 0);
    const int fd = static_cast<int>(event.value);
    PollFd fds[2] = {{fd, kPollIn, 0}, {fd, kPollOut, 0}};
    EXPECT_FALSE(IsReadable(fd));
    EXPECT_EQ(Poll(fds, 1, 0).value, 0);

    ASSERT_TRUE(SignalEventFd(fd));
    EXPECT_TRUE(IsReadable(fd));
    const IoOutcome ready = Poll(fds, 2, 0);
    EXPECT_EQ(ready.value, 2);
    EXPECT_EQ(fds[0].revents, kPollIn);
    EXPECT_EQ(fds[1].revents, kPollOut);

    DrainEventFd(fd);
    EXPECT_FALSE(IsReadable(fd));
    DrainEventFd(fd);  // nothing left to take: still nothing readable, no block
    EXPECT_FALSE(IsReadable(fd));
    CloseFd(fd);

    struct Case {
        IoOutcome outcome;
        int error;
    };
    char byte = 0;
    PollFd many[kMaxPollFds + 1];
    const Case failures[] = {
        {ReadFd(fd, &byte, 1), EBADF},
        {WriteFd(fd, &byte, 1), EBADF},
        {Poll(many, kMaxPollFds + 1, 0), EINVAL},
    };
    for (const Case& c : failures) {
        EXPECT_EQ(c.outcome.error, c.error);
        EXPECT_EQ(c.outcome.value, -1);
    }
}

TEST(LineSettings, RawSettingsHoldOnAPseudoTerminalAndTheOldOnesComeBack) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const int fd = ::open(::ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(fd, 0);

    serial::LineSettings saved;
    ASSERT_EQ(serial::ReadLineSettings(fd, &saved).error, 0);
    const serial::LineSettings raw = saved.Raw(9600);
    EXPECT_FALSE(raw.Same(saved));
    ASSERT_EQ(serial::ApplyLineSettings(fd, raw).error, 0);
    serial::LineSettings now;
    ASSERT_EQ(serial::ReadLineSettings(fd, &now).error, 0);
    EXPECT_TRUE(now.Same(raw));
    EXPECT_FALSE(now.ParityOn());

    ASSERT_EQ(serial::ApplyLineSettings(fd, saved.KeepingSpeedOf(now)).error, 0);
    ASSERT_EQ(serial::ReadLineSettings(fd, &now).error, 0);
    EXPECT_TRUE(now.Same(saved));

    // A pseudo-terminal keeps no line-error counters; /dev/null is no terminal at all.
    serial::LineCounters counters;
    EXPECT_NE(serial::ReadLineCounters(fd, &counters).error, 0);
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    EXPECT_EQ(serial::ReadLineSettings(null, &now).error, ENOTTY);
    ::close(null);
    ::close(fd);
    ::close(master);
}

}  // namespace
}  // namespace vindelor::platform
