// How a Linux dialer holds a serial port, and so whether the port is free for a probe.
// A probe must never open a port that another program holds: opening raises DTR and
// can disturb a dialer that is starting up.
#pragma once

#include <QString>

#include <cstdint>

namespace vindelor::platform {

enum class PortAvailability {
    Free,      // no holder found; the port may be opened
    Busy,      // a live lock file, an open descriptor in another process, or EBUSY
    Unusable,  // absent device, no permission, not a terminal: not a connection
};

struct PortCheck {
    PortAvailability availability = PortAvailability::Free;
    int error = 0;   // errno behind Busy/Unusable, 0 when none
    QString detail;  // human-readable reason (device path and cause)
};

// Looks for holders of the device without opening it: UUCP lock files, open descriptors
// in other processes, whatever the holder's name. Re-checks the holder found last
// before a full scan, and skips the scan while nothing but this process has opened the device since
// a scan found it free.
PortCheck CheckPortHolders(const QString& devicePath);

// Opens the device for a probe: read/write, no controlling terminal, non-blocking,
// close-on-exec, and no lock file, flock or TIOCEXCL (any of which could make a dialer
// that is starting up fail). Opens made here are known as this process's own and do
// not count as a possible holder. Returns the descriptor, or -1 with *error set.
int OpenPortDevice(const QString& devicePath, int* error);

// How many full scans of every process's descriptors were made (tests, benchmarks).
std::uint64_t HolderScanCount();

}  // namespace vindelor::platform
