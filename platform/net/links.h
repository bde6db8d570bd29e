// Network links as the kernel knows them: an interface's flags by name, the interfaces
// present, and a routing socket (rtnetlink, group RTMGRP_LINK) on which the kernel tells
// of every link that appears, changes or goes away.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace vindelor::platform {

// Whether the kernel could have an interface of this name at all (length, '/', ':', blanks).
bool PossibleInterfaceName(const QString& name);

struct InterfaceFlags {
    int error = 0;         // errno of the look, 0 when it worked
    bool up = false;       // IFF_UP: switched on
    bool running = false;  // IFF_RUNNING: with a carrier
};

// Looks at interfaces' flags through one socket kept open, so that a look every tick
// costs one ioctl.
class InterfaceQuery {
  public:
    InterfaceQuery();
    ~InterfaceQuery();
    InterfaceQuery(const InterfaceQuery&) = delete;
    InterfaceQuery& operator=(const InterfaceQuery&) = delete;

    // One SIOCGIFFLAGS look (ENODEV for a name no interface can have).
    InterfaceFlags Flags(const QString& name) const;

  private:
    int fd_ = -1;
    int openError_ = 0;
};

// The interfaces present now, by index, loopback left out.
QStringList PresentInterfaces();

// Switches the interface on or off, as `ip link set NAME up|down` does (needs
// CAP_NET_ADMIN in its network namespace). Returns 0, or the errno of the failed step.
int SetInterfaceUp(const QByteArray& name, bool up);

class LinkEventSocket {
  public:
    LinkEventSocket();
    ~LinkEventSocket();
    LinkEventSocket(const LinkEventSocket&) = delete;
    LinkEventSocket& operator=(const LinkEventSocket&) = delete;

    // The socket to wait on for reading; -1 when it could not be opened.
    int Descriptor() const { return fd_; }

    struct Batch {
        QList<QByteArray> names;  // the links that the queued messages were about
        bool overflow = false;    // the kernel dropped messages (ENOBUFS)
    };
    // Reads every message queued now without waiting.
    Batch Read();

  private:
    int fd_ = -1;
};

}  // namespace vindelor::platform
