// How a Linux dialer holds a serial port, and so whether the port is free for a probe.
// A probe must never open a port that another program holds: opening raises DTR and
// can disturb a dialer that is starting up.
#pragma once

#include <QString>

#include <cstdint>

#include <sys/types.h>

namespace vindelor::platform {

enum class PortAvailability {
    Free,      // no holder found; the port may be opened
    Busy,      // a live lock file, an open descriptor in another process, or EBUSY
    Unusable,  // absent device, no permission, not a terminal: not a connection
};

// Who holds a busy port, as far as the check could tell: what a watch for its letting go
// follows.
struct PortHolder {
    long pid = 0;  // 0: not known (an exclusive open, an unreadable lock file)
};

struct PortCheck {
    PortAvailability availability = PortAvailability::Free;
    int error = 0;      // errno behind Busy/Unusable, 0 when none
    QString detail;     // human-readable reason (device path and cause)
    PortHolder holder;  // for Busy
};

// Looks for holders of the device without opening it: UUCP lock files, open descriptors
// in other processes, whatever the holder's name. Re-checks the holder found last
// before a full scan, and skips the scan while nothing but this process has opened the
// device since a scan found it free, for at most a minute (Ticks()): what no open shows
// (another node of the device, a descriptor handed on) is found within that minute.
PortCheck CheckPortHolders(const QString& devicePath);

// Opens the device for a probe: read/write, no controlling terminal, non-blocking,
// close-on-exec, and no lock file, flock or TIOCEXCL (any of which could make a dialer
// that is starting up fail). Opens made here are known as this process's own and do
// not count as a possible holder. Returns the descriptor, or -1 with *error set.
int OpenPortDevice(const QString& devicePath, int* error);

// Tells, without a look through /proc, that something happened that may have freed a
// held port: a close of the device (inotify, through this node only), a change of a lock
// file in the lock directories, the exit of the holder's process (a pidfd, where the
// kernel has them). The watch is made before a look finds the holder, so nothing that
// happens between the look and the watch is missed. A release that none of these shows
// (a close through a second node of the device, a holder whose exit cannot be followed)
// is found only by a full look: the caller makes one now and then whatever Fired() says.
class HolderEvents {
  public:
    explicit HolderEvents(const QString& devicePath);
    ~HolderEvents();
    HolderEvents(const HolderEvents&) = delete;
    HolderEvents& operator=(const HolderEvents&) = delete;

    // Follows the exit of `pid` from now on instead of any process followed before; 0
    // follows none. A process that is already gone counts as fired, each time it is
    // followed anew after its end was told.
    void Follow(long pid);
    // Whether the device's closes can be seen, or the followed process's exit: without
    // either, nothing here would tell of a release.
    bool Armed() const;
    // Whether anything happened since the last call; reads the events, never blocks.
    bool Fired();
    // Whether Fired() would say so without any descriptor becoming readable: the process
    // followed had ended before it could be followed.
    bool Due() const { return gone_; }
    // The descriptors that become readable when something happens, for an event loop
    // (-1 for none); they change with Follow.
    int EventsFd() const { return inotify_; }
    int ExitFd() const { return pidFd_; }

  private:
    int inotify_ = -1;
    int deviceWatch_ = -1;
    int pidFd_ = -1;
    long followed_ = 0;
    bool gone_ = false;  // the followed process had ended before it could be followed
};

// Whether the kernel files the character device `rdev` under the tty class. Another class
// (a memory device, a sound card) is no port: every process holds /dev/null. Pseudo-
// terminals have no entry and count as terminals.
bool InTtyClass(dev_t rdev);

// How many full scans of every process's descriptors were made (tests, benchmarks).
std::uint64_t HolderScanCount();

}  // namespace vindelor::platform
