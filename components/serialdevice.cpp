#include "components/serialdevice.h"

#include "platform/serialport.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>

namespace vindelor {

int SerialDeviceFactory::CreateEventFd() {
    const int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    return fd >= 0 ? fd : -errno;
}

int SerialDeviceFactory::BeforeThreadStart(const char*) {
    return 0;
}

std::unique_ptr<platform::HolderEvents> SerialDeviceFactory::WatchRelease(const QString&) {
    return nullptr;
}

namespace {

QString ErrnoText(int error) {
    char buffer[256];
    return QString::fromLocal8Bit(strerror_r(error, buffer, sizeof buffer));
}

speed_t SpeedFor(std::int32_t baud) {
    switch (baud) {
        case 300:
            return B300;
        case 600:
            return B600;
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        case 230400:
            return B230400;
        case 460800:
            return B460800;
        case 921600:
            return B921600;
        default:
            return B0;  // not a rate we set: keep the line speed
    }
}

}  // namespace

std::size_t LineMarkDecoder::Decode(char* data, std::size_t n, Found* found) {
    std::size_t out = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const auto b = static_cast<unsigned char>(data[i]);
        switch (state_) {
            case 0:
                if (b == 0xFF) {
                    state_ = 1;
                } else {
                    data[out++] = static_cast<char>(b);
                }
                break;
            case 1:
                if (b == 0xFF) {
                    data[out++] = static_cast<char>(0xFF);
                    state_ = 0;
                } else if (b == 0) {
                    state_ = 2;
                } else {
                    // Not a mark after all (marks were off when the byte came in). The
                    // 0xFF is kept when there is room for it in place; when it ended the
                    // previous read there is none, and it is lost rather than overwrite
                    // bytes not decoded yet.
                    if (out < i) {
                        data[out++] = static_cast<char>(0xFF);
                    }
                    data[out++] = static_cast<char>(b);
                    state_ = 0;
                }
                break;
            default:
                if (b == 0) {
                    ++found->breaks;
                } else {
                    ++found->errors;  // the damaged byte itself is dropped
                }
                state_ = 0;
                break;
        }
    }
    return out;
}

namespace {

class PosixSerialDevice : public SerialDevice {
  public:
    PosixSerialDevice(int fd, const termios& saved) : fd_(fd), saved_(saved) {}
    ~PosixSerialDevice() override {
        Close();
        ::close(fd_);
    }

    int Configure(std::int32_t baudRate) override {
        termios t = saved_;
        // Raw bytes; framing and parity errors marked in the data ("\377 \0 c", a real
        // 0xFF doubled), a break as "\377 \0 \0".
        t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | IGNPAR | ISTRIP | INLCR | IGNCR |
                                            ICRNL | IXON | IXOFF | IXANY);
        t.c_iflag |= INPCK | PARMRK;
        t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
        t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
        t.c_cflag |= CREAD;
        // The 250 ms read interval in termios terms (tenths of a second, rounded up).
        // Our own descriptor is non-blocking, where the line discipline ignores VMIN and
        // VTIME: each wake-up of the reader hands over whatever has arrived, so bytes
        // may come in smaller pieces than the interval would have gathered. Nothing here
        // depends on the size of a piece.
        t.c_cc[VMIN] = 1;
        t.c_cc[VTIME] = 3;
        // Speed 0 means "hang up" here: a probe must never do that, so 0 (and any rate
        // the table does not know) keeps the line speed as found.
        if (const speed_t speed = SpeedFor(baudRate); speed != B0) {
            cfsetispeed(&t, speed);
            cfsetospeed(&t, speed);
        }
        if (::tcsetattr(fd_, TCSANOW, &t) != 0) {
            return errno;
        }
        // As the driver took them: Close compares with these.
        if (::tcgetattr(fd_, &applied_) == 0) {
            configured_ = true;
        }
        marked_ = true;
        return 0;
    }

    int SetLineErrorMask() override {
        if (closed_) {
            return EBADF;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        serial_icounter_struct c{};
        if (::ioctl(fd_, TIOCGICOUNT, &c) == 0) {
            counters_ = true;
            last_ = c;
        } else {
            // Pseudo-terminals and many USB adapters keep no counters (ENOTTY, EINVAL):
            // errors then come only from the marks in the data.
            counters_ = false;
        }
        return 0;
    }

    int WaitCommEvent(std::uint32_t* mask) override {
        if (closed_) {
            return EBADF;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        if (pending_ == 0) {
            return EAGAIN;
        }
        *mask = kEvErr;
        return 0;
    }

    int ClearCommError(std::uint32_t* errors) override {
        if (closed_) {
            return EBADF;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        *errors = pending_;
        pending_ = 0;
        return 0;
    }

    IoResult Read(char* buffer, std::size_t size) override {
        if (closed_) {
            return {EBADF, 0};
        }
        const ssize_t n = ::read(fd_, buffer, size);
        if (n < 0) {
            return {errno, 0};
        }
        if (n == 0 || !marked_) {
            return {0, static_cast<std::size_t>(n)};
        }
        const std::size_t kept = Unmark(buffer, static_cast<std::size_t>(n));
        // Nothing but marks (or the start of one): no data yet, which is not the end of
        // the line.
        return kept == 0 ? IoResult{EAGAIN, 0} : IoResult{0, kept};
    }

    IoResult Write(const char* buffer, std::size_t size) override {
        if (closed_) {
            return {EBADF, 0};
        }
        const ssize_t n = ::write(fd_, buffer, size);
        if (n < 0) {
            return {errno, 0};
        }
        return {0, static_cast<std::size_t>(n)};
    }

    WaitResult Wait(int closeFd, bool forWrite) override {
        if (closed_) {
            return {WaitKind::Ready, 0};  // the next call reports the port gone
        }
        pollfd fds[2] = {{closeFd, POLLIN, 0},
                         {fd_, static_cast<short>(forWrite ? POLLOUT : POLLIN), 0}};
        int timeout = -1;
        if (!forWrite) {
            std::lock_guard<std::mutex> lock(mutex_);
            timeout = pending_ != 0 ? 0 : -1;
        }
        while (::poll(fds, 2, timeout) < 0) {
            if (errno != EINTR) {
                return {WaitKind::Failed, errno};
            }
        }
        if (fds[0].revents != 0) {
            return {WaitKind::Close, 0};
        }
        if (!forWrite) {
            std::lock_guard<std::mutex> lock(mutex_);
            TakeCounters();
            if (pending_ != 0) {
                return {WaitKind::CommEvent, 0};
            }
        }
        const short r = fds[1].revents;
        if (!forWrite && (r & (POLLHUP | POLLERR)) != 0 && (r & POLLIN) == 0) {
            return {WaitKind::Hangup, 0};
        }
        return {WaitKind::Ready, 0};
    }

    void Purge(int flags) override {
        if (closed_) {
            return;
        }
        if (flags & (kPurgeRxAbort | kPurgeRxClear)) {
            ::tcflush(fd_, TCIFLUSH);
        }
        if (flags & (kPurgeTxAbort | kPurgeTxClear)) {
            ::tcflush(fd_, TCOFLUSH);
        }
    }

    void Close() override {
        if (closed_.exchange(true)) {
            return;
        }
        // Leave the port as it was found, but only while the settings are still ours:
        // another program (a dialer that took the port meanwhile) may have set its own,
        // which must stay. A port never configured here was never changed at all.
        termios now{};
        if (configured_ && ::tcgetattr(fd_, &now) == 0 && SameSettings(now, applied_)) {
            termios restore = saved_;
            // A saved speed of 0 would hang the line up.
            if (cfgetospeed(&restore) == B0) {
                cfsetispeed(&restore, cfgetispeed(&now));
                cfsetospeed(&restore, cfgetospeed(&now));
            }
            ::tcsetattr(fd_, TCSANOW, &restore);
        }
        // Put /dev/null in the port's place instead of closing the number: the port is
        // released at once, while a thread still inside a call can never reach a
        // descriptor that the process has reused for something else meanwhile.
        const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
        if (null >= 0) {
            ::dup3(null, fd_, O_CLOEXEC);
            ::close(null);
        }
    }

  private:
    static bool SameSettings(const termios& a, const termios& b) {
        return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
               a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0 &&
               cfgetispeed(&a) == cfgetispeed(&b) && cfgetospeed(&a) == cfgetospeed(&b);
    }

    // Removes the marks from the data and notes the errors they stood for.
    std::size_t Unmark(char* data, std::size_t n) {
        LineMarkDecoder::Found found;
        const std::size_t out = decoder_.Decode(data, n, &found);
        if (found.errors + found.breaks > 0) {
            std::lock_guard<std::mutex> lock(mutex_);
            if (counters_) {
                TakeCounters();  // the counters tell framing from parity
            } else {
                if (found.breaks > 0) {
                    pending_ |= kCeBreak;
                }
                if (found.errors > 0) {
                    // Without counters a mark does not say which: with parity off it can
                    // only be a framing error.
                    pending_ |= (saved_.c_cflag & PARENB) ? kCeRxParity : kCeFrame;
                }
            }
        }
        return out;
    }

    // Overruns show only in the driver's counters; framing, parity and break there too.
    void TakeCounters() {
        if (!counters_) {
            return;
        }
        serial_icounter_struct c{};
        if (::ioctl(fd_, TIOCGICOUNT, &c) != 0) {
            counters_ = false;
            return;
        }
        if (c.frame != last_.frame) {
            pending_ |= kCeFrame;
        }
        if (c.overrun != last_.overrun) {
            pending_ |= kCeOverrun;
        }
        if (c.parity != last_.parity) {
            pending_ |= kCeRxParity;
        }
        if (c.buf_overrun != last_.buf_overrun) {
            pending_ |= kCeRxOver;
        }
        if (c.brk != last_.brk) {
            pending_ |= kCeBreak;
        }
        last_ = c;
    }

    const int fd_;
    const termios saved_;
    termios applied_{};        // what Configure left in force
    bool configured_ = false;  // Configure changed the settings
    std::atomic<bool> closed_{false};
    bool marked_ = false;      // PARMRK in force: the data carries marks
    LineMarkDecoder decoder_;  // reader thread only
    std::mutex mutex_;         // guards what follows
    bool counters_ = false;
    serial_icounter_struct last_{};
    std::uint32_t pending_ = 0;
};

class PosixFactory : public SerialDeviceFactory {
  public:
    std::unique_ptr<platform::HolderEvents> WatchRelease(const QString& devicePath) override {
        return std::make_unique<platform::HolderEvents>(devicePath);
    }

    OpenOutcome Open(const QString& devicePath) override {
        OpenOutcome out;
        const platform::PortCheck check = platform::CheckPortHolders(devicePath);
        if (check.availability != platform::PortAvailability::Free) {
            out.failure = check.availability == platform::PortAvailability::Busy
                              ? PortFailure::Busy
                              : PortFailure::Unusable;
            out.error = check.error;
            out.notTerminal =
                check.availability == platform::PortAvailability::Unusable && check.error == ENOTTY;
            out.detail = check.detail;
            out.holder = check.holder;
            return out;
        }
        int openError = 0;
        const int fd = platform::OpenPortDevice(devicePath, &openError);
        if (fd < 0) {
            out.error = openError;
            out.failure = out.error == EBUSY ? PortFailure::Busy : PortFailure::Unusable;
            out.detail = devicePath + QStringLiteral(": ") + ErrnoText(out.error);
            return out;
        }
        termios saved{};
        if (::tcgetattr(fd, &saved) != 0) {
            out.error = errno;
            ::close(fd);
            out.failure = PortFailure::Unusable;
            out.notTerminal = true;
            out.detail = devicePath + QStringLiteral(": not a terminal (") + ErrnoText(out.error) +
                         QStringLiteral(")");
            return out;
        }
        out.device = std::make_shared<PosixSerialDevice>(fd, saved);
        return out;
    }
};

}  // namespace

SerialDeviceFactory& PosixSerialDeviceFactory() {
    static PosixFactory factory;
    return factory;
}

}  // namespace vindelor
