// Whether the desktop's session bus answers at all. Qt's own users of it (the
// accessibility bridge when the first label gets its text, the tray and menu look-ups)
// ask it on the window's thread and wait libdbus's 25 s for an answer: a session bus that
// accepts connections and never answers would hold the window that long before it shows.
#pragma once

#include <QByteArray>

namespace vindelor::platform {

enum class SessionBus {
    Answers,      // it spoke (or its address is of a kind not looked at: left as it is)
    Unreachable,  // no such bus: every caller learns so at once
    Silent,       // it took the connection and said nothing within the limit
};

// One look at whether a bus answers, without waiting: made, it has opened the bus that
// `address` names (its first unix path or abstract name) and sent the opening of an
// authentication. While Waiting(), the caller watches Fd() for input and then calls
// Read(); a caller that has waited long enough takes the bus as Silent.
class BusProbe {
  public:
    explicit BusProbe(const QByteArray& address);
    ~BusProbe();
    BusProbe(const BusProbe&) = delete;
    BusProbe& operator=(const BusProbe&) = delete;

    bool Waiting() const { return fd_ >= 0; }
    int Fd() const { return fd_; }
    // Once not Waiting(): what the bus did.
    SessionBus Verdict() const { return verdict_; }
    // Fd() has input (or was hung up): reads it, and the probe is done.
    SessionBus Read();

  private:
    void Close();
    int fd_ = -1;
    SessionBus verdict_ = SessionBus::Answers;
};

// As BusProbe, waiting up to `limitMs` for the answer.
SessionBus ProbeBus(const QByteArray& address, int limitMs);

// Opens the bus DBUS_SESSION_BUS_ADDRESS names (its first unix path or abstract name) and
// waits up to `limitMs` for its answer to the opening of the authentication. Nothing is
// registered on it.
SessionBus ProbeSessionBus(int limitMs);

// Before the application object: when the session bus is silent, points this process at
// no bus, so that every call on it fails at once instead of waiting (notifications then
// go by the tray or a box), and says so on standard error as `program`. True when it did.
bool AvoidASilentSessionBus(const char* program, int limitMs = 1500);

}  // namespace vindelor::platform
