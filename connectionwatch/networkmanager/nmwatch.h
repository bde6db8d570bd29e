// A connection of NetworkManager as the connection (mobile broadband, PPPoE, a phone over
// Bluetooth, a VPN): it lasts while NetworkManager has an active connection with the
// chosen name (id) or UUID in state ACTIVATED, and ends when that connection leaves the
// state or goes away.
//
// NetworkManager is followed on the system bus from the bus thread (servicefollower.h):
// its active connections are read at start-up, whenever the service (re)appears and
// whenever it signals that they changed. A look here only reads the last snapshot.
#pragma once

#include "connectionwatch/connectionwatch.h"
#include "connectionwatch/servicefollower.h"

#include <QList>
#include <QMetaType>
#include <QStringList>

namespace vindelor::watch {

// NetworkManager's NMActiveConnectionState.
constexpr unsigned kNmActivated = 2;

struct NmActiveConnection {
    QString id;
    QString uuid;
    unsigned state = 0;
    // The kernel interfaces of its devices (the IP interface where one is set: ppp0 of a
    // modem whose device is ttyUSB0).
    QStringList interfaces;
};

struct NmSnapshot {
    ServiceState service = ServiceState::Pending;
    QList<NmActiveConnection> active;
};

// Whether a stored connection is given by its UUID (as the connection page stores it)
// rather than by its id, which two connections may share.
bool IsNmUuid(const QString& wanted);
// The active connection `wanted` names by UUID, or by id when it is none; null when
// there is none.
const NmActiveConnection* FindActive(const NmSnapshot& snapshot, const QString& wanted);
// What a snapshot says of the connection `wanted`.
LinkCheck NmLinkCheck(const NmSnapshot& snapshot, const QString& wanted);

// Reads NetworkManager's active connections on the bus thread.
class NmFollower : public ServiceFollower {
    Q_OBJECT
  public:
    explicit NmFollower(int answerLimitMs);

  signals:
    void Published(const vindelor::watch::NmSnapshot& snapshot);

  protected:
    void Subscribe() override;
    bool Relevant(const QDBusMessage& signal) const override;
    void Look() override;
    void Lost(ServiceState why) override;
};

// A connection NetworkManager knows (its settings), active or not.
struct NmProfile {
    QString id;
    QString type;  // "gsm", "pppoe", "bluetooth", "vpn", ...
    QString uuid;
};

struct NmProfiles {
    ServiceState service = ServiceState::Pending;
    QList<NmProfile> profiles;
};

// Reads NetworkManager's connections on the bus thread, for the user to choose from.
class NmProfileFollower : public ServiceFollower {
    Q_OBJECT
  public:
    explicit NmProfileFollower(int answerLimitMs);

  signals:
    void Published(const vindelor::watch::NmProfiles& profiles);

  protected:
    void Subscribe() override;
    bool Relevant(const QDBusMessage& signal) const override;
    void Look() override;
    void Lost(ServiceState why) override;
};

// NetworkManager's connections as last read, on the window's thread.
class NetworkManagerProfiles : public QObject {
    Q_OBJECT
  public:
    explicit NetworkManagerProfiles(int answerLimitMs = 5000);
    ~NetworkManagerProfiles() override;
    const NmProfiles& Profiles() const { return profiles_; }

  signals:
    void Changed();

  private:
    NmProfiles profiles_;
    NmProfileFollower* follower_ = nullptr;
};

class NetworkManagerWatch : public ConnectionWatch {
    Q_OBJECT
  public:
    // `wanted`: a connection's id or UUID. `answerLimitMs`: how long NetworkManager may
    // take over one answer before it counts as not answering.
    explicit NetworkManagerWatch(const QString& wanted, QObject* parent = nullptr,
                                 int answerLimitMs = 5000);
    ~NetworkManagerWatch() override;

    Kind WatchKind() const override { return Kind::NetworkManager; }
    // The connection's id once NetworkManager has shown it, else what was asked for.
    QString Name() const override;
    LinkCheck Check() override;
    QString CountedInterface() const override;

  private:
    void Take(const NmSnapshot& snapshot);

    QString wanted_;
    QString shownName_;
    NmSnapshot snapshot_;
    NmFollower* follower_ = nullptr;
};

}  // namespace vindelor::watch

Q_DECLARE_METATYPE(vindelor::watch::NmSnapshot)
Q_DECLARE_METATYPE(vindelor::watch::NmProfiles)
