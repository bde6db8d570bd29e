#include "platform/serialport.h"

#include "platform/errortext.h"
#include "platform/processes.h"
#include "platform/services.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace vindelor::platform {

namespace {

bool SameDir(const char* a, const char* b) {
    char ra[PATH_MAX];
    char rb[PATH_MAX];
    return ::realpath(a, ra) != nullptr && ::realpath(b, rb) != nullptr && std::strcmp(ra, rb) == 0;
}

// Where dialers put their UUCP lock files. $VINDELOR_LOCK_DIR replaces them (tests).
std::vector<std::string> LockDirectories() {
    if (const char* dir = std::getenv("VINDELOR_LOCK_DIR"); dir != nullptr && *dir != '\0') {
        return {dir};
    }
    static const std::vector<std::string> dirs = [] {
        std::vector<std::string> d{"/var/lock"};
        if (!SameDir("/var/lock", "/run/lock")) {
            d.emplace_back("/run/lock");
        }
        return d;
    }();
    return dirs;
}

// "LCK..ttyS0" (the basename) and pppd's "LCK..pts_3" (the path below /dev, with "/"
// turned into "_").
void AddLockNames(const std::string& path, std::vector<std::string>& names) {
    const auto add = [&names](const std::string& name) {
        if (name.empty()) {
            return;
        }
        const std::string full = "LCK.." + name;
        for (const std::string& n : names) {
            if (n == full) {
                return;
            }
        }
        names.push_back(full);
    };
    const std::size_t slash = path.rfind('/');
    add(slash == std::string::npos ? path : path.substr(slash + 1));
    std::string rest = path.compare(0, 5, "/dev/") == 0 ? path.substr(5) : path;
    for (char& c : rest) {
        if (c == '/') {
            c = '_';
        }
    }
    add(rest);
}

// The device's own name behind any links (a /dev/serial/by-id name, /dev/modem), link by
// link: umockdev's realpath, under which the device-tree tests run the program, breaks
// the heap for a node that leads out of its tree.
std::string FollowLinks(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        char link[PATH_MAX];
        const ssize_t n = ::readlink(path.c_str(), link, sizeof link - 1);
        if (n <= 0) {
            break;
        }
        link[n] = '\0';
        if (link[0] == '/') {
            path = link;
        } else {
            path = path.substr(0, path.rfind('/') + 1) + link;
        }
    }
    // "/dev/serial/by-id/../../ttyACM0" -> "/dev/ttyACM0"
    std::vector<std::string> parts;
    std::size_t at = 0;
    while (at <= path.size()) {
        const std::size_t slash = std::min(path.find('/', at), path.size());
        const std::string part = path.substr(at, slash - at);
        if (part == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        at = slash + 1;
    }
    std::string clean;
    for (const std::string& part : parts) {
        clean += "/" + part;
    }
    return path.empty() || path[0] != '/' ? path : clean.empty() ? "/" : clean;
}

enum class LockState { None, Live, Stale, Bad };

// A process that has ended but is not yet reaped still answers kill(pid, 0). A dialer
// killed outright leaves its lock file behind, and until its parent reaps it (which may
// take a while) that lock must read as stale, not held.
bool Zombie(long pid) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%ld/stat", pid);
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    char buffer[512];
    const ssize_t n = ::read(fd, buffer, sizeof buffer - 1);
    ::close(fd);
    if (n <= 0) {
        return false;
    }
    buffer[n] = '\0';
    // The state follows the command name, which may itself hold ") ".
    const char* close = std::strrchr(buffer, ')');
    return close != nullptr && close[1] == ' ' && (close[2] == 'Z' || close[2] == 'X');
}

bool Answers(long pid) {
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

// Whether `pid` is a process that has not ended. A pidfd tells in one step: readable once
// the process has ended, reaped or not. Two looks (kill(), then the state in /proc) would
// take a process reaped between them for a live one, and a killed dialer's lock file
// for a held port, until the next full look a second later.
bool Running(long pid) {
    const int fd = PidfdOpen(pid);
    if (fd >= 0) {
        pollfd p{fd, POLLIN, 0};
        const bool ended = ::poll(&p, 1, 0) > 0;
        ::close(fd);
        return !ended;
    }
    if (errno == ESRCH) {
        return false;
    }
    // No pidfds (an old kernel, a filter): a process reaped after the first kill() has
    // no state to read, and the second tells that it is gone.
    return Answers(pid) && !Zombie(pid) && Answers(pid);
}

// Reads the PID of a lock file: ASCII ("%10d\n" and the like) or 4 binary bytes.
LockState ReadLock(const std::string& file, long* pid, int* error) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        *error = errno;
        return errno == ENOENT || errno == ENOTDIR ? LockState::None : LockState::Bad;
    }
    char buffer[64];
    const ssize_t n = ::read(fd, buffer, sizeof buffer - 1);
    *error = n < 0 ? errno : 0;
    ::close(fd);
    if (n < 0) {
        return LockState::Bad;
    }
    bool text = n > 0;
    for (ssize_t i = 0; i < n; ++i) {
        const char c = buffer[i];
        if (!((c >= '0' && c <= '9') || c == ' ' || c == '\t' || c == '\n' || c == '\r')) {
            text = false;
        }
    }
    long value = 0;
    if (n == 4 && !text) {
        std::int32_t binary;  // Kermit and old UUCP write the PID as 4 binary bytes
        std::memcpy(&binary, buffer, 4);
        value = binary;
    } else {
        if (!text) {
            return LockState::Bad;
        }
        buffer[n] = '\0';
        char* end = nullptr;
        errno = 0;
        value = std::strtol(buffer, &end, 10);
        if (end == buffer || errno != 0) {
            return LockState::Bad;
        }
        while (*end == ' ' || *end == '\t' || *end == '\n' || *end == '\r') {
            ++end;
        }
        if (*end != '\0') {
            return LockState::Bad;  // two numbers
        }
    }
    if (value <= 0 || value > 0x3FFFFFFF) {
        return LockState::Bad;
    }
    *pid = value;
    if (Running(value)) {
        return LockState::Live;
    }
    return LockState::Stale;  // left behind by a dead dialer: ignored, never deleted
}

struct Target {
    std::string path;
    std::string real;
    dev_t rdev = 0;
    dev_t dev = 0;
    ino_t ino = 0;
};

bool LinkMatches(int dirFd, const char* name, const Target& t) {
    char link[PATH_MAX];
    const ssize_t n = ::readlinkat(dirFd, name, link, sizeof link - 1);
    if (n <= 0) {
        return false;
    }
    link[n] = '\0';
    if (t.path == link || t.real == link) {
        return true;
    }
    // Another node of the same device (a copy made with mknod, a second devpts view).
    if (std::strncmp(link, "/dev/", 5) != 0 || std::strcmp(link, "/dev/null") == 0 ||
        std::strcmp(link, "/dev/ptmx") == 0 || std::strcmp(link, "/dev/pts/ptmx") == 0) {
        return false;
    }
    struct stat st;
    return ::fstatat(dirFd, name, &st, 0) == 0 && S_ISCHR(st.st_mode) && st.st_rdev == t.rdev;
}

// At least this often the descriptors of all processes are scanned even when nothing
// was seen opening the device: inotify reports opens through this node only, not
// through a second node of the same device (a copy made with mknod, another devpts),
// and a descriptor handed on without an open (inherited, passed over a socket) makes
// no event at all.
constexpr std::int64_t kFullScanEveryMs = 60 * 1000;

struct HolderCache {
    std::mutex mutex;
    // The holder found last: during a session the same process keeps the port, and
    // looking at its one descriptor is far cheaper than a scan of every process.
    std::string device;
    long pid = 0;
    std::string fd;

    // Opens of the device, watched with inotify. A port that a full scan found free
    // stays free until something opens it, so the scan, the one expensive check, is
    // repeated only when an open that was not ours was seen (or the watch was lost)
    // and once kFullScanEveryMs have passed.
    int watchFd = -2;  // -2: not tried yet, -1: inotify unavailable
    int wd = -1;
    // The device's directory is watched as well, only so that the events of two opens
    // never queue back to back: inotify merges an event with the unread one before it
    // when the two are the same, so a probe's open and another program's open, one
    // after the other, would read as one open, ours. With the directory watched every
    // open queues the directory's event before the node's, and no two merge.
    int dirWd = -1;
    std::string watched;
    long ownOpens = 0;     // opens by OpenPortDevice whose events are not read yet
    bool trusted = false;  // the last full scan found the port free, and no foreign open since
    std::int64_t scannedAt = 0;  // Ticks() of the last scan that found the port free
    std::uint64_t scans = 0;
};

HolderCache& Cache() {
    static HolderCache cache;
    return cache;
}

void DropWatch(HolderCache& c) {
    if (c.watchFd >= 0 && c.wd >= 0) {
        ::inotify_rm_watch(c.watchFd, c.wd);
    }
    if (c.watchFd >= 0 && c.dirWd >= 0) {
        ::inotify_rm_watch(c.watchFd, c.dirWd);
    }
    c.wd = -1;
    c.dirWd = -1;
    c.watched.clear();
    c.ownOpens = 0;
    c.trusted = false;
}

// Reads what the watch saw since the last check. True when the port may be taken as
// still free without a scan.
bool QuietSinceLastScan(HolderCache& c, const Target& t) {
    if (c.watchFd == -2) {
        c.watchFd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    }
    if (c.watchFd < 0) {
        return false;
    }
    // Added on every check: the kernel answers with the watch it already has when the
    // path still leads to the same device node, and a new one when the node was made
    // anew (a pseudo-terminal's number is used again with the same inode number, and
    // the old node gives no event when it goes).
    const int wd =
        ::inotify_add_watch(c.watchFd, t.path.c_str(), IN_OPEN | IN_DELETE_SELF | IN_MOVE_SELF);
    if (wd != c.wd) {
        DropWatch(c);
        if (wd < 0) {
            return false;
        }
        c.wd = wd;
        c.watched = t.path;
    }
    if (c.dirWd < 0) {
        const std::size_t slash = t.real.rfind('/');
        const std::string dir = slash == std::string::npos ? std::string(".")
                                : slash == 0               ? std::string("/")
                                                           : t.real.substr(0, slash);
        c.dirWd = ::inotify_add_watch(c.watchFd, dir.c_str(), IN_OPEN | IN_ONLYDIR);
    }
    alignas(inotify_event) char buffer[4096];
    long opens = 0;
    bool overflow = false;
    for (;;) {
        const ssize_t n = ::read(c.watchFd, buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        for (ssize_t at = 0; at < n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
            if (e->mask & IN_Q_OVERFLOW) {
                overflow = true;
            } else if (e->wd == c.wd) {
                if (e->mask & IN_OPEN) {
                    ++opens;
                }
                if (e->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) {
                    c.trusted = false;
                }
            } else if (e->wd == c.dirWd && (e->mask & IN_IGNORED)) {
                c.dirWd = -1;  // opens may merge again: ours are not counted until it is back
                c.trusted = false;
            }
            at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
        }
    }
    if (overflow) {
        // Events were lost, ours among them perhaps: count afresh after a scan.
        c.ownOpens = 0;
        c.trusted = false;
        return false;
    }
    const long mine = std::min(opens, c.ownOpens);
    c.ownOpens -= mine;
    if (opens > mine) {
        c.trusted = false;
    }
    if (!c.trusted) {
        return false;
    }
    // A clock that went back (another tick counter put in) proves nothing either.
    const std::int64_t since = Ticks().Milliseconds() - c.scannedAt;
    return since >= 0 && since < kFullScanEveryMs;
}

bool StillHolds(const Target& t, long pid, const std::string& fd) {
    char dir[64];
    std::snprintf(dir, sizeof dir, "/proc/%ld/fd", pid);
    const int dirFd = ::open(dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) {
        return false;
    }
    const bool holds = LinkMatches(dirFd, fd.c_str(), t);
    ::close(dirFd);
    return holds;
}

// Every other process's open descriptors.
bool ScanDescriptors(const Target& t, long* holderPid, std::string* holderFd) {
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) {
        return false;
    }
    const long self = static_cast<long>(::getpid());
    bool found = false;
    while (!found) {
        const dirent* e = ::readdir(proc);
        if (e == nullptr) {
            break;
        }
        if (e->d_name[0] < '1' || e->d_name[0] > '9') {
            continue;
        }
        char* end = nullptr;
        const long pid = std::strtol(e->d_name, &end, 10);
        if (*end != '\0' || pid == self) {
            continue;
        }
        char dir[64];
        std::snprintf(dir, sizeof dir, "%ld/fd", pid);
        const int dirFd = ::openat(::dirfd(proc), dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dirFd < 0) {
            continue;  // gone, or not ours to look at
        }
        DIR* fds = ::fdopendir(dirFd);
        if (fds == nullptr) {
            ::close(dirFd);
            continue;
        }
        while (const dirent* f = ::readdir(fds)) {
            if (f->d_name[0] == '.') {
                continue;
            }
            if (LinkMatches(dirFd, f->d_name, t)) {
                *holderPid = pid;
                *holderFd = f->d_name;
                found = true;
                break;
            }
        }
        ::closedir(fds);
    }
    ::closedir(proc);
    return found;
}

// flock, POSIX and OFD locks on the device's inode.
bool LockedInProcLocks(const Target& t, long* holderPid) {
    std::FILE* f = std::fopen("/proc/locks", "re");
    if (f == nullptr) {
        return false;
    }
    char line[256];
    bool found = false;
    while (!found && std::fgets(line, sizeof line, f) != nullptr) {
        if (std::strstr(line, "->") != nullptr) {
            continue;  // a waiter, not a holder
        }
        char kind[16], mode[16], access[16];
        long pid = 0;
        unsigned major = 0, minor = 0;
        unsigned long long inode = 0;
        if (std::sscanf(line, "%*d: %15s %15s %15s %ld %x:%x:%llu", kind, mode, access, &pid,
                        &major, &minor, &inode) == 7 &&
            inode == static_cast<unsigned long long>(t.ino) && major == ::major(t.dev) &&
            minor == ::minor(t.dev)) {
            *holderPid = pid;
            found = true;
        }
    }
    std::fclose(f);
    return found;
}

PortCheck Busy(const QString& devicePath, const QString& why, long pid) {
    return {PortAvailability::Busy, EBUSY, devicePath + QStringLiteral(": ") + why,
            PortHolder{pid}};
}

}  // namespace

PortCheck CheckPortHolders(const QString& devicePath) {
    const QByteArray local = devicePath.toLocal8Bit();
    Target t;
    t.path = local.toStdString();
    struct stat st;
    if (local.isEmpty() || ::stat(local.constData(), &st) != 0) {
        const int error = local.isEmpty() ? ENOENT : errno;
        return {PortAvailability::Unusable,
                error,
                devicePath + QStringLiteral(": ") + ErrorText(error),
                {}};
    }
    if (!S_ISCHR(st.st_mode)) {
        return {PortAvailability::Unusable,
                ENOTTY,
                devicePath + QStringLiteral(": not a terminal"),
                {}};
    }
    if (!InTtyClass(st.st_rdev)) {
        return {PortAvailability::Unusable,
                ENOTTY,
                devicePath + QStringLiteral(": not a terminal"),
                {}};
    }
    t.rdev = st.st_rdev;
    t.dev = st.st_dev;
    t.ino = st.st_ino;
    t.real = FollowLinks(t.path);

    // 1. UUCP lock files, under both names of the device.
    std::vector<std::string> names;
    AddLockNames(t.path, names);
    if (t.real != t.path) {
        AddLockNames(t.real, names);
    }
    for (const std::string& dir : LockDirectories()) {
        for (const std::string& name : names) {
            const std::string file = dir + "/" + name;
            long pid = 0;
            int error = 0;
            switch (ReadLock(file, &pid, &error)) {
                case LockState::Live:
                    return Busy(devicePath,
                                QStringLiteral("locked by process %1 (%2)")
                                    .arg(pid)
                                    .arg(QString::fromStdString(file)),
                                pid);
                case LockState::Bad:
                    return Busy(devicePath,
                                QStringLiteral("unreadable lock file %1%2")
                                    .arg(QString::fromStdString(file),
                                         error != 0 ? QStringLiteral(" (") + ErrorText(error) +
                                                          QStringLiteral(")")
                                                    : QString()),
                                0);
                case LockState::None:
                case LockState::Stale:
                    break;
            }
        }
    }

    // 2. The holder found last, if it still has the device open.
    HolderCache& cache = Cache();
    std::lock_guard<std::mutex> lock(cache.mutex);
    if (cache.device == t.path && cache.pid != 0) {
        if (StillHolds(t, cache.pid, cache.fd)) {
            return Busy(devicePath, QStringLiteral("open in process %1").arg(cache.pid), cache.pid);
        }
        cache.device.clear();
        cache.pid = 0;
    }

    // 3. Nothing has opened the port since a scan found it free: it is free still. A
    // flock, too, needs a descriptor, and so an open.
    if (QuietSinceLastScan(cache, t)) {
        return PortCheck{};
    }

    // 4. Locks on the device (flock holders keep the port without a lock file).
    long pid = 0;
    if (LockedInProcLocks(t, &pid)) {
        return Busy(devicePath, QStringLiteral("locked (flock) by process %1").arg(pid), pid);
    }

    // 5. Every other process's descriptors.
    ++cache.scans;
    std::string fd;
    if (ScanDescriptors(t, &pid, &fd)) {
        cache.device = t.path;
        cache.pid = pid;
        cache.fd = fd;
        cache.trusted = false;
        return Busy(devicePath, QStringLiteral("open in process %1").arg(pid), pid);
    }
    cache.trusted = cache.wd >= 0;
    cache.scannedAt = Ticks().Milliseconds();
    return PortCheck{};
}

int OpenPortDevice(const QString& devicePath, int* error) {
    const QByteArray local = devicePath.toLocal8Bit();
    HolderCache& cache = Cache();
    std::lock_guard<std::mutex> lock(cache.mutex);
    // Counted before the open, under the lock, so that no check can read the event
    // of this open before it is known to be ours.
    const bool watched = cache.wd >= 0 && cache.dirWd >= 0 && cache.watched == local.toStdString();
    if (watched) {
        ++cache.ownOpens;
    }
    const int fd = ::open(local.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    *error = fd < 0 ? errno : 0;
    if (fd < 0 && watched) {
        --cache.ownOpens;
    }
    return fd;
}

HolderEvents::HolderEvents(const QString& devicePath) {
    inotify_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotify_ < 0) {
        return;
    }
    // Closes only: the holder's reads and writes say nothing of its letting go. The
    // node going away (an adapter unplugged) ends any hold as well.
    deviceWatch_ =
        ::inotify_add_watch(inotify_, devicePath.toLocal8Bit().constData(),
                            IN_CLOSE_WRITE | IN_CLOSE_NOWRITE | IN_DELETE_SELF | IN_MOVE_SELF);
    // A lock file removed, or written anew with another process's number (pppd hands its
    // lock to the child that keeps the line).
    for (const std::string& dir : LockDirectories()) {
        ::inotify_add_watch(inotify_, dir.c_str(),
                            IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_CLOSE_WRITE |
                                IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR);
    }
}

HolderEvents::~HolderEvents() {
    if (pidFd_ >= 0) {
        ::close(pidFd_);
    }
    if (inotify_ >= 0) {
        ::close(inotify_);
    }
}

void HolderEvents::Follow(long pid) {
    if (pid == followed_) {
        return;  // followed already
    }
    if (pidFd_ >= 0) {
        ::close(pidFd_);
        pidFd_ = -1;
    }
    followed_ = pid;
    if (pid > 0) {
        // Close-on-exec, as the kernel makes every pidfd.
        pidFd_ = PidfdOpen(pid);
        if (pidFd_ < 0 && errno == ESRCH) {
            gone_ = true;
            followed_ = 0;  // told now, and again if a later look still names it
        }
    }
}

bool HolderEvents::Armed() const {
    return deviceWatch_ >= 0 || pidFd_ >= 0;
}

bool HolderEvents::Fired() {
    bool fired = gone_;
    gone_ = false;
    // poll() skips a negative descriptor.
    pollfd fds[2] = {{inotify_, POLLIN, 0}, {pidFd_, POLLIN, 0}};
    if (::poll(fds, 2, 0) <= 0) {
        return fired;
    }
    // A pidfd stays readable once its process has ended: told once, it is let go. The
    // process is no longer taken as followed: a look made as it ended may still name
    // it, and following it again must tell again, or nothing would.
    if (fds[1].revents != 0) {
        fired = true;
        ::close(pidFd_);
        pidFd_ = -1;
        followed_ = 0;
    }
    if (fds[0].revents == 0) {
        return fired;
    }
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(inotify_, buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        for (ssize_t at = 0; at < n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
            // The device's events, a lost queue, a directory gone, and any change of a
            // UUCP lock file; the directories' other files are not ours to follow.
            if (e->wd == deviceWatch_ || e->len == 0 || (e->mask & IN_Q_OVERFLOW) != 0 ||
                std::strncmp(e->name, "LCK..", 5) == 0) {
                fired = true;
            }
            at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
        }
    }
    return fired;
}

bool InTtyClass(dev_t rdev) {
    char sys[64];
    std::snprintf(sys, sizeof sys, "/sys/dev/char/%u:%u/subsystem", ::major(rdev), ::minor(rdev));
    char link[PATH_MAX];
    const ssize_t n = ::readlink(sys, link, sizeof link - 1);
    if (n <= 0) {
        return true;
    }
    link[n] = '\0';
    const char* slash = std::strrchr(link, '/');
    return std::strcmp(slash != nullptr ? slash + 1 : link, "tty") == 0;
}

std::uint64_t HolderScanCount() {
    HolderCache& cache = Cache();
    std::lock_guard<std::mutex> lock(cache.mutex);
    return cache.scans;
}

}  // namespace vindelor::platform
