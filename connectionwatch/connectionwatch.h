// How Vindelor knows that the metered connection is there. One small interface with a
// backend per kind of connection, each in a folder of its own under connectionwatch/:
// serial/ (a dialer holds the modem's serial port), netif/ (a network interface is up
// and running), networkmanager/ (a connection of NetworkManager is activated),
// modemmanager/ (a modem of ModemManager is connected) and test/ (a fake the tests drive
// by hand). The interface is declared in
// this folder and no backend includes anything of the monitor's.
//
// The monitor looks with Check() on its idle poll and on every session tick. A backend
// that hears of changes from the system emits Changed() as well, so that the monitor
// looks at once instead of at its next poll; the poll then is only a fallback.
#pragma once

#include <QObject>
#include <QString>

namespace vindelor::watch {

// The longest drop [Connection] "Grace" may let belong to the session, in seconds: what
// the connection page takes and the session reads.
constexpr long long kMaxGraceSeconds = 600;

enum class LinkState {
    Down,      // no connection
    Up,        // a connection
    Unusable,  // what is watched cannot be used at all (absent, no permission): no connection
    Unknown,   // the look failed without saying why: whatever was known before stays
};

struct LinkCheck {
    LinkState state = LinkState::Down;
    QString subject;  // the device or interface, as the user knows it
    int error = 0;    // errno behind Unusable, 0 when none
    QString detail;   // why it is unusable, for the user
    // The service that tells of the connection is not there (NetworkManager restarting,
    // no system bus): Unusable while waiting, but no word on the link itself, which such
    // a service keeps up while it is gone.
    bool serviceGone = false;
};

// The network the connection's modem is registered on, as far as the watch knows it.
struct Registration {
    bool roaming = false;  // registered on a network abroad
    QString operatorName;  // "Operator"
    QString operatorCode;  // MCC and MNC, "22801"
};

class ConnectionWatch : public QObject {
    Q_OBJECT
  public:
    enum class Kind { SerialPort, NetworkInterface, NetworkManager, ModemManager };

    using QObject::QObject;
    ~ConnectionWatch() override;

    virtual Kind WatchKind() const = 0;
    // What status panel 0 shows: "COM1", "wwan0", a connection's or a modem's name.
    virtual QString Name() const = 0;
    // One look now.
    virtual LinkCheck Check() = 0;
    // The network interface whose byte counters belong to the connection while it is up;
    // empty while none is known.
    virtual QString CountedInterface() const { return QString(); }
    // Where the connection's modem is registered; a watch that knows of no modem never
    // roams.
    virtual Registration ModemRegistration() const { return {}; }

  signals:
    // Something about the watched connection may have changed: look again.
    void Changed();
};

}  // namespace vindelor::watch
