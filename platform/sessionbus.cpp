#include "platform/sessionbus.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QDeadlineTimer>
#include <QtGlobal>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace vindelor::platform {

namespace {

// The socket address of the first unix entry of the address list; false when there is
// none (tcp, launchd, autolaunch: not looked at).
bool UnixAddress(const QByteArray& addresses, sockaddr_un* out, socklen_t* length) {
    for (const QByteArray& entry : addresses.split(';')) {
        if (!entry.startsWith("unix:")) {
            continue;
        }
        for (const QByteArray& pair : entry.mid(5).split(',')) {
            const qsizetype eq = pair.indexOf('=');
            const QByteArray key = pair.left(eq);
            const QByteArray value =
                QByteArray::fromPercentEncoding(pair.mid(eq + 1));  // %XX undone
            const bool abstract = key == "abstract";
            // A path ends in a NUL, an abstract name begins with one.
            if (eq < 0 || (key != "path" && !abstract) || value.isEmpty() ||
                value.size() + 1 > static_cast<qsizetype>(sizeof out->sun_path)) {
                continue;
            }
            *out = sockaddr_un{};
            out->sun_family = AF_UNIX;
            const std::size_t at = abstract ? 1 : 0;
            std::memcpy(out->sun_path + at, value.constData(),
                        static_cast<std::size_t>(value.size()));
            *length =
                static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + at +
                                       static_cast<std::size_t>(value.size()) + (abstract ? 0 : 1));
            return true;
        }
    }
    return false;
}

}  // namespace

BusProbe::BusProbe(const QByteArray& address) {
    sockaddr_un un{};
    socklen_t length = 0;
    if (!UnixAddress(address, &un, &length)) {
        return;  // not looked at: left to the callers
    }
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
        return;  // nothing learnt: leave it to the callers
    }
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&un), length) != 0) {
        // A backlog that is full is one that nobody takes from.
        verdict_ = errno == EAGAIN ? SessionBus::Silent : SessionBus::Unreachable;
        Close();
        return;
    }
    // The opening of every D-Bus conversation: a NUL, then an authentication.
    const QByteArray hello =
        QByteArray(1, '\0') + "AUTH EXTERNAL " + QByteArray::number(::getuid()).toHex() + "\r\n";
    if (::send(fd_, hello.constData(), static_cast<std::size_t>(hello.size()), MSG_NOSIGNAL) !=
        hello.size()) {
        verdict_ = SessionBus::Unreachable;
        Close();
    }
}

BusProbe::~BusProbe() {
    Close();
}

void BusProbe::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

SessionBus BusProbe::Read() {
    if (fd_ < 0) {
        return verdict_;
    }
    char answer[64];
    ssize_t n = 0;
    do {
        n = ::recv(fd_, answer, sizeof answer, 0);
    } while (n < 0 && errno == EINTR);
    if (n < 0 && errno == EAGAIN) {
        return verdict_;  // nothing yet: still waiting
    }
    verdict_ = n > 0 ? SessionBus::Answers : SessionBus::Unreachable;
    Close();
    return verdict_;
}

SessionBus ProbeBus(const QByteArray& address, int limitMs) {
    BusProbe probe(address);
    QDeadlineTimer deadline(limitMs);
    while (probe.Waiting()) {
        pollfd p{probe.Fd(), POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(deadline.remainingTime()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return SessionBus::Silent;
        }
        probe.Read();
    }
    return probe.Verdict();
}

SessionBus ProbeSessionBus(int limitMs) {
    return ProbeBus(qgetenv("DBUS_SESSION_BUS_ADDRESS"), limitMs);
}

bool AvoidASilentSessionBus(const char* program, int limitMs) {
    if (ProbeSessionBus(limitMs) != SessionBus::Silent) {
        return false;
    }
    // Not unset: libdbus would then go looking for a bus of its own (autolaunch).
    // /dev/null is no socket, so a connection to it is refused at once.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/dev/null");
    std::fprintf(stderr,
                 "%s: the session bus does not answer; the desktop is not asked for anything "
                 "in this run.\n",
                 program);
    return true;
}

}  // namespace vindelor::platform
