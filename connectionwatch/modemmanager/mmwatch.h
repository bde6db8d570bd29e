// ModemManager's modems: a modem as the connection (it lasts while the modem is in state
// CONNECTED), and which serial ports ModemManager owns, so that the serial watch neither
// takes ModemManager's hold for a dialer's nor opens a port under it (an open raises DTR).
//
// ModemManager is followed on the system bus from the bus thread (servicefollower.h),
// through its ObjectManager and the modems' property changes; the watches read the last
// snapshot.
#pragma once

#include "connectionwatch/connectionwatch.h"
#include "connectionwatch/servicefollower.h"

#include <QList>
#include <QMetaType>
#include <QStringList>

#include <memory>

namespace vindelor::watch {

// ModemManager's MMModemState.
constexpr int kMmConnected = 11;
// MMModem3gppRegistrationState: roaming, roaming for SMS only, roaming with CSFB not
// preferred.
bool MmRoamingState(int registrationState);

struct MmModem {
    QString path;
    QString equipmentId;  // the IMEI of a GSM modem
    QString manufacturer;
    QString model;
    int state = 0;
    QStringList ports;          // "ttyUSB0", "cdc-wdm0", "wwan0"
    QString bearerInterface;    // the connected bearer's network interface
    int registrationState = 0;  // Modem3gpp's RegistrationState; 0 without the interface
    QString operatorCode;       // Modem3gpp's OperatorCode, MCCMNC
    QString operatorName;
    QString simPath;        // the SIM object in it, empty without one
    QString simIdentifier;  // that SIM's ICCID
};

struct MmSnapshot {
    ServiceState service = ServiceState::Pending;
    QList<MmModem> modems;
};

// The modem `wanted` names by equipment identifier, or with "any" the first connected
// one (else the first one); null when there is none.
const MmModem* FindModem(const MmSnapshot& snapshot, const QString& wanted);
// The modem that holds the SIM with identifier (ICCID) `sim`, whichever it is; a
// connected one first, should two ever report it. Null when no modem shows it.
const MmModem* FindModemWithSim(const MmSnapshot& snapshot, const QString& sim);
// What a snapshot says of the modem `wanted`.
LinkCheck MmLinkCheck(const MmSnapshot& snapshot, const QString& wanted);
// The name ModemManager knows a port by: the kernel's ("ttyUSB2"), links followed from
// the user's path (/dev/modem, /dev/serial/by-id/...).
QString ManagerPortName(const QString& device);
// The modem whose ports include the one of that name; null when ModemManager owns no
// such port.
const MmModem* PortOwner(const MmSnapshot& snapshot, const QString& portName);
// Where the modem `wanted` is registered while it is connected.
Registration ModemRegistrationOf(const MmSnapshot& snapshot, const QString& wanted);

class MmFollower : public ServiceFollower {
    Q_OBJECT
  public:
    explicit MmFollower(int answerLimitMs);

  signals:
    void Published(const vindelor::watch::MmSnapshot& snapshot);

  protected:
    void Subscribe() override;
    bool Relevant(const QDBusMessage& signal) const override;
    void Look() override;
    void Lost(ServiceState why) override;
};

// ModemManager's modems as last read, on the window's thread.
class ModemManagerModems : public QObject {
    Q_OBJECT
  public:
    explicit ModemManagerModems(int answerLimitMs = 5000);
    ~ModemManagerModems() override;
    const MmSnapshot& Snapshot() const { return snapshot_; }
    // ModemManager's modems' ports ("ttyUSB2", "cdc-wdm0"), once it has been looked at or
    // `limitMs` has passed: the caller's events run meanwhile, so a slow or hung service
    // holds nothing but this answer. Empty when ModemManager is not there.
    QStringList AwaitPorts(int limitMs);
    // The ports ModemManager holds as far as known: those it last listed, kept while it
    // does not answer, is gone or has come back without listing its modems yet.
    const QStringList& HeldPorts() const { return heldPorts_; }

  signals:
    void Changed();

  private:
    MmSnapshot snapshot_;
    QStringList heldPorts_;
    bool interrupted_ = false;  // not answering or gone since the ports were listed
    MmFollower* follower_ = nullptr;
};

class ModemManagerWatch : public ConnectionWatch {
    Q_OBJECT
  public:
    // `wanted`: a modem's equipment identifier (IMEI), or "any". With `sim` (an ICCID)
    // the watch follows that SIM instead, in whichever modem it sits.
    explicit ModemManagerWatch(const QString& wanted, QObject* parent = nullptr,
                               int answerLimitMs = 5000, const QString& sim = QString());

    Kind WatchKind() const override { return Kind::ModemManager; }
    // The modem's maker and model once ModemManager has shown it, else what was asked for.
    QString Name() const override;
    LinkCheck Check() override;
    QString CountedInterface() const override;
    // The connected modem's registration as ModemManager last told it; none while it is
    // not connected.
    Registration ModemRegistration() const override { return registration_; }

  private:
    const MmModem* Watched() const;

    QString wanted_;
    QString sim_;
    Registration registration_;
    QString shownName_;
    ModemManagerModems modems_;
};

}  // namespace vindelor::watch

Q_DECLARE_METATYPE(vindelor::watch::MmSnapshot)
