// The hang-up's real process control: a command run without a shell, its time limit, and
// the holders of a device.
#include "platform/processes.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <linux/sched.h>
#include <stdlib.h>
#include <sys/syscall.h>
#include <sys/wait.h>
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

    // A signal is told as one, not as the exit status of its number.
    o = RunAndWait({QStringLiteral("sh"), QStringLiteral("-c"), QStringLiteral("kill -TERM $$")},
                   5000);
    ASSERT_TRUE(o);
    EXPECT_TRUE(o->crashed);
    EXPECT_EQ(o->signal, SIGTERM);
    EXPECT_EQ(SignalName(SIGTERM), QStringLiteral("SIGTERM"));
}

// Gone, or a zombie that nobody has reaped yet.
bool Gone(long pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return true;
    }
    const QByteArray text = stat.readAll();
    return text.mid(text.lastIndexOf(')') + 2, 1) == "Z";
}

TEST(Processes, TheTimeLimitEndsWhatTheCommandStartedAndItsOutputGoesToStandardError) {
    QTemporaryDir dir;
    const QString pidFile = dir.filePath(QStringLiteral("pid"));
    const QString outFile = dir.filePath(QStringLiteral("out"));
    const QString errFile = dir.filePath(QStringLiteral("err"));
    std::fflush(stdout);
    std::fflush(stderr);
    const int savedOut = ::dup(1);
    const int savedErr = ::dup(2);
    const int out = ::open(QFile::encodeName(outFile).constData(), O_WRONLY | O_CREAT, 0600);
    const int err = ::open(QFile::encodeName(errFile).constData(), O_WRONLY | O_CREAT, 0600);
    ::dup2(out, 1);
    ::dup2(err, 2);
    const auto o =
        RunAndWait({QStringLiteral("sh"), QStringLiteral("-c"),
                    QStringLiteral("echo said; sleep 123 & echo $! $$ > \"$0\"; wait"), pidFile},
                   1000);
    std::fflush(stdout);
    std::fflush(stderr);
    ::dup2(savedOut, 1);
    ::dup2(savedErr, 2);
    for (int fd : {out, err, savedOut, savedErr}) {
        ::close(fd);
    }
    ASSERT_TRUE(o);
    EXPECT_TRUE(o->timedOut);
    QFile pid(pidFile);
    ASSERT_TRUE(pid.open(QIODevice::ReadOnly));
    const QList<QByteArray> pids = pid.readAll().simplified().split(' ');
    ASSERT_EQ(pids.size(), 2);
    const long sleeper = pids[0].toLong();
    const long shell = pids[1].toLong();
    ASSERT_GT(sleeper, 1);
    // Until the shell is reaped too: its QProcess then goes with the deferred deletions.
    QDeadlineTimer deadline(5000);
    while ((!Gone(sleeper) || QFile::exists(QStringLiteral("/proc/%1").arg(shell))) &&
           !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(Gone(sleeper));
    if (!Gone(sleeper)) {
        ::kill(static_cast<pid_t>(sleeper), SIGKILL);
    }
    QFile said(outFile);
    QFile told(errFile);
    ASSERT_TRUE(said.open(QIODevice::ReadOnly) && told.open(QIODevice::ReadOnly));
    EXPECT_EQ(said.readAll(), QByteArray());
    EXPECT_TRUE(told.readAll().contains("vindelor: sh: said\n"));
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
    ProcessInfo init;
    init.pid = 1;
    EXPECT_NE(Processes().Terminate(init), 0);  // never init, whatever asks
    // Not a terminal: every process holds /dev/null.
    EXPECT_TRUE(Processes().Holders(QStringLiteral("/dev/null")).empty());
}

// pppd's pid file for the link it made: its number, then the interface's name.
TEST(Processes, TheOwnerOfAnInterfaceIsThePidFilesLivingProcessForThatInterface) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("ppp0.pid"));
    const auto write = [&file](const QByteArray& text) {
        QFile f(file);
        return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
    };
    QProcess owner;
    owner.start(QStringLiteral("sleep"), {QStringLiteral("10")});
    ASSERT_TRUE(owner.waitForStarted(5000));
    const QByteArray pid = QByteArray::number(owner.processId());

    ASSERT_TRUE(write(pid + "\nppp0\n"));
    std::vector<ProcessInfo> found = PidFileOwner(file, QStringLiteral("ppp0"));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].pid, owner.processId());
    EXPECT_EQ(found[0].name, QStringLiteral("sleep"));
    EXPECT_TRUE(found[0].mayBeSignalled);
    EXPECT_TRUE(PidFileOwner(file, QStringLiteral("ppp1")).empty());  // another link's
    ASSERT_TRUE(write(pid + "\n"));  // no name written: the file's own name says it
    EXPECT_EQ(PidFileOwner(file, QStringLiteral("ppp0")).size(), 1u);
    for (const QByteArray& bad : {QByteArray("1\nppp0\n"), QByteArray("x\n"), QByteArray()}) {
        ASSERT_TRUE(write(bad));
        EXPECT_TRUE(PidFileOwner(file, QStringLiteral("ppp0")).empty()) << bad.constData();
    }
    owner.kill();
    owner.waitForFinished(2000);
    ASSERT_TRUE(write(pid + "\nppp0\n"));  // left behind by a pppd that ended
    EXPECT_TRUE(PidFileOwner(file, QStringLiteral("ppp0")).empty());
    EXPECT_TRUE(Processes().InterfaceOwner(QStringLiteral("../etc/passwd")).empty());
}

TEST(Processes, AHolderThatEndedIsNeverSignalledThroughItsNumberTakenAgain) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const QString slave = QString::fromLocal8Bit(ptsname(master));
    QProcess holder;
    holder.setStandardInputFile(slave);
    holder.start(QStringLiteral("sleep"), {QStringLiteral("10")});
    ASSERT_TRUE(holder.waitForStarted(5000));
    const std::vector<ProcessInfo> found = Processes().Holders(slave);
    const pid_t pid = static_cast<pid_t>(holder.processId());
    holder.kill();
    holder.waitForFinished(2000);
    ::close(master);
    ASSERT_EQ(found.size(), 1u);

    // A newcomer under the same number (clone3 may choose it with CAP_SYS_ADMIN).
    struct clone_args args {};
    args.exit_signal = SIGCHLD;
    pid_t wanted[] = {pid};
    args.set_tid = reinterpret_cast<__u64>(wanted);
    args.set_tid_size = 1;
    const long newcomer = ::syscall(SYS_clone3, &args, sizeof args);
    if (newcomer == 0) {
        char sleep[] = "sleep";
        char seconds[] = "30";
        char* argv[] = {sleep, seconds, nullptr};
        ::execvp(sleep, argv);
        ::_exit(127);
    }
    if (newcomer < 0) {
        GTEST_SKIP() << "no process can be given a chosen number here: " << std::strerror(errno);
    }
    const int error = Processes().Terminate(found[0]);
    int status = 0;
    const bool alive = ::waitpid(pid, &status, WNOHANG) == 0;
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    EXPECT_EQ(error, ESRCH);
    EXPECT_TRUE(alive) << "the newcomer was signalled";
}

}  // namespace
}  // namespace vindelor::platform
