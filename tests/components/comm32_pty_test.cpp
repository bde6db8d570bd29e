// TComm32 on real pseudo-terminals: open and close, the port left as found, bytes both
// ways, hang-up, busy ports never opened, no thread or descriptor left behind.
#include "comm32_testutil.h"
#include "components/comm32.h"
#include "components/serialdevice.h"
#include "support/testenv.h"

#include <QDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vindelor {
namespace {

using test::PumpUntil;

int CountEntries(const char* dir) {
    return QDir(QString::fromLatin1(dir))
        .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System)
        .size();
}

// How many of our own descriptors lead to `device`.
int OwnDescriptorsOn(const QString& device) {
    int n = 0;
    QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& name :
         fds.entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System)) {
        if (QFile::symLinkTarget(fds.filePath(name)) == device) {
            ++n;
        }
    }
    return n;
}

bool SameTermios(const termios& a, const termios& b) {
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag && cfgetospeed(&a) == cfgetospeed(&b) &&
           cfgetispeed(&a) == cfgetispeed(&b) && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}

class Comm32Pty : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(pty.Ok());
        comm.SetCommPort(pty.Slave());
        comm.SetOnReceiveData([this](const char* b, std::uint16_t n) { received.append(b, n); });
        comm.SetOnRequestHangup([this](TComm32*) { ++hangups; });
        // A cooked terminal at 9600 baud, so changes made while open show.
        termios t{};
        ASSERT_EQ(tcgetattr(pty.Master(), &t), 0);
        t.c_lflag |= ICANON | ECHO;
        t.c_oflag |= OPOST;
        cfsetispeed(&t, B9600);
        cfsetospeed(&t, B9600);
        ASSERT_EQ(tcsetattr(pty.Master(), TCSANOW, &t), 0);
        ASSERT_EQ(tcgetattr(pty.Master(), &before), 0);
    }
    void TearDown() override { comm.ClosePort(); }
    termios Now() const {
        termios t{};
        tcgetattr(pty.Master(), &t);
        return t;
    }
    QByteArray ReadMaster(qsizetype want) {
        QByteArray got;
        QDeadlineTimer deadline(5000);
        while (got.size() < want && !deadline.hasExpired()) {
            pollfd p{pty.Master(), POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(deadline.remainingTime())) > 0) {
                char buf[256];
                const ssize_t n = ::read(pty.Master(), buf, sizeof buf);
                if (n > 0) {
                    got.append(buf, n);
                }
            }
        }
        return got;
    }

    test::ScopedDataDir data;
    test::ScopedLockDir locks;
    test::Pty pty;
    TComm32 comm;
    termios before{};
    QByteArray received;
    int hangups = 0;
};

TEST_F(Comm32Pty, OpenSetsRawModeAndClosePutsTheTerminalBack) {
    for (const std::int32_t baud : {0, 19200}) {
        SCOPED_TRACE(baud);
        comm.SetBaudRate(baud);
        ASSERT_TRUE(comm.OpenPort());
        EXPECT_FALSE(TComm32::PortOpenFailed());
        const termios open = Now();
        EXPECT_EQ(open.c_lflag & (ICANON | ECHO), 0u);
        EXPECT_NE(open.c_iflag & PARMRK, 0u);
        EXPECT_EQ(cfgetospeed(&open), baud == 0 ? B9600 : B19200);  // 0 keeps the speed
        EXPECT_EQ(OwnDescriptorsOn(pty.Slave()), 1);
        comm.ClosePort();
        EXPECT_TRUE(SameTermios(Now(), before));
        // Free for another program the moment ClosePort returns.
        EXPECT_EQ(OwnDescriptorsOn(pty.Slave()), 0);
    }
}

// The real device layer with a dialer that takes the port and sets it up (115200 baud,
// raw) at a chosen moment while the component holds it too.
class InterleavedDialer : public SerialDeviceFactory {
  public:
    explicit InterleavedDialer(QString device) : device_(std::move(device)) {}
    ~InterleavedDialer() override {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    OpenOutcome Open(const QString& path) override {
        OpenOutcome out = PosixSerialDeviceFactory().Open(path);
        if (atOpen) {
            TakeAndConfigure();
        }
        return out;
    }
    int BeforeThreadStart(const char* which) override {
        if (!atOpen && std::strcmp(which, "Read") == 0) {
            TakeAndConfigure();  // after the component has set the port up
        }
        return 0;
    }
    bool atOpen = true;

  private:
    void TakeAndConfigure() {
        fd_ = ::open(QFile::encodeName(device_).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios t{};
        ASSERT_EQ(tcgetattr(fd_, &t), 0);
        cfmakeraw(&t);
        cfsetispeed(&t, B115200);
        cfsetospeed(&t, B115200);
        ASSERT_EQ(tcsetattr(fd_, TCSANOW, &t), 0);
    }
    QString device_;
    int fd_ = -1;
};

TEST_F(Comm32Pty, SettingsADialerMadeWhileThePortWasHeldStay) {
    for (const bool probe : {true, false}) {
        SCOPED_TRACE(probe ? "probe" : "open and close");
        ASSERT_EQ(tcsetattr(pty.Master(), TCSANOW, &before), 0);
        InterleavedDialer dialer(pty.Slave());
        dialer.atOpen = probe;
        SerialDeviceFactory* previous = TComm32::SetDeviceFactory(&dialer);
        if (probe) {
            EXPECT_TRUE(comm.ProbePort());
        } else {
            EXPECT_TRUE(comm.OpenPort());
            comm.ClosePort();
        }
        TComm32::SetDeviceFactory(previous);
        EXPECT_FALSE(comm.IsOpen());
        EXPECT_EQ(OwnDescriptorsOn(pty.Slave()), 1);  // the dialer's alone
        const termios after = Now();
        EXPECT_EQ(cfgetospeed(&after), B115200);
        EXPECT_EQ(after.c_lflag & (ICANON | ECHO), 0u);
        EXPECT_EQ(after.c_iflag & PARMRK, 0u);
    }
}

TEST_F(Comm32Pty, BytesFromTheModemReachOnReceiveData) {
    ASSERT_TRUE(comm.OpenPort());
    const QByteArray sent(
        "RING\r\nA\xff"
        "B\x00"
        "C",
        11);
    ASSERT_EQ(::write(pty.Master(), sent.constData(), static_cast<size_t>(sent.size())),
              sent.size());
    ASSERT_TRUE(PumpUntil([&] { return received.size() >= sent.size(); }));
    // A real 0xFF arrives doubled from the line discipline and is handed on single.
    EXPECT_EQ(received, sent);
    EXPECT_EQ(hangups, 0);
}

TEST_F(Comm32Pty, WrittenBytesReachTheModem) {
    ASSERT_TRUE(comm.OpenPort());
    ASSERT_TRUE(comm.WriteString("ATZ\r\n"));
    EXPECT_EQ(ReadMaster(5), QByteArray("ATZ\r\n"));  // no output processing
}

TEST_F(Comm32Pty, ModemGoingAwayAsksForAHangup) {
    ASSERT_TRUE(comm.OpenPort());
    pty.CloseMaster();
    ASSERT_TRUE(PumpUntil([&] { return hangups > 0; }));
    EXPECT_TRUE(comm.IsOpen());  // the owner decides
    comm.ClosePort();
    EXPECT_FALSE(comm.IsOpen());
}

TEST_F(Comm32Pty, BusyPortIsNeverOpened) {
    // A live lock file: our own PID is as alive as any.
    test::WriteFileBytes(locks.File(QStringLiteral("LCK..") + pty.Slave().section('/', -1)),
                         QByteArray::number(::getpid()).rightJustified(10) + "\n");
    try {
        comm.OpenPort();
        FAIL() << "opened a busy port";
    } catch (const ECommsError& e) {
        EXPECT_STREQ(e.what(), "Error opening com port");
    }
    EXPECT_TRUE(TComm32::PortOpenFailed());
    EXPECT_EQ(TComm32::LastFailure(), PortFailure::Busy);
    EXPECT_TRUE(SameTermios(Now(), before));
    EXPECT_EQ(OwnDescriptorsOn(pty.Slave()), 0);
}

// A process under another name that holds `device` open (in exclusive mode when asked)
// until `*release` is closed.
pid_t HoldAs(const QByteArray& device, const char* name, bool exclusive, int* release) {
    int ready[2];
    int stop[2];
    if (::pipe2(ready, O_CLOEXEC) != 0 || ::pipe2(stop, O_CLOEXEC) != 0) {
        return -1;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ready[0]);
        ::close(stop[1]);
        ::prctl(PR_SET_NAME, name);
        const int fd = ::open(device.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        char c = fd >= 0 && (!exclusive || ::ioctl(fd, TIOCEXCL) == 0) ? 1 : 0;
        if (::write(ready[1], &c, 1) == 1) {
            while (::read(stop[0], &c, 1) > 0) {
            }
        }
        _exit(0);
    }
    ::close(ready[1]);
    ::close(stop[0]);
    char c = 0;
    const bool ok = ::read(ready[0], &c, 1) == 1 && c == 1;
    ::close(ready[0]);
    *release = stop[1];
    return ok ? pid : -1;
}

void Release(pid_t pid, int release) {
    ::close(release);
    int status = 0;
    ::waitpid(pid, &status, 0);
}

// A holder whose descriptors another user may not see leaves only EBUSY as its sign. Its
// name says nothing: a dialer may be called anything, and so may a process that is not
// the modem's manager.
TEST_F(Comm32Pty, ExclusiveHoldOutOfSightIsAConnectionWhateverTheHoldersName) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "takes root: the holder must be out of sight of another user";
    }
    const QByteArray slave = pty.Slave().toLocal8Bit();
    ASSERT_EQ(::chmod(slave.constData(), 0666), 0);
    for (const char* name : {"ModemManager", "pppd"}) {
        SCOPED_TRACE(name);
        int release = -1;
        const pid_t holder = HoldAs(slave, name, true, &release);
        ASSERT_GT(holder, 0);
        const pid_t probe = ::fork();
        if (probe == 0) {
            ::setenv("VINDELOR_LOCK_DIR", "/nonexistent", 1);
            if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
                _exit(20);
            }
            const OpenOutcome out = PosixSerialDeviceFactory().Open(pty.Slave());
            _exit(out.device ? 10 : out.failure == PortFailure::Busy ? 11 : 12);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(probe, &status, 0), probe);
        EXPECT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 11);
        Release(holder, release);
    }
}

TEST_F(Comm32Pty, UnusableDevicesAreNotAConnection) {
    struct Case {
        QString device;
        const char* message;
    };
    for (const Case& c : {Case{QStringLiteral("/dev/null"), "File handle is not a comm handle. "},
                          Case{data.file(QStringLiteral("ttyS9")), "Error opening com port"}}) {
        SCOPED_TRACE(c.device.toStdString());
        comm.SetCommPort(c.device);
        try {
            comm.OpenPort();
            ADD_FAILURE() << "opened";
        } catch (const ECommsError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
        EXPECT_TRUE(TComm32::PortOpenFailed());
        EXPECT_EQ(TComm32::LastFailure(), PortFailure::Unusable);
        EXPECT_TRUE(TComm32::LastFailureDetail().startsWith(c.device));
        EXPECT_FALSE(comm.IsOpen());
    }
}

TEST_F(Comm32Pty, ThousandProbesLeaveNoThreadOrDescriptorBehind) {
    // Warm up once: the first probe creates lazily made process-wide objects.
    ASSERT_TRUE(comm.OpenPort());
    comm.ClosePort();
    const int fds = CountEntries("/proc/self/fd");
    const int tasks = CountEntries("/proc/self/task");
    for (int i = 0; i < 1000; ++i) {
        ASSERT_TRUE(comm.OpenPort()) << i;
        comm.ClosePort();
    }
    test::DrainEvents();
    EXPECT_EQ(CountEntries("/proc/self/fd"), fds);
    EXPECT_EQ(CountEntries("/proc/self/task"), tasks);
    EXPECT_TRUE(SameTermios(Now(), before));
    EXPECT_EQ(QDir(locks.Path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 0);
}

}  // namespace
}  // namespace vindelor
