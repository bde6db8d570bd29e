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

SessionBus ProbeSessionBus(int limitMs) {
    sockaddr_un address{};
    socklen_t length = 0;
    if (!UnixAddress(qgetenv("DBUS_SESSION_BUS_ADDRESS"), &address, &length)) {
        return SessionBus::Answers;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return SessionBus::Answers;  // nothing learnt: leave it to the callers
    }
    QDeadlineTimer deadline(limitMs);
    SessionBus result = SessionBus::Silent;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
        // A backlog that is full is one that nobody takes from.
        result = errno == EAGAIN ? SessionBus::Silent : SessionBus::Unreachable;
        ::close(fd);
        return result;
    }
    // The opening of every D-Bus conversation: a NUL, then an authentication.
    const QByteArray hello =
        QByteArray(1, '\0') + "AUTH EXTERNAL " + QByteArray::number(::getuid()).toHex() + "\r\n";
    if (::send(fd, hello.constData(), static_cast<std::size_t>(hello.size()), MSG_NOSIGNAL) !=
        hello.size()) {
        ::close(fd);
        return SessionBus::Unreachable;
    }
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(deadline.remainingTime()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready > 0) {
            char answer[64];
            const ssize_t n = ::recv(fd, answer, sizeof answer, 0);
            result = n > 0 ? SessionBus::Answers : SessionBus::Unreachable;
        }
        break;
    }
    ::close(fd);
    return result;
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
