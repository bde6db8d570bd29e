// simdialer: takes a serial device the way a Linux dialer does, holds it for a while and
// lets it go again, so Vindelor can be run and tested without a modem.
//
//   simdialer [--device PATH] [--delay S] [--hold S] [--linger S] [--mode MODE]
//             [--lock-dir DIR]
//
// Without --device it creates a pseudo-terminal and uses its slave side. It keeps only
// the master open while the port should read as free (any open descriptor of the slave
// makes the port busy). Output, one line each, flushed at once:
//   READY <device path>   the device exists and is free
//   HOLDING               the device is held
//   RELEASED              the device is free again; after --linger S (default 2) more
//                         seconds, in which a created pseudo-terminal still exists, the
//                         program ends (exit code 0)
// S is seconds (fractions allowed) or "stdin": wait for a line (or end of input) on stdin.
// SIGTERM, SIGINT or SIGHUP while holding lets the device go, like pppd, and the linger
// follows; during the delay or the linger it ends the program.
// MODE says how the device is held:
//   full          (default) like pppd: UUCP lock file, an open descriptor and TIOCEXCL,
//                 cleared again before the descriptor is closed and the lock file removed
//   lockfile-only a lock file with our PID, the device not opened
//   flock-only    an open descriptor with flock(LOCK_EX), no lock file
//   open-only     an open descriptor only
// The lock directory is --lock-dir, else $VINDELOR_LOCK_DIR, else /var/lock.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

volatile sig_atomic_t gStop = 0;

void OnSignal(int) {
    gStop = 1;
}

void Say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "simdialer: %s: %s\n", what.c_str(), std::strerror(errno));
    std::exit(1);
}

// Waits `when` seconds, or for a line on stdin when `when` is "stdin". False when a
// signal asked us to stop.
bool Pause(const std::string& when) {
    const bool fromStdin = when == "stdin";
    const double seconds = fromStdin ? -1 : std::strtod(when.c_str(), nullptr);
    struct timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    for (;;) {
        if (gStop) {
            return false;
        }
        int timeoutMs = -1;
        if (!fromStdin) {
            struct timespec now;
            clock_gettime(CLOCK_MONOTONIC, &now);
            const double elapsed = static_cast<double>(now.tv_sec - start.tv_sec) +
                                   (now.tv_nsec - start.tv_nsec) / 1e9;
            if (elapsed >= seconds) {
                return true;
            }
            timeoutMs = static_cast<int>(std::ceil((seconds - elapsed) * 1000));
        }
        pollfd p{STDIN_FILENO, POLLIN, 0};
        const int r = ::poll(&p, fromStdin ? 1 : 0, timeoutMs);
        if (r < 0 && errno != EINTR) {
            Fail("poll");
        }
        if (fromStdin && r > 0) {
            char c;
            ssize_t n;
            while ((n = ::read(STDIN_FILENO, &c, 1)) == 1 && c != '\n') {
            }
            return true;  // a line, or the end of input
        }
    }
}

// pppd's name: the path below /dev with "/" turned into "_".
std::string LockName(const std::string& device) {
    std::string rest = device.compare(0, 5, "/dev/") == 0 ? device.substr(5) : device;
    for (char& c : rest) {
        if (c == '/') {
            c = '_';
        }
    }
    return "LCK.." + rest;
}

void Usage() {
    std::fprintf(
        stderr,
        "usage: simdialer [--device PATH] [--delay S] [--hold S] "
        "[--linger S] [--mode full|lockfile-only|flock-only|open-only] [--lock-dir DIR]\n");
    std::exit(2);
}

}  // namespace

int main(int argc, char** argv) {
    std::string device;
    std::string delay = "0";
    std::string hold = "10";
    std::string linger = "2";
    std::string mode = "full";
    std::string lockDir;
    if (const char* env = std::getenv("VINDELOR_LOCK_DIR"); env != nullptr && *env != '\0') {
        lockDir = env;
    } else {
        lockDir = "/var/lock";
    }
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) {
            Usage();
        }
        const std::string value = argv[++i];
        if (arg == "--device") {
            device = value;
        } else if (arg == "--delay") {
            delay = value;
        } else if (arg == "--hold") {
            hold = value;
        } else if (arg == "--linger") {
            linger = value;
        } else if (arg == "--mode") {
            mode = value;
        } else if (arg == "--lock-dir") {
            lockDir = value;
        } else {
            Usage();
        }
    }
    if (mode != "full" && mode != "lockfile-only" && mode != "flock-only" && mode != "open-only") {
        Usage();
    }

    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);

    int master = -1;
    if (device.empty()) {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
            Fail("pseudo-terminal");
        }
        const char* name = ptsname(master);
        if (name == nullptr) {
            Fail("ptsname");
        }
        device = name;
    }
    Say("READY " + device);
    if (!Pause(delay)) {
        return 0;
    }

    const bool lockFile = mode == "full" || mode == "lockfile-only";
    const bool opens = mode != "lockfile-only";
    const std::string lockPath = lockDir + "/" + LockName(device);
    if (lockFile) {
        const int fd = ::open(lockPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) {
            Fail("lock file " + lockPath);
        }
        char text[16];
        const int n = std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(getpid()));
        if (::write(fd, text, static_cast<size_t>(n)) != n) {
            // A half-written lock file would read as a holder for ever.
            const int error = errno;
            ::unlink(lockPath.c_str());
            errno = error;
            Fail("lock file " + lockPath);
        }
        ::close(fd);
    }
    int port = -1;
    if (opens) {
        port = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (port < 0) {
            if (lockFile) {
                ::unlink(lockPath.c_str());
            }
            Fail("open " + device);
        }
        if (mode == "full") {
            ::ioctl(port, TIOCEXCL);
        } else if (mode == "flock-only" && ::flock(port, LOCK_EX | LOCK_NB) != 0) {
            Fail("flock " + device);
        }
    }
    Say("HOLDING");
    Pause(hold);

    if (port >= 0) {
        if (mode == "full") {
            ::ioctl(port, TIOCNXCL);
        }
        ::close(port);
    }
    if (lockFile) {
        ::unlink(lockPath.c_str());
    }
    Say("RELEASED");
    // A signal ends the hold the way pppd ends a link; the device stays for the linger,
    // as a real port would, and a further signal ends that too.
    gStop = 0;
    Pause(linger);
    if (master >= 0) {
        ::close(master);
    }
    return 0;
}
