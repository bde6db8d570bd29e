// Tells NetworkManager that the session's link is metered while the session runs, so that
// updaters and app stores hold back: the device's applied connection gets
// connection.metered "yes" through Device.Reapply (as `nmcli device modify DEV
// connection.metered yes` does), never the stored profile, and what it had before is
// applied again at the end.
//
// The calls go from the bus thread (servicefollower.h), each with its time limit; the
// window's thread only hands over what to do and hears what came of it.
#pragma once

#include "connectionwatch/servicefollower.h"

#include <QString>

namespace vindelor::watch {

class NmMeteredMark : public ServiceFollower {
    Q_OBJECT
  public:
    // `retryMs`: how soon a link NetworkManager does not know (yet) is asked for again.
    explicit NmMeteredMark(int answerLimitMs = 5000, int retryMs = 5000);

    // Bus thread, through QMetaObject::invokeMethod: marks the device whose IP interface
    // is `interface`. A link NetworkManager does not manage, or has not activated, is left
    // alone, silently, and asked for again while the mark is wanted: the link may come up
    // later in the session, and a NetworkManager that has just started finds its devices
    // one by one.
    Q_INVOKABLE void Mark(const QString& interface);
    // Bus thread: applies the connection's own metered value again. Emits Restored when
    // it is done or there was nothing to do.
    Q_INVOKABLE void Restore();

  signals:
    void Marked(const QString& interface);
    void Restored();
    // NetworkManager said no (its policy, most often): its word for it.
    void Refused(const QString& interface, const QString& reason);

  protected:
    void Subscribe() override {}
    bool Relevant(const QDBusMessage&) const override { return false; }
    // NetworkManager is there (again): a mark asked for goes out now.
    void Look() override;
    void Lost(ServiceState) override {}

  private:
    // GetAppliedConnection, then Reapply with connection.metered `value` (-1: the key
    // taken away); `done` runs with the reply of the Reapply, or of the first call that
    // failed.
    void Apply(int value, std::function<void(const QDBusMessage&)> done);
    void SendMark();
    void AskAgainLater();

    QString interface_;
    QString device_;
    const int retryMs_;
    bool ready_ = false;  // the service has been found
    bool wanted_ = false;
    bool finding_ = false;  // the device is being looked for
    bool retrying_ = false;
    bool marking_ = false;
    bool marked_ = false;
    int original_ = -1;  // connection.metered before: -1 when the connection had none
};

// On the window's thread: one mark per session.
class MeteredLink : public QObject {
    Q_OBJECT
  public:
    explicit MeteredLink(int answerLimitMs = 5000, int retryMs = 5000);
    ~MeteredLink() override;

    void Mark(const QString& interface);
    // Puts the link back; with `waitMs` the events run until it is done or the time has
    // passed (the program ends after it).
    void Restore(int waitMs = 0);
    bool Marked() const { return marked_; }
    bool Asked() const { return asked_; }

  signals:
    void Refused(const QString& interface, const QString& reason);

  private:
    NmMeteredMark* mark_ = nullptr;
    bool asked_ = false;
    bool marked_ = false;
};

}  // namespace vindelor::watch
