// A network interface as the connection (mobile broadband wwan0, a phone's USB tethering,
// ppp0 of PPP over Ethernet): the connection lasts while the interface is up and running
// (IFF_UP and IFF_RUNNING: switched on and with a carrier).
//
// The kernel tells of every change of an interface on a routing socket (rtnetlink, group
// RTMGRP_LINK); a message about the watched interface emits Changed(), so nothing is
// polled while the link stays as it is. A look itself is one ioctl (SIOCGIFFLAGS) and
// costs next to nothing, so the monitor's idle poll stays as a fallback in case the
// kernel had to drop messages.
#pragma once

#include "platform/connectionwatch.h"

#include <QStringList>

class QSocketNotifier;

namespace vindelor::platform {

class NetworkInterfaceWatch : public ConnectionWatch {
    Q_OBJECT
  public:
    explicit NetworkInterfaceWatch(const QString& name, QObject* parent = nullptr);
    ~NetworkInterfaceWatch() override;

    Kind WatchKind() const override { return Kind::NetworkInterface; }
    QString Name() const override { return name_; }
    LinkCheck Check() override;

    // False when the routing socket could not be opened: only the poll then sees changes.
    bool HearsEvents() const { return events_ >= 0; }

  private:
    void ReadEvents();

    QString name_;
    int events_ = -1;  // rtnetlink socket
    int query_ = -1;   // datagram socket for the ioctl
    QSocketNotifier* notifier_ = nullptr;
};

// The interfaces present now, by index, loopback left out: what the user may choose from.
QStringList PresentInterfaces();

}  // namespace vindelor::platform
