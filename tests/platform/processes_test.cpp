// The hang-up's real process control: a command run without a shell, its time limit, and
// the holders of a device.
#include "platform/processes.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <optional>

namespace vindelor::platform {
namespace {

std::optional<CommandOutcome> RunAndWait(const QStringList& command, int timeoutMs) {
    std::optional<CommandOutcome> result;
    Processes().Run(command, timeoutMs, [&result](const CommandOutcome& o) { result = o; });
    QDeadlineTimer deadline(10000);
    while (!result && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return result;
}

TEST(Processes, CommandsRunWithoutAShellWithinTheirTimeLimit) {
    // A shell would expand the $; without one it reaches the program as typed.
    auto o =
        RunAndWait({QStringLiteral("sh"), QStringLiteral("-c"),
                    QStringLiteral("test \"$0\" = '$HOME' && exit 3"), QStringLiteral("$HOME")},
                   5000);
    ASSERT_TRUE(o);
    EXPECT_TRUE(o->started);
    EXPECT_EQ(o->exitCode, 3);

    o = RunAndWait({QStringLiteral("no-such-hang-up-program")}, 5000);
    ASSERT_TRUE(o);
    EXPECT_FALSE(o->started);
    EXPECT_FALSE(o->error.isEmpty());

    o = RunAndWait({QStringLiteral("sleep"), QStringLiteral("10")}, 200);
    ASSERT_TRUE(o);
    EXPECT_TRUE(o->timedOut);
}

TEST(Processes, HoldersOfADeviceAreFoundByTheirOpenDescriptors) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const QString slave = QString::fromLocal8Bit(ptsname(master));
    EXPECT_TRUE(Processes().Holders(slave).empty());

    QProcess holder;
    holder.setStandardInputFile(slave);
    holder.start(QStringLiteral("sleep"), {QStringLiteral("10")});
    ASSERT_TRUE(holder.waitForStarted(5000));
    const std::vector<ProcessInfo> found = Processes().Holders(slave);
    const long pid = static_cast<long>(holder.processId());
    holder.kill();
    holder.waitForFinished(2000);
    ::close(master);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].pid, pid);
    EXPECT_EQ(found[0].name, QStringLiteral("sleep"));
    EXPECT_TRUE(found[0].mayBeSignalled);
    EXPECT_NE(Processes().Terminate(1), 0);  // never init, whatever asks
}

}  // namespace
}  // namespace vindelor::platform
