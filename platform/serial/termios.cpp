#include "platform/serial/termios.h"

#include <linux/serial.h>
#include <sys/ioctl.h>
#include <termios.h>

#include <cerrno>
#include <cstring>

namespace vindelor::platform::serial {

struct LineSettingsAccess {
    static_assert(sizeof(termios) <= sizeof(LineSettings::bytes_) &&
                  alignof(termios) <= alignof(LineSettings));

    static termios Get(const LineSettings& s) {
        termios t;
        std::memcpy(&t, s.bytes_, sizeof t);
        return t;
    }
    static LineSettings Make(const termios& t) {
        LineSettings s;
        std::memcpy(s.bytes_, &t, sizeof t);
        return s;
    }
};

namespace {

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

IoOutcome Outcome(int result) {
    return result != 0 ? IoOutcome{errno, -1} : IoOutcome{};
}

}  // namespace

LineSettings LineSettings::Raw(std::int32_t baudRate) const {
    termios t = LineSettingsAccess::Get(*this);
    t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | IGNPAR | ISTRIP | INLCR | IGNCR | ICRNL |
                                        IXON | IXOFF | IXANY);
    t.c_iflag |= INPCK | PARMRK;
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag |= CREAD;
    // The 250 ms read interval in termios terms (tenths of a second, rounded up). On a
    // non-blocking descriptor the line discipline ignores VMIN and VTIME: each wake-up of
    // the reader hands over whatever has arrived, so bytes may come in smaller pieces
    // than the interval would have gathered.
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 3;
    if (const speed_t speed = SpeedFor(baudRate); speed != B0) {
        cfsetispeed(&t, speed);
        cfsetospeed(&t, speed);
    }
    return LineSettingsAccess::Make(t);
}

LineSettings LineSettings::KeepingSpeedOf(const LineSettings& now) const {
    termios t = LineSettingsAccess::Get(*this);
    if (cfgetospeed(&t) == B0) {
        const termios n = LineSettingsAccess::Get(now);
        cfsetispeed(&t, cfgetispeed(&n));
        cfsetospeed(&t, cfgetospeed(&n));
    }
    return LineSettingsAccess::Make(t);
}

bool LineSettings::ParityOn() const {
    return (LineSettingsAccess::Get(*this).c_cflag & PARENB) != 0;
}

bool LineSettings::Same(const LineSettings& other) const {
    const termios a = LineSettingsAccess::Get(*this);
    const termios b = LineSettingsAccess::Get(other);
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0 &&
           cfgetispeed(&a) == cfgetispeed(&b) && cfgetospeed(&a) == cfgetospeed(&b);
}

IoOutcome ReadLineSettings(int fd, LineSettings* settings) {
    termios t{};
    const IoOutcome out = Outcome(::tcgetattr(fd, &t));
    if (out.error == 0) {
        *settings = LineSettingsAccess::Make(t);
    }
    return out;
}

IoOutcome ApplyLineSettings(int fd, const LineSettings& settings) {
    const termios t = LineSettingsAccess::Get(settings);
    return Outcome(::tcsetattr(fd, TCSANOW, &t));
}

void FlushLine(int fd, bool input, bool output) {
    if (input) {
        ::tcflush(fd, TCIFLUSH);
    }
    if (output) {
        ::tcflush(fd, TCOFLUSH);
    }
}

IoOutcome ReadLineCounters(int fd, LineCounters* counters) {
    serial_icounter_struct c{};
    const IoOutcome out = Outcome(::ioctl(fd, TIOCGICOUNT, &c));
    if (out.error == 0) {
        *counters = {c.frame, c.overrun, c.parity, c.buf_overrun, c.brk};
    }
    return out;
}

}  // namespace vindelor::platform::serial
