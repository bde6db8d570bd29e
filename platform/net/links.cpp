#include "platform/net/links.h"

#include "platform/net/linkattributes.h"

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

// The name carried by one RTM_NEWLINK / RTM_DELLINK message, empty when it has none.
QByteArray LinkName(const nlmsghdr* header) {
    QByteArray name;
    ForEachLinkAttribute(header, [&name](const rtattr* attr) {
        if (attr->rta_type != IFLA_IFNAME) {
            return true;
        }
        name = LinkAttributeText(attr);
        return false;
    });
    return name;
}

}  // namespace

bool PossibleInterfaceName(const QString& name) {
    // The kernel's own rule for a link's name.
    const QByteArray local = name.toLocal8Bit();
    if (local.isEmpty() || local.size() >= IFNAMSIZ || local == "." || local == "..") {
        return false;
    }
    for (const char c : local) {
        if (c == '/' || c == ':' || c == ' ' || (c >= '\t' && c <= '\r')) {
            return false;
        }
    }
    return true;
}

InterfaceQuery::InterfaceQuery() {
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    openError_ = fd_ < 0 ? errno : 0;
}

InterfaceQuery::~InterfaceQuery() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

InterfaceFlags InterfaceQuery::Flags(const QString& name) const {
    InterfaceFlags result;
    if (!PossibleInterfaceName(name)) {
        result.error = ENODEV;
        return result;
    }
    if (fd_ < 0) {
        result.error = openError_;
        return result;
    }
    const QByteArray local = name.toLocal8Bit();
    ifreq request{};
    std::memcpy(request.ifr_name, local.constData(), static_cast<size_t>(local.size()));
    if (::ioctl(fd_, SIOCGIFFLAGS, &request) != 0) {
        result.error = errno;
    } else {
        const unsigned flags = static_cast<unsigned short>(request.ifr_flags);
        result.up = flags & IFF_UP;
        result.running = flags & IFF_RUNNING;
    }
    return result;
}

QStringList PresentInterfaces() {
    QStringList names;
    if (struct if_nameindex* list = ::if_nameindex()) {
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        for (struct if_nameindex* i = list; i->if_index != 0 && i->if_name != nullptr; ++i) {
            bool loopback = false;
            if (fd >= 0) {
                ifreq request{};
                std::strncpy(request.ifr_name, i->if_name, IFNAMSIZ - 1);
                loopback =
                    ::ioctl(fd, SIOCGIFFLAGS, &request) == 0 && (request.ifr_flags & IFF_LOOPBACK);
            }
            if (!loopback) {
                names << QString::fromLocal8Bit(i->if_name);
            }
        }
        if (fd >= 0) {
            ::close(fd);
        }
        ::if_freenameindex(list);
    }
    return names;
}

LinkEventSocket::LinkEventSocket() {
    fd_ = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
    if (fd_ >= 0) {
        sockaddr_nl address{};
        address.nl_family = AF_NETLINK;
        address.nl_groups = RTMGRP_LINK;
        if (::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
}

LinkEventSocket::~LinkEventSocket() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

LinkEventSocket::Batch LinkEventSocket::Read() {
    Batch batch;
    if (fd_ < 0) {
        return batch;
    }
    alignas(nlmsghdr) char buffer[16384];
    for (;;) {
        const ssize_t n = ::recv(fd_, buffer, sizeof(buffer), MSG_DONTWAIT);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            batch.overflow = batch.overflow || errno == ENOBUFS;
            break;
        }
        if (n == 0) {
            break;
        }
        unsigned int left = static_cast<unsigned int>(n);
        for (auto* header = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(header, left);
             header = NLMSG_NEXT(header, left)) {
            if (header->nlmsg_type == RTM_NEWLINK || header->nlmsg_type == RTM_DELLINK) {
                const QByteArray name = LinkName(header);
                if (!name.isEmpty() && !batch.names.contains(name)) {
                    batch.names << name;
                }
            }
        }
    }
    return batch;
}


int SetInterfaceUp(const QByteArray& name, bool up) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return errno;
    }
    ifreq request{};
    std::strncpy(request.ifr_name, name.constData(), IFNAMSIZ - 1);
    int error = 0;
    if (::ioctl(fd, SIOCGIFFLAGS, &request) != 0) {
        error = errno;
    } else {
        request.ifr_flags =
            static_cast<short>(up ? request.ifr_flags | IFF_UP : request.ifr_flags & ~IFF_UP);
        if (::ioctl(fd, SIOCSIFFLAGS, &request) != 0) {
            error = errno;
        }
    }
    ::close(fd);
    return error;
}

}  // namespace vindelor::platform
