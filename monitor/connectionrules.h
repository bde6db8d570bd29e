// What a look at the watched connection means for the monitor, without widgets: which
// connection the settings choose, when a look starts or ends a session, and what the
// user is told, once, about a port or interface that cannot be watched.
#pragma once

#include "connectionwatch/connectionwatch.h"

#include <QSet>
#include <QString>

namespace vindelor::monitor {

// The interface to watch: the one named on the command line, else [Connection]
// "Interface"; empty means the modem's serial port.
QString ChosenInterface(const QString& commandLine);

// What to watch and by which name (a connection's id or UUID, a modem's identifier or
// "any", an interface); the serial port has no name here.
struct WatchChoice {
    watch::ConnectionWatch::Kind kind = watch::ConnectionWatch::Kind::SerialPort;
    QString name;
    QString sim;  // a SIM's ICCID: the modem that holds it, whichever that is
};
// The command line's choice for this run (NetworkManager's connection, then the modem,
// then the interface), else [Connection] "NetworkManager", "SIM", "Modem", "Interface" in
// that order; none of them: the modem's serial port.
WatchChoice ChosenConnection(const QString& interfaceOverride, const QString& nmOverride,
                             const QString& modemOverride);

// On the idle poll only a connection starts a session: a port or interface that cannot be
// used is not one, and a look that said nothing leaves the program waiting.
inline bool StartsSession(watch::LinkState state) {
    return state == watch::LinkState::Up;
}
// On the session tick a connection gone ends the session, and so does one that can no
// longer be used (the modem unplugged, the interface removed); a look that said nothing
// keeps it going.
inline bool EndsSession(watch::LinkState state) {
    return state == watch::LinkState::Down || state == watch::LinkState::Unusable;
}

// What a look means for a running session: a service that has gone away (it restarts,
// and keeps its links up meanwhile) says nothing of the link, as a look without an
// answer: the session goes on, a drop under way stays one, and the service is looked at
// again when it is back.
inline watch::LinkState InSession(const watch::LinkCheck& check) {
    return check.serviceGone ? watch::LinkState::Unknown : check.state;
}

// [Connection] "Grace": how many seconds a drop may last and still belong to the session
// (a mobile handover takes the link down and straight back up); 0, the default, ends the
// session at the first drop.
long long GraceSeconds();

// Follows the drops of a running session tick by tick. The time the link was gone is not
// connected time: the session's clock stands while a drop lasts and goes on from where it
// stood when the link is back; a drop that outlasts the grace ends the session at its
// start.
class DropGrace {
  public:
    enum class Verdict { Go, Hold, End };
    explicit DropGrace(long long graceSeconds = 0) : grace_(graceSeconds) {}
    // One look: whether the link is gone, at `now` seconds of the tick counter.
    Verdict See(bool gone, long long now);
    // The tick counter as the session's clock reads it: gaps taken off, stopped at the
    // start of a drop that lasts.
    long long SessionClock(long long now) const { return (dropping_ ? dropStart_ : now) - gaps_; }
    bool Dropping() const { return dropping_; }

  private:
    long long grace_;
    bool dropping_ = false;
    long long dropStart_ = 0;
    long long gaps_ = 0;
};

// The message about a port or interface that cannot be watched, in the current language.
QString UnusableText(watch::ConnectionWatch::Kind kind, const watch::LinkCheck& check);

// The poll meets the same failure every second: the user hears of each subject once.
class UnusableReports {
  public:
    // True the first time `subject` is reported.
    bool FirstTime(const QString& subject) {
        if (told_.contains(subject)) {
            return false;
        }
        told_.insert(subject);
        return true;
    }

  private:
    QSet<QString> told_;
};

}  // namespace vindelor::monitor
