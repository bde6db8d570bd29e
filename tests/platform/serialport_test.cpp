// Busy checks on real pseudo-terminals: UUCP lock files, descriptors and flocks held by
// other processes, and the simulated dialer in each of its ways of holding a port.
#include "platform/serialport.h"

#include "platform/test/fakes.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

namespace vindelor::platform {
namespace {

class Pty {
  public:
    Pty() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0) {
            slave_ = QString::fromLocal8Bit(ptsname(master_));
        }
    }
    ~Pty() {
        if (master_ >= 0) {
            ::close(master_);
        }
    }
    QString Slave() const { return slave_; }
    QString Number() const { return slave_.mid(slave_.lastIndexOf('/') + 1); }

  private:
    int master_ = -1;
    QString slave_;
};

// A process that opens the device (and flocks it when asked) until released.
class Holder {
  public:
    Holder(const QString& device, bool flockIt) {
        int ready[2];
        int release[2];
        if (::pipe2(ready, O_CLOEXEC) != 0 || ::pipe2(release, O_CLOEXEC) != 0) {
            return;
        }
        const QByteArray path = device.toLocal8Bit();
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            ::close(release[1]);
            const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
            if (fd < 0 || (flockIt && ::flock(fd, LOCK_EX | LOCK_NB) != 0)) {
                _exit(1);
            }
            char c = 1;
            if (::write(ready[1], &c, 1) != 1) {
                _exit(1);
            }
            while (::read(release[0], &c, 1) > 0) {
            }
            _exit(0);
        }
        ::close(ready[1]);
        ::close(release[0]);
        release_ = release[1];
        char c = 0;
        ok_ = pid_ > 0 && ::read(ready[0], &c, 1) == 1;
        ::close(ready[0]);
    }
    ~Holder() { Release(); }
    bool Ok() const { return ok_; }
    pid_t Pid() const { return pid_; }
    void Release() {
        if (release_ >= 0) {
            ::close(release_);
            release_ = -1;
        }
        if (pid_ > 0) {
            int status;
            ::waitpid(pid_, &status, 0);
            pid_ = -1;
        }
    }

  private:
    pid_t pid_ = -1;
    int release_ = -1;
    bool ok_ = false;
};

pid_t DeadPid() {
    const pid_t pid = ::fork();
    if (pid == 0) {
        _exit(0);
    }
    int status;
    ::waitpid(pid, &status, 0);
    return pid;
}

class PortChecks : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(pty.Slave().isEmpty());
        ::setenv("VINDELOR_LOCK_DIR", locks.path().toLocal8Bit().constData(), 1);
    }
    void TearDown() override { ::unsetenv("VINDELOR_LOCK_DIR"); }
    void WriteLock(const QString& name, const QByteArray& content) {
        const QByteArray path = locks.filePath(name).toLocal8Bit();
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, content.constData(), static_cast<size_t>(content.size())),
                  content.size());
        ::close(fd);
    }

    QTemporaryDir locks;
    Pty pty;
};

TEST_F(PortChecks, FreePseudoTerminalIsFree) {
    const PortCheck c = CheckPortHolders(pty.Slave());
    EXPECT_EQ(c.availability, PortAvailability::Free) << c.detail.toStdString();
}

TEST_F(PortChecks, DevicesThatCannotBeUsedAreNotBusy) {
    const QString missing = locks.filePath(QStringLiteral("ttyS99"));
    PortCheck c = CheckPortHolders(missing);
    EXPECT_EQ(c.availability, PortAvailability::Unusable);
    EXPECT_EQ(c.error, ENOENT);
    EXPECT_TRUE(c.detail.startsWith(missing));

    c = CheckPortHolders(locks.path());  // a directory
    EXPECT_EQ(c.availability, PortAvailability::Unusable);
    EXPECT_EQ(c.error, ENOTTY);

    // Every process holds /dev/null open; it is still no port, not a busy one.
    c = CheckPortHolders(QStringLiteral("/dev/null"));
    EXPECT_EQ(c.availability, PortAvailability::Unusable);
    EXPECT_EQ(c.error, ENOTTY);
}

TEST_F(PortChecks, LockFiles) {
    const QByteArray self = QByteArray::number(::getpid());
    const std::int32_t selfBinary = ::getpid();
    struct Case {
        const char* what;
        QString name;
        QByteArray content;
        PortAvailability expected;
    };
    const QString basename = QStringLiteral("LCK..") + pty.Number();
    const QString pppd = QStringLiteral("LCK..pts_") + pty.Number();
    // A dialer killed outright whose parent has not reaped it yet.
    const pid_t zombie = ::fork();
    if (zombie == 0) {
        _exit(0);
    }
    siginfo_t info{};
    ASSERT_EQ(::waitid(P_PID, static_cast<id_t>(zombie), &info, WEXITED | WNOWAIT), 0);
    const Case cases[] = {
        {"live PID, %10d form", basename, QByteArray(10 - self.size(), ' ') + self + "\n",
         PortAvailability::Busy},
        {"live PID, pppd's name", pppd, self + "\n", PortAvailability::Busy},
        {"live PID, 4 binary bytes", basename,
         QByteArray(reinterpret_cast<const char*>(&selfBinary), 4), PortAvailability::Busy},
        {"dead PID", basename, QByteArray::number(DeadPid()).rightJustified(10) + "\n",
         PortAvailability::Free},
        {"ended, not reaped yet", pppd, QByteArray::number(zombie).rightJustified(10) + "\n",
         PortAvailability::Free},
        {"not a number", pppd, "pppd\n", PortAvailability::Busy},
        {"two numbers", basename, "12 34\n", PortAvailability::Busy},
        {"empty", basename, "", PortAvailability::Busy},
        {"PID 0", basename, "         0\n", PortAvailability::Busy},
        {"another device's lock", QStringLiteral("LCK..ttyS0"), self + "\n",
         PortAvailability::Free},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteLock(c.name, c.content);
        const PortCheck check = CheckPortHolders(pty.Slave());
        EXPECT_EQ(check.availability, c.expected) << check.detail.toStdString();
        // A stale file is left alone.
        EXPECT_TRUE(QFile::exists(locks.filePath(c.name)));
        QFile::remove(locks.filePath(c.name));
    }
    ::waitpid(zombie, nullptr, 0);
}

TEST_F(PortChecks, UnreadableLockFileCountsAsBusy) {
    ASSERT_EQ(::mkdir(locks.filePath(QStringLiteral("LCK..") + pty.Number()).toLocal8Bit(), 0755),
              0);
    EXPECT_EQ(CheckPortHolders(pty.Slave()).availability, PortAvailability::Busy);
}

TEST_F(PortChecks, DescriptorInAnotherProcess) {
    {
        Holder holder(pty.Slave(), false);
        ASSERT_TRUE(holder.Ok());
        PortCheck c = CheckPortHolders(pty.Slave());
        EXPECT_EQ(c.availability, PortAvailability::Busy);
        EXPECT_TRUE(c.detail.contains(QString::number(holder.Pid()))) << c.detail.toStdString();
        // The holder found last is asked first, and a second look still says busy.
        c = CheckPortHolders(pty.Slave());
        EXPECT_EQ(c.availability, PortAvailability::Busy);
    }
    EXPECT_EQ(CheckPortHolders(pty.Slave()).availability, PortAvailability::Free);
    // A new holder after the old one went is found again by the full scan.
    Holder second(pty.Slave(), false);
    ASSERT_TRUE(second.Ok());
    const PortCheck c = CheckPortHolders(pty.Slave());
    EXPECT_EQ(c.availability, PortAvailability::Busy);
    EXPECT_TRUE(c.detail.contains(QString::number(second.Pid())));
}

TEST_F(PortChecks, FlockHolder) {
    Holder holder(pty.Slave(), true);
    ASSERT_TRUE(holder.Ok());
    const PortCheck c = CheckPortHolders(pty.Slave());
    EXPECT_EQ(c.availability, PortAvailability::Busy);
    EXPECT_TRUE(c.detail.contains(QStringLiteral("flock"))) << c.detail.toStdString();
    holder.Release();
    EXPECT_EQ(CheckPortHolders(pty.Slave()).availability, PortAvailability::Free);
}

TEST_F(PortChecks, OurOwnDescriptorsDoNotMakeThePortBusy) {
    const int fd = ::open(pty.Slave().toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(CheckPortHolders(pty.Slave()).availability, PortAvailability::Free);
    ::close(fd);
}

// The scan of every process is skipped while nothing but our own probes opened the port
// since a scan found it free; anything else that opens it is caught on the next check.
TEST_F(PortChecks, ScanIsSkippedOnlyWhileNothingElseOpenedThePort) {
    ASSERT_EQ(CheckPortHolders(pty.Slave()).availability, PortAvailability::Free);
    std::uint64_t scans = HolderScanCount();
    for (int i = 0; i < 3; ++i) {
        int error = 0;
        const int fd = OpenPortDevice(pty.Slave(), &error);
        ASSERT_GE(fd, 0) << std::strerror(error);
        ::close(fd);
        EXPECT_EQ(CheckPortHolders(pty.Slave()).availability, PortAvailability::Free);
    }
    EXPECT_EQ(HolderScanCount(), scans) << "our own probes made the checks scan";

    // A holder with neither lock file nor flock, opened after the last scan.
    {
        Holder holder(pty.Slave(), false);
        ASSERT_TRUE(holder.Ok());
        const PortCheck c = CheckPortHolders(pty.Slave());
        EXPECT_EQ(c.availability, PortAvailability::Busy);
        EXPECT_TRUE(c.detail.contains(QString::number(holder.Pid()))) << c.detail.toStdString();
    }
    EXPECT_EQ(CheckPortHolders(pty.Slave()).availability, PortAvailability::Free);

    // An open of ours that did not go through OpenPortDevice is not known to be ours.
    scans = HolderScanCount();
    const int raw = ::open(pty.Slave().toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(raw, 0);
    ::close(raw);
    EXPECT_EQ(CheckPortHolders(pty.Slave()).availability, PortAvailability::Free);
    EXPECT_EQ(HolderScanCount(), scans + 1);

    // A failed open of ours leaves no credit that could hide a later holder.
    int error = 0;
    EXPECT_LT(OpenPortDevice(pty.Slave() + QStringLiteral("-gone"), &error), 0);
    EXPECT_EQ(error, ENOENT);
    Holder late(pty.Slave(), false);
    ASSERT_TRUE(late.Ok());
    EXPECT_EQ(CheckPortHolders(pty.Slave()).availability, PortAvailability::Busy);
}

// inotify merges an event with the unread one before it when the two are the same: a
// holder's open right after a probe's own (or right before it), both unread at the next
// check, must not pass for the probe's open alone.
TEST_F(PortChecks, HolderOpeningBesideOurOwnUnreadOpenIsFoundAtTheNextCheck) {
    for (const bool holderFirst : {false, true}) {
        SCOPED_TRACE(holderFirst ? "holder first" : "probe first");
        ASSERT_EQ(CheckPortHolders(pty.Slave()).availability, PortAvailability::Free);
        std::unique_ptr<Holder> holder;
        if (holderFirst) {
            holder = std::make_unique<Holder>(pty.Slave(), false);
        }
        int error = 0;
        const int fd = OpenPortDevice(pty.Slave(), &error);
        ASSERT_GE(fd, 0) << std::strerror(error);
        if (!holderFirst) {
            holder = std::make_unique<Holder>(pty.Slave(), false);
        }
        ::close(fd);
        ASSERT_TRUE(holder->Ok());
        const PortCheck c = CheckPortHolders(pty.Slave());
        EXPECT_EQ(c.availability, PortAvailability::Busy);
        EXPECT_TRUE(c.detail.contains(QString::number(holder->Pid()))) << c.detail.toStdString();
        holder.reset();
        EXPECT_EQ(CheckPortHolders(pty.Slave()).availability, PortAvailability::Free);
    }
}

// A descriptor can reach another process without an open the watch would see: a child
// inherits it. The full scan, made at most once a minute while nothing opens the port,
// finds such a holder within that minute.
TEST_F(PortChecks, InheritedDescriptorIsFoundByThePeriodicScan) {
    test::ScopedFakes fakes;
    const int fd = ::open(pty.Slave().toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(CheckPortHolders(pty.Slave()).availability, PortAvailability::Free);
    std::uint64_t scans = HolderScanCount();
    for (int i = 0; i < 59; ++i) {
        fakes.ticks.AdvanceSeconds(1);
        EXPECT_EQ(CheckPortHolders(pty.Slave()).availability, PortAvailability::Free);
    }
    EXPECT_EQ(HolderScanCount(), scans);
    fakes.ticks.AdvanceSeconds(1);
    EXPECT_EQ(CheckPortHolders(pty.Slave()).availability, PortAvailability::Free);
    EXPECT_EQ(HolderScanCount(), scans + 1);

    int release[2];
    ASSERT_EQ(::pipe(release), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(release[1]);
        char c;
        while (::read(release[0], &c, 1) > 0) {
        }
        _exit(0);
    }
    ::close(release[0]);
    ::close(fd);  // the child keeps it
    PortCheck c;
    int seconds = 0;
    while ((c = CheckPortHolders(pty.Slave())).availability == PortAvailability::Free &&
           seconds < 120) {
        fakes.ticks.AdvanceSeconds(1);
        ++seconds;
    }
    EXPECT_LE(seconds, 60);
    EXPECT_TRUE(c.detail.contains(QString::number(child))) << c.detail.toStdString();
    ::close(release[1]);
    int status;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(CheckPortHolders(pty.Slave()).availability, PortAvailability::Free);
}

// A holder killed outright: its end is told by the exit watch, and told again whenever a
// look made as it ended (its lock file read a moment before) still names it, reaped or
// not, so that the session ends by the event, not by the once-a-second look.
TEST_F(PortChecks, AnEndedHolderIsToldEachTimeItIsFollowed) {
    int release[2];
    ASSERT_EQ(::pipe2(release, O_CLOEXEC), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        ::close(release[1]);
        char c;
        while (::read(release[0], &c, 1) > 0) {
        }
        _exit(0);
    }
    ::close(release[0]);
    HolderEvents events(pty.Slave());
    events.Follow(holder);
    EXPECT_FALSE(events.Fired());
    ::close(release[1]);
    siginfo_t info{};
    ASSERT_EQ(::waitid(P_PID, static_cast<id_t>(holder), &info, WEXITED | WNOWAIT), 0);
    EXPECT_TRUE(events.Fired());
    EXPECT_FALSE(events.Fired());
    for (const bool reaped : {false, true}) {
        SCOPED_TRACE(reaped ? "reaped" : "not reaped yet");
        if (reaped) {
            ::waitpid(holder, nullptr, 0);
        }
        events.Follow(holder);
        // A reaped holder leaves no descriptor that could become readable.
        EXPECT_EQ(events.Due(), reaped);
        EXPECT_TRUE(events.Fired());
        EXPECT_FALSE(events.Due());
        events.Follow(holder);
        EXPECT_TRUE(events.Fired());
    }
}

// The simulated dialer, driven line by line through its stdin.
TEST_F(PortChecks, SimulatedDialerInEachMode) {
    const QString program = QStringLiteral(VINDELOR_BINARY_DIR "/tools/simdialer");
    if (!QFile::exists(program)) {
        GTEST_SKIP() << "simdialer not built";
    }
    for (const char* mode : {"full", "lockfile-only", "flock-only", "open-only"}) {
        SCOPED_TRACE(mode);
        QProcess dialer;
        dialer.start(program,
                     {QStringLiteral("--delay"), QStringLiteral("stdin"), QStringLiteral("--hold"),
                      QStringLiteral("stdin"), QStringLiteral("--linger"), QStringLiteral("stdin"),
                      QStringLiteral("--mode"), QString::fromLatin1(mode),
                      QStringLiteral("--lock-dir"), locks.path()});
        ASSERT_TRUE(dialer.waitForStarted(5000));
        const auto next = [&dialer]() {
            while (!dialer.canReadLine()) {
                if (!dialer.waitForReadyRead(5000)) {
                    return QString();
                }
            }
            return QString::fromLocal8Bit(dialer.readLine()).trimmed();
        };
        const QString ready = next();
        ASSERT_TRUE(ready.startsWith(QStringLiteral("READY /dev/"))) << ready.toStdString();
        const QString device = ready.mid(6);
        EXPECT_EQ(CheckPortHolders(device).availability, PortAvailability::Free);

        dialer.write("take\n");
        ASSERT_EQ(next(), QStringLiteral("HOLDING"));
        EXPECT_EQ(CheckPortHolders(device).availability, PortAvailability::Busy);

        dialer.write("release\n");
        ASSERT_EQ(next(), QStringLiteral("RELEASED"));
        EXPECT_EQ(CheckPortHolders(device).availability, PortAvailability::Free);
        EXPECT_EQ(QDir(locks.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).size(), 0);

        dialer.write("done\n");
        ASSERT_TRUE(dialer.waitForFinished(5000));
        EXPECT_EQ(dialer.exitCode(), 0);
    }
}

}  // namespace
}  // namespace vindelor::platform
