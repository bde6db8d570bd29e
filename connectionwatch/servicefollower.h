// Follows one service on the system bus (NetworkManager, ModemManager) from the bus
// thread, so that no bus call ever waits on the window's thread: connecting to the bus,
// the service's name owner, its signals, and every question asked of it with a time limit.
//
// A look is a full read of what the backend needs, made at start-up, whenever the
// service (re)appears on the bus and whenever it signals a change that matters; nothing
// is polled while the service is quiet. A look that comes while one runs is made once
// the running one has ended. What a look found is published as a snapshot that the
// watch, on the window's thread, takes through a queued signal.
#pragma once

#include "connectionwatch/connectionwatch.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QString>

#include <functional>

class QTimer;
class QDBusPendingCallWatcher;

namespace vindelor::watch {

// What is known of the service.
enum class ServiceState {
    Pending,       // not looked at yet
    NoBus,         // no system bus to connect to
    Absent,        // nobody owns the service's name
    NotAnswering,  // the service owns its name but did not answer in time
    Running,       // the service answered the last look
};

class ServiceFollower : public QObject {
    Q_OBJECT
  public:
    // `service`: the bus name followed. End it with Stop(), never with delete.
    ServiceFollower(const QString& service, int answerLimitMs);
    ~ServiceFollower() override;

    // Once made and connected: moves to the bus thread and begins there.
    void Start();
    // Ends following; the object is deleted on the bus thread.
    void Stop();

  protected:
    // Bus thread: subscribes to the service's signals, each connected to OnSignal.
    virtual void Subscribe() = 0;
    // Whether a signal of the service's own means a new look.
    virtual bool Relevant(const QDBusMessage& signal) const = 0;
    // Bus thread: one look, made of Ask() calls; ends with LookDone().
    virtual void Look() = 0;
    // The service is not there or did not answer: publish that.
    virtual void Lost(ServiceState why) = 0;

    // A method call to the service.
    QDBusMessage Call(const QString& path, const QString& interface, const QString& method) const;
    // Sends `call` with the time limit; `answer` runs on the bus thread with the reply (an
    // error message on failure or time-out), unless a newer look has begun meanwhile.
    void Ask(const QDBusMessage& call, std::function<void(const QDBusMessage&)> answer);
    // Ends the running look; false: the service did not answer, a new look follows later.
    void LookDone(bool answered);
    // Connects a signal of the service (any path when `path` is empty) to OnSignal.
    void Listen(const QString& path, const QString& interface, const QString& name);

    QDBusConnection bus_{QString()};

  protected slots:
    void OnSignal(const QDBusMessage& signal);

  private slots:
    void Begin();
    void OwnerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);

  private:
    void AskOwner();
    void StartLook();

    void Probed(bool answers);
    void Connect();

    const QString service_;
    const int answerLimitMs_;
    int retryMs_ = 0;
    QString address_;
    QString connectionName_;
    QString owner_;
    QTimer* retry_ = nullptr;  // after no bus, or a look without an answer
    int generation_ = 0;       // a new owner or a new look: older answers are dropped
    bool looking_ = false;
    bool lookAgain_ = false;
};

// What the service's state alone says of the connection: Unknown while it has not
// answered, Unusable ("`name` is not running") while it is not there. False while it
// runs: then only what it told decides.
bool ServiceDecides(ServiceState state, const QString& name, LinkCheck* check);

// Whether a reply is the bus's word that the service did not answer in time.
bool NoAnswer(const QDBusMessage& reply);
// Whether a reply is the word that the object asked about is not there (it went between
// two questions); any other error, like an answer of the wrong shape, leaves it unknown.
bool ObjectGone(const QDBusMessage& reply);
// Whether a reply's first argument is of the shape asked for: a{sv} (GetAll), or a
// variant holding `ao` (Get of a list of objects).
bool HoldsPropertyMap(const QDBusMessage& reply);
bool HoldsObjectPaths(const QDBusMessage& reply);

// Reading the answers: a D-Bus variant or argument as the plain types.
QVariantMap PropertyMap(const QVariant& value);
QStringList ObjectPaths(const QVariant& value);

}  // namespace vindelor::watch
