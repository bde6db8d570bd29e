// A network interface as the connection (mobile broadband wwan0, a phone's USB tethering,
// ppp0 of PPP over Ethernet): the connection lasts while the interface is up and running
// (IFF_UP and IFF_RUNNING: switched on and with a carrier).
//
// The kernel tells of every change of an interface on a routing socket; a message about
// the watched interface emits Changed(), so nothing is polled while the link stays as it
// is. A look itself is one ioctl and costs next to nothing, so the monitor's idle poll
// stays as a fallback in case the kernel had to drop messages.
#pragma once

#include "connectionwatch/connectionwatch.h"
#include "platform/net/links.h"

class QSocketNotifier;

namespace vindelor::watch {

class NetworkInterfaceWatch : public ConnectionWatch {
    Q_OBJECT
  public:
    explicit NetworkInterfaceWatch(const QString& name, QObject* parent = nullptr);
    ~NetworkInterfaceWatch() override;

    Kind WatchKind() const override { return Kind::NetworkInterface; }
    QString Name() const override { return name_; }
    LinkCheck Check() override;
    QString CountedInterface() const override { return name_; }

    // False when the routing socket could not be opened: only the poll then sees changes.
    bool HearsEvents() const { return events_.Descriptor() >= 0; }

  private:
    void ReadEvents();

    QString name_;
    platform::InterfaceQuery query_;
    platform::LinkEventSocket events_;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace vindelor::watch
