#include "platform/connectionwatch/netif/netifwatch.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstring>

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vindelor::platform {

namespace {

QString ErrorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// The name carried by one RTM_NEWLINK / RTM_DELLINK message, empty when it has none.
QByteArray LinkName(const nlmsghdr* header) {
    const auto* info = static_cast<const ifinfomsg*>(NLMSG_DATA(header));
    int left = static_cast<int>(header->nlmsg_len) - static_cast<int>(NLMSG_LENGTH(sizeof(*info)));
    for (const rtattr* attr = IFLA_RTA(info); left > 0 && RTA_OK(attr, left);
         attr = RTA_NEXT(attr, left)) {
        if (attr->rta_type == IFLA_IFNAME) {
            const char* text = static_cast<const char*>(RTA_DATA(attr));
            return QByteArray(text, static_cast<int>(strnlen(text, RTA_PAYLOAD(attr))));
        }
    }
    return QByteArray();
}

}  // namespace

NetworkInterfaceWatch::NetworkInterfaceWatch(const QString& name, QObject* parent)
    : ConnectionWatch(parent), name_(name) {
    query_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    events_ = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
    if (events_ >= 0) {
        sockaddr_nl address{};
        address.nl_family = AF_NETLINK;
        address.nl_groups = RTMGRP_LINK;
        if (::bind(events_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
            ::close(events_);
            events_ = -1;
        }
    }
    if (events_ >= 0) {
        notifier_ = new QSocketNotifier(events_, QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, [this] { ReadEvents(); });
    }
}

NetworkInterfaceWatch::~NetworkInterfaceWatch() {
    delete notifier_;
    if (events_ >= 0) {
        ::close(events_);
    }
    if (query_ >= 0) {
        ::close(query_);
    }
}

LinkCheck NetworkInterfaceWatch::Check() {
    LinkCheck check;
    check.subject = name_;
    const QByteArray local = name_.toLocal8Bit();
    ifreq request{};
    if (local.isEmpty() || local.size() >= IFNAMSIZ || local.contains('/') || local.contains(' ')) {
        // No interface can have such a name.
        check.state = LinkState::Unusable;
        check.error = ENODEV;
        check.detail = ErrorText(ENODEV);
        return check;
    }
    if (query_ < 0) {
        check.state = LinkState::Unusable;
        check.error = EBADF;
        check.detail = ErrorText(EBADF);
        return check;
    }
    std::memcpy(request.ifr_name, local.constData(), static_cast<size_t>(local.size()));
    if (::ioctl(query_, SIOCGIFFLAGS, &request) != 0) {
        const int error = errno;
        check.state = LinkState::Unusable;
        check.error = error;
        check.detail = ErrorText(error);
        return check;
    }
    const unsigned flags = static_cast<unsigned short>(request.ifr_flags);
    check.state = (flags & IFF_UP) && (flags & IFF_RUNNING) ? LinkState::Up : LinkState::Down;
    return check;
}

void NetworkInterfaceWatch::ReadEvents() {
    const QByteArray wanted = name_.toLocal8Bit();
    bool concerned = false;
    alignas(nlmsghdr) char buffer[16384];
    for (;;) {
        const ssize_t n = ::recv(events_, buffer, sizeof(buffer), MSG_DONTWAIT);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            // ENOBUFS: the kernel dropped messages, ours among them perhaps.
            concerned = concerned || errno == ENOBUFS;
            break;
        }
        if (n == 0) {
            break;
        }
        unsigned int left = static_cast<unsigned int>(n);
        for (auto* header = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(header, left);
             header = NLMSG_NEXT(header, left)) {
            if ((header->nlmsg_type == RTM_NEWLINK || header->nlmsg_type == RTM_DELLINK) &&
                LinkName(header) == wanted) {
                concerned = true;
            }
        }
    }
    if (concerned) {
        emit Changed();
    }
}

QStringList PresentInterfaces() {
    QStringList names;
    if (struct if_nameindex* list = ::if_nameindex()) {
        for (struct if_nameindex* i = list; i->if_index != 0 && i->if_name != nullptr; ++i) {
            const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
            bool loopback = false;
            if (fd >= 0) {
                ifreq request{};
                std::strncpy(request.ifr_name, i->if_name, IFNAMSIZ - 1);
                loopback =
                    ::ioctl(fd, SIOCGIFFLAGS, &request) == 0 && (request.ifr_flags & IFF_LOOPBACK);
                ::close(fd);
            }
            if (!loopback) {
                names << QString::fromLocal8Bit(i->if_name);
            }
        }
        ::if_freenameindex(list);
    }
    return names;
}

}  // namespace vindelor::platform
