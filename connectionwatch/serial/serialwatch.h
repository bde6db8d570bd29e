// The classic sign of a connection: a dialer holds the modem's serial port. A look opens
// the port through the probe component and closes it at once; a port that cannot be
// opened because another program has it is the connection.
//
// While the port is held, the session ticks fifty times a second, and a full look (lock
// files, /proc) at every tick would cost more than the rest of the session together. So
// once a look has found the holder, the watch follows what tells of its letting go (the
// device's closes, the lock files, the holder's exit) and looks again only when one of
// them fires, or once a second for a release that none of them shows. With an event
// loop running, a fired event is looked into at once, and Changed() is emitted when the
// port has been let go; without one, the next Check() looks.
//
// A port that ModemManager owns is another matter: ModemManager keeps an enabled modem's
// ports open all the time, and an open of ours would raise DTR under it. Such a port is
// never opened; it is the connection while its modem is CONNECTED (ModemManager's own
// PPP). With ModemManager not on the bus, every port is probed.
#pragma once

#include "connectionwatch/connectionwatch.h"

#include <QList>
#include <QPair>
#include <QPointer>
#include <QSocketNotifier>
#include <QStringList>

#include <cstdint>
#include <memory>

namespace vindelor {
class TComm32;
namespace platform {
class HolderEvents;
}
}  // namespace vindelor

namespace vindelor::watch {

class ModemManagerModems;

class SerialPortWatch : public ConnectionWatch {
    Q_OBJECT
  public:
    // `comm` stays the caller's (the main window's Comm321) and must outlive the watch.
    // `modems`: ModemManager's modems, asked before every probe; null: never asked.
    explicit SerialPortWatch(TComm32& comm, std::shared_ptr<ModemManagerModems> modems = nullptr,
                             QObject* parent = nullptr);
    ~SerialPortWatch() override;

    Kind WatchKind() const override { return Kind::SerialPort; }
    QString Name() const override;
    LinkCheck Check() override;

    // The longest a held port goes without a full look.
    static constexpr std::int64_t kLookAtLeastEveryMs = 1000;

  private:
    LinkCheck Look(const QString& port, std::int64_t now);
    void Listen();
    bool EventsListened() const;
    void EventsArrived();

    TComm32& comm_;
    // While the port is held: what tells of the holder letting go, for which port, and
    // what the last full look found, when.
    std::unique_ptr<platform::HolderEvents> release_;
    // The event loop's side of release_'s descriptors; deleted later, as one may be
    // the notifier whose signal is being handled.
    QPointer<QSocketNotifier> eventsNotifier_;
    QPointer<QSocketNotifier> exitNotifier_;
    QString heldPort_;
    LinkCheck held_;
    std::int64_t lastLook_ = 0;
    std::shared_ptr<ModemManagerModems> modems_;
    // The port's device and the name ModemManager knows it by, worked out again when the
    // port or ModemManager's modems change, and at least once a second (a link may be
    // changed by hand): the look-up costs a settings read and a path resolution, too
    // much for every tick.
    QString mmPort_;
    QString mmDevice_;
    QString mmName_;
    std::int64_t mmAt_ = 0;
    bool mmStale_ = true;
    // What a look reads of ModemManager's modems: whether it answers, the ports it holds
    // and what each modem with ports is doing. It republishes on any of its signals
    // (signal quality, the operator's name), and without a system bus every few seconds;
    // only a change of this is worth a look.
    struct MmView {
        int service = -1;
        QStringList held;
        QList<QPair<QStringList, int>> modems;
        bool operator==(const MmView& o) const {
            return service == o.service && held == o.held && modems == o.modems;
        }
    };
    MmView mmView_;
};

}  // namespace vindelor::watch
