// The thread every D-Bus conversation of the program runs on. Connecting to a bus and
// some of Qt D-Bus's own bookkeeping wait for the bus daemon; a bus that accepts and
// never answers would hold the caller for libdbus's 25 s. Only this thread may wait so:
// the window and the 20 ms session tick never touch a bus themselves.
#pragma once

class QThread;

namespace vindelor::platform {

// Started on first use; ended, within a limit, when the application object goes away (a
// conversation stuck in a bus that does not answer could not be waited for anyway).
QThread* BusThread();

}  // namespace vindelor::platform
