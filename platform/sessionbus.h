// Whether the desktop's session bus answers at all. Qt's own users of it (the
// accessibility bridge when the first label gets its text, the tray and menu look-ups)
// ask it on the window's thread and wait libdbus's 25 s for an answer: a session bus that
// accepts connections and never answers would hold the window that long before it shows.
#pragma once

namespace vindelor::platform {

enum class SessionBus {
    Answers,      // it spoke (or its address is of a kind not looked at: left as it is)
    Unreachable,  // no such bus: every caller learns so at once
    Silent,       // it took the connection and said nothing within the limit
};

// Opens the bus DBUS_SESSION_BUS_ADDRESS names (its first unix path or abstract name) and
// waits up to `limitMs` for its answer to the opening of the authentication. Nothing is
// registered on it.
SessionBus ProbeSessionBus(int limitMs);

// Before the application object: when the session bus is silent, points this process at
// no bus, so that every call on it fails at once instead of waiting (notifications then
// go by the tray or a box), and says so on standard error as `program`. True when it did.
bool AvoidASilentSessionBus(const char* program, int limitMs = 1500);

}  // namespace vindelor::platform
