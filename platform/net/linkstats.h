// The kernel's byte counters of network links (rtnetlink RTM_GETLINK, IFLA_STATS64): one
// interface by name, or the point-to-point links present. One routing socket is kept open,
// so that a look costs one request and one reply.
#pragma once

#include <QList>
#include <QString>

#include <cstdint>

struct nlmsghdr;

namespace vindelor::platform {

struct LinkStats {
    bool present = false;  // false: no link of that name (or the look failed)
    int error = 0;         // errno of a failed look; 0 for a link that is simply absent
    int index = 0;         // the kernel's interface index: a new link gets a new one
    QString name;
    bool pointToPoint = false;
    std::uint64_t rxBytes = 0;
    std::uint64_t txBytes = 0;
};

// One RTM_NEWLINK message read into its link: its name, index and counters (64-bit when
// the kernel sent them, else 32-bit). The message's length must be within its buffer.
LinkStats ParseLinkMessage(const nlmsghdr* message);

class LinkStatsQuery {
  public:
    LinkStatsQuery();
    ~LinkStatsQuery();
    LinkStatsQuery(const LinkStatsQuery&) = delete;
    LinkStatsQuery& operator=(const LinkStatsQuery&) = delete;

    // The counters of the named link now.
    LinkStats Read(const QString& name);
    // Every point-to-point link present now (ppp0, tun0 …), with its counters.
    QList<LinkStats> PointToPointLinks();

  private:
    // Sends one request and collects the links of its reply (all parts of a dump).
    int Ask(const void* request, unsigned length, QList<LinkStats>* links);

    int fd_ = -1;
    int openError_ = 0;
    unsigned sequence_ = 0;
};

}  // namespace vindelor::platform
