#include "platform/net/linkstats.h"

#include "platform/net/linkattributes.h"
#include "platform/net/links.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>

#include <linux/if_link.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vindelor::platform {

LinkStats ParseLinkMessage(const nlmsghdr* header) {
    LinkStats link;
    const auto* info = static_cast<const ifinfomsg*>(NLMSG_DATA(header));
    link.present = true;
    link.index = info->ifi_index;
    link.pointToPoint = (info->ifi_flags & IFF_POINTOPOINT) != 0;
    bool have64 = false;
    ForEachLinkAttribute(header, [&link, &have64](const rtattr* attr) {
        if (attr->rta_type == IFLA_IFNAME) {
            link.name = QString::fromLocal8Bit(LinkAttributeText(attr));
        } else if (attr->rta_type == IFLA_STATS64 &&
                   RTA_PAYLOAD(attr) >= offsetof(rtnl_link_stats64, tx_bytes) +
                                            sizeof(rtnl_link_stats64::tx_bytes)) {
            // A kernel older than these headers sends a shorter struct: its fields are a
            // prefix of ours, and only the byte counters are read. The attribute need not
            // be aligned for 64-bit reads.
            rtnl_link_stats64 stats{};
            std::memcpy(&stats, RTA_DATA(attr),
                        std::min<std::size_t>(RTA_PAYLOAD(attr), sizeof(stats)));
            link.rxBytes = stats.rx_bytes;
            link.txBytes = stats.tx_bytes;
            have64 = true;
        } else if (attr->rta_type == IFLA_STATS && !have64 &&
                   RTA_PAYLOAD(attr) >= sizeof(rtnl_link_stats)) {
            rtnl_link_stats stats;
            std::memcpy(&stats, RTA_DATA(attr), sizeof(stats));
            link.rxBytes = stats.rx_bytes;
            link.txBytes = stats.tx_bytes;
        }
        return true;
    });
    return link;
}

LinkStatsQuery::LinkStatsQuery() {
    fd_ = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    openError_ = fd_ < 0 ? errno : 0;
    if (fd_ >= 0) {
        // A reply that never comes must not hang the session tick.
        const timeval wait{0, 200 * 1000};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof(wait));
    }
}

LinkStatsQuery::~LinkStatsQuery() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

int LinkStatsQuery::Ask(const void* request, unsigned length, QList<LinkStats>* links) {
    if (fd_ < 0) {
        return openError_;
    }
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    if (::sendto(fd_, request, length, 0, reinterpret_cast<const sockaddr*>(&kernel),
                 sizeof(kernel)) < 0) {
        return errno;
    }
    const unsigned sequence = static_cast<const nlmsghdr*>(request)->nlmsg_seq;
    alignas(nlmsghdr) char buffer[32768];
    for (;;) {
        const ssize_t n = ::recv(fd_, buffer, sizeof(buffer), 0);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        unsigned left = static_cast<unsigned>(n);
        for (auto* header = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(header, left);
             header = NLMSG_NEXT(header, left)) {
            if (header->nlmsg_seq != sequence) {
                continue;  // the late reply to a request given up on
            }
            if (header->nlmsg_type == NLMSG_ERROR) {
                const auto* error = static_cast<const nlmsgerr*>(NLMSG_DATA(header));
                return -error->error;  // 0 is the acknowledgement
            }
            if (header->nlmsg_type == NLMSG_DONE) {
                return 0;
            }
            if (header->nlmsg_type == RTM_NEWLINK) {
                links->append(ParseLinkMessage(header));
                if ((header->nlmsg_flags & NLM_F_MULTI) == 0) {
                    return 0;
                }
            }
        }
    }
}

LinkStats LinkStatsQuery::Read(const QString& name) {
    LinkStats result;
    result.name = name;
    if (!PossibleInterfaceName(name)) {
        return result;
    }
    const QByteArray local = name.toLocal8Bit();
    struct {
        nlmsghdr header;
        ifinfomsg info;
        char attributes[RTA_SPACE(IFNAMSIZ) + RTA_SPACE(sizeof(std::uint32_t))];
    } request{};
    request.header.nlmsg_type = RTM_GETLINK;
    request.header.nlmsg_flags = NLM_F_REQUEST;
    request.header.nlmsg_seq = ++sequence_;
    request.info.ifi_family = AF_UNSPEC;
    auto* attr = reinterpret_cast<rtattr*>(request.attributes);
    attr->rta_type = IFLA_IFNAME;
    attr->rta_len = static_cast<unsigned short>(RTA_LENGTH(local.size() + 1));
    std::memcpy(RTA_DATA(attr), local.constData(), static_cast<size_t>(local.size()));
    unsigned length = NLMSG_LENGTH(sizeof(ifinfomsg)) + RTA_ALIGN(attr->rta_len);
    // Only the counters are wanted, not the virtual functions' long lists.
    auto* mask = reinterpret_cast<rtattr*>(reinterpret_cast<char*>(&request) + length);
    mask->rta_type = IFLA_EXT_MASK;
    mask->rta_len = static_cast<unsigned short>(RTA_LENGTH(sizeof(std::uint32_t)));
    const std::uint32_t none = 0;
    std::memcpy(RTA_DATA(mask), &none, sizeof(none));
    length += RTA_ALIGN(mask->rta_len);
    request.header.nlmsg_len = length;

    QList<LinkStats> links;
    const int error = Ask(&request, length, &links);
    if (error == ENODEV) {
        return result;
    }
    if (error != 0 || links.isEmpty()) {
        result.error = error != 0 ? error : EIO;
        return result;
    }
    return links.first();
}

QList<LinkStats> LinkStatsQuery::PointToPointLinks() {
    struct {
        nlmsghdr header;
        ifinfomsg info;
    } request{};
    request.header.nlmsg_len = NLMSG_LENGTH(sizeof(ifinfomsg));
    request.header.nlmsg_type = RTM_GETLINK;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.header.nlmsg_seq = ++sequence_;
    request.info.ifi_family = AF_UNSPEC;
    QList<LinkStats> links;
    if (Ask(&request, request.header.nlmsg_len, &links) != 0) {
        return {};
    }
    QList<LinkStats> pointToPoint;
    for (const LinkStats& link : links) {
        if (link.pointToPoint) {
            pointToPoint.append(link);
        }
    }
    return pointToPoint;
}

}  // namespace vindelor::platform
