// Vindelor as a process, measured from /proc while it watches a port: during a session
// (the port held by the simulated dialer; time, cost, status bar and title redrawn every
// 20 ms), side by side over the same seconds with the floor, a Qt Widgets program of the
// same build that ticks like a session and does nothing else (tools/emptyqt); then idle
// (the port free, polled every "Refresh"/"Rate" ms, default 1000); then how soon the end
// of a session is noticed once the dialer lets the port go. Absolute percentages differ
// severalfold between machines of one kind; the session's ratio to the floor measured
// in the same run says what the session's own work costs. The floor runs twice over the
// same seconds: the two differ by as much as the session's own work (0.6 to 1.5 times
// each other over 15 to 20 s on a virtual machine of two processors), so the session is
// set against the mean of both, and the second's ratio to the first is printed as the
// spread of the run.
//
//   bench_session [--seconds N] [--rounds R] [--data-interface NAME]
//                                   (default 60 s per measurement, 5 rounds)
//
// With --data-interface the session counts the bytes of that link ([Data] "Interface")
// and prices them ([Data] "PerMB"); without it, as in every serial session, it looks for
// a point-to-point link coming up (a dump of the links once a second).
//
// Processor use is the run time of every thread of the program (/proc/<pid>/task/*/
// schedstat, in nanoseconds; utime + stime of /proc/<pid>/stat where there is none) over
// the wall time, in per cent of one core; memory is VmRSS (and the peak VmHWM) of
// /proc/<pid>/status at the end. All programs run offscreen. The three programs are taken from the
// build tree next to this one (monitor/vindelor, tools/simdialer, tools/emptyqt).
//
// The end of a session: R sessions for each way a dialer lets go of a port (pppd's
// hang-up: the device closed, then the lock file removed; the holder killed outright,
// its lock file left behind; a lock file removed by a dialer that never opened the
// device). The port is freed at the lock file's removal (seen with inotify) or at the
// kill; the end is noticed when Vindelor's probe opens the freed port (inotify again),
// and the session is closed when Vindelor prints "Session ended" (the log line and the
// totals written first). The port is a pseudo-terminal of this program's own, so that a
// killed dialer does not take the device with it.
//
// Lines starting with "RESULT" are for scripts/bench.sh:
//   RESULT <name> <cpu per cent> <rss MB> <wakeups per second>
//   RESULT ratio <session cpu / mean of the two floors' cpu>
//   RESULT spread <second floor cpu / first floor cpu>
//   RESULT end-<way>|end-all <median ms> <max ms>       (the end noticed)
//   RESULT closed-all <median ms> <max ms>              ("Session ended" printed)
#include "core/profile.h"
#include "platform/io.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

struct Child {
    pid_t pid = -1;
    int in = -1;   // its stdin (write end), or -1
    int out = -1;  // its stdout (read end), or -1
};

Child Start(const QString& program, const QStringList& args, bool pipes) {
    std::vector<QByteArray> bytes{QFile::encodeName(program)};
    for (const QString& a : args)
        bytes.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    int in[2] = {-1, -1};
    int out[2] = {-1, -1};
    if (pipes && (pipe(in) != 0 || pipe(out) != 0))
        return {};
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        if (pipes) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            close(in[1]);
            close(out[0]);
        } else {
            const int null = open("/dev/null", O_RDWR);
            dup2(null, 0);
            dup2(null, 1);
        }
        execv(argv[0], argv.data());
        _exit(127);
    }
    Child c;
    c.pid = pid;
    if (pipes) {
        close(in[0]);
        close(out[1]);
        c.in = in[1];
        c.out = out[0];
    }
    return c;
}

// Reads the child's output until a line starting with `prefix`; returns the rest of it.
std::string AwaitLine(const Child& c, const char* prefix, int timeoutMs) {
    std::string buffer;
    const auto until = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < until) {
        vindelor::platform::PollFd p{c.out, vindelor::platform::kPollIn, 0};
        if (vindelor::platform::Poll(&p, 1, 100).value == 1) {
            char chunk[256];
            const ssize_t n = vindelor::platform::ReadFd(c.out, chunk, sizeof chunk).value;
            if (n <= 0)
                return {};
            buffer.append(chunk, static_cast<size_t>(n));
        }
        size_t start = 0;
        for (size_t end; (end = buffer.find('\n', start)) != std::string::npos; start = end + 1) {
            const std::string line = buffer.substr(start, end - start);
            if (line.rfind(prefix, 0) == 0)
                return line.substr(std::strlen(prefix));
        }
    }
    return {};
}

struct Sample {
    double cpuSeconds = 0;
    double rssMb = 0;
    double peakMb = 0;
    long long switches = 0;  // voluntary and involuntary: each wake-up of the process
};

bool Read(pid_t pid, Sample* s) {
    FILE* f = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
    if (f == nullptr)
        return false;
    char buffer[2048];
    const size_t n = std::fread(buffer, 1, sizeof buffer - 1, f);
    std::fclose(f);
    buffer[n] = '\0';
    // Fields after the command name (which may hold blanks) start after the last ')'.
    const char* p = std::strrchr(buffer, ')');
    if (p == nullptr)
        return false;
    unsigned long long utime = 0;
    unsigned long long stime = 0;
    // state ppid pgrp session tty tpgid flags minflt cminflt majflt cmajflt utime stime
    if (std::sscanf(p + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &utime,
                    &stime) != 2)
        return false;
    s->cpuSeconds = static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
    // utime and stime come in clock ticks (10 ms), a few of them in an idle half minute;
    // the scheduler's own account of every thread is in nanoseconds.
    double ns = 0;
    bool any = false;
    for (const QString& task : QDir(QStringLiteral("/proc/%1/task").arg(pid))
                                   .entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(QStringLiteral("/proc/%1/task/%2/schedstat").arg(pid).arg(task));
        if (stat.open(QIODevice::ReadOnly)) {
            ns += stat.readAll().split(' ').value(0).toDouble();
            any = true;
        }
    }
    if (any)
        s->cpuSeconds = ns / 1e9;
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    s->switches = 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        const QList<QByteArray> parts = line.simplified().split(' ');
        if (parts.size() < 2)
            continue;
        if (parts[0] == "VmRSS:")
            s->rssMb = parts[1].toDouble() / 1024.0;
        else if (parts[0] == "VmHWM:")
            s->peakMb = parts[1].toDouble() / 1024.0;
        else if (parts[0] == "voluntary_ctxt_switches:" ||
                 parts[0] == "nonvoluntary_ctxt_switches:")
            s->switches += parts[1].toLongLong();
    }
    return true;
}

struct Figures {
    double cpuPercent = -1;
    double rssMb = 0;
    double peakMb = 0;
    double wakeupsPerSecond = 0;
};

// Lets the program settle, then measures it over `seconds`. Several programs can be
// measured over the same minute; their figures are their own.
std::vector<Figures> Measure(const std::vector<pid_t>& pids, int seconds) {
    std::this_thread::sleep_for(std::chrono::seconds(2));
    std::vector<Sample> before(pids.size());
    std::vector<Figures> figures(pids.size());
    for (size_t i = 0; i < pids.size(); ++i)
        if (!Read(pids[i], &before[i]))
            return figures;
    const auto t0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    for (size_t i = 0; i < pids.size(); ++i) {
        Sample after;
        if (!Read(pids[i], &after))
            continue;
        figures[i].cpuPercent = 100.0 * (after.cpuSeconds - before[i].cpuSeconds) / wall;
        figures[i].rssMb = after.rssMb;
        figures[i].peakMb = after.peakMb;
        figures[i].wakeupsPerSecond =
            static_cast<double>(after.switches - before[i].switches) / wall;
    }
    return figures;
}

void Print(const char* name, const char* label, const Figures& f, const char* target) {
    std::printf("%-34s %6.2f %% of one core  RSS %6.1f MB (peak %5.1f)  %6.1f wake-ups/s  %s\n",
                label, f.cpuPercent, f.rssMb, f.peakMb, f.wakeupsPerSecond, target);
    std::printf("RESULT %s %.3f %.1f %.1f\n", name, f.cpuPercent, f.rssMb, f.wakeupsPerSecond);
}

bool WaitForSetting(const QString& section, const QString& key, const QString& value,
                    int timeoutMs) {
    const auto until = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < until) {
        vindelor::ClearProfileCache();
        if (vindelor::GetProfileString(section, key, QString(), 20, vindelor::kSettingsFile) ==
            value)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

int Stop(Child& c) {
    kill(c.pid, SIGTERM);
    int status = 0;
    for (int i = 0; i < 50; ++i) {
        if (waitpid(c.pid, &status, WNOHANG) == c.pid)
            return status;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    kill(c.pid, SIGKILL);
    waitpid(c.pid, &status, 0);
    return status;
}

double Ms(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

void PrintDelays(const char* name, const char* label, std::vector<double> ms) {
    if (ms.empty()) {
        std::printf("%-46s no figures\n", label);
        return;
    }
    std::sort(ms.begin(), ms.end());
    const double median = ms[ms.size() / 2];
    std::printf("%-46s median %7.2f ms  max %7.2f ms  (%zu sessions)\n", label, median, ms.back(),
                ms.size());
    std::printf("RESULT %s %.2f %.2f\n", name, median, ms.back());
}

// Waits for an inotify event with `mask` (on `wd`, or any watch when wd < 0) and returns
// when it was read; a time in the past when none came within `timeoutMs`.
Clock::time_point AwaitEvent(int fd, int wd, std::uint32_t mask, int timeoutMs) {
    const auto until = Clock::now() + std::chrono::milliseconds(timeoutMs);
    alignas(inotify_event) char buffer[4096];
    while (Clock::now() < until) {
        vindelor::platform::PollFd p{fd, vindelor::platform::kPollIn, 0};
        if (vindelor::platform::Poll(&p, 1, 5).value != 1)
            continue;
        const ssize_t n = vindelor::platform::ReadFd(fd, buffer, sizeof buffer).value;
        const auto at = Clock::now();
        for (ssize_t i = 0; i < n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buffer + i);
            if ((e->mask & mask) != 0 && (wd < 0 || e->wd == wd))
                return at;
            i += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
        }
    }
    return Clock::time_point{};
}

enum class Release { PppdHangup, Kill, LockFileRemoved };

struct EndFigures {
    std::vector<double> noticed;
    std::vector<double> closed;
};

// One session held by the simulated dialer on `device` and ended by `how`.
bool TimeOneEnd(const QString& vindelor, const QString& simdialer, const std::string& device,
                const QString& lockDir, Release how, unsigned seed, EndFigures* figures) {
    QStringList args{QStringLiteral("--device"), QString::fromStdString(device),
                     QStringLiteral("--delay"),  QStringLiteral("0"),
                     QStringLiteral("--hold"),   QStringLiteral("stdin"),
                     QStringLiteral("--linger"), QStringLiteral("1")};
    if (how == Release::LockFileRemoved)
        args << QStringLiteral("--mode") << QStringLiteral("lockfile-only");
    Child dialer = Start(simdialer, args, true);
    if (AwaitLine(dialer, "HOLD", 5000) != "ING") {
        Stop(dialer);
        return false;
    }
    Child session = Start(vindelor, {}, true);
    bool ok = !AwaitLine(session, "Session started", 15000).empty();
    // A different point within the 20 ms tick each time.
    std::this_thread::sleep_for(std::chrono::milliseconds(300 + seed % 97));
    const int watch = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    const int opened = inotify_add_watch(watch, device.c_str(), IN_OPEN);
    inotify_add_watch(watch, QFile::encodeName(lockDir).constData(), IN_DELETE);
    Clock::time_point freed{};
    if (ok) {
        if (how == Release::Kill) {
            freed = Clock::now();
            kill(dialer.pid, SIGKILL);
            // Reaped at once, as the parent of a dialer (a shell, NetworkManager) would.
            waitpid(dialer.pid, nullptr, 0);
            dialer.pid = -1;
        } else {
            (void)!write(dialer.in, "\n", 1);
            freed = AwaitEvent(watch, -1, IN_DELETE, 5000);
        }
        const auto noticed = AwaitEvent(watch, opened, IN_OPEN, 5000);
        const std::string line = AwaitLine(session, "Session ended", 5000);
        const auto closed = Clock::now();
        ok = freed != Clock::time_point{} && noticed != Clock::time_point{} && !line.empty();
        if (ok) {
            figures->noticed.push_back(Ms(freed, noticed));
            figures->closed.push_back(Ms(freed, closed));
        }
    }
    close(watch);
    int status = 0;
    const auto until = Clock::now() + std::chrono::seconds(10);
    while (waitpid(session.pid, &status, WNOHANG) != session.pid) {
        if (Clock::now() > until) {
            Stop(session);
            ok = false;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (dialer.pid > 0)
        Stop(dialer);
    // A killed dialer leaves its lock file; the next dialer would refuse the port.
    for (const QString& name : QDir(lockDir).entryList(QDir::Files))
        QFile::remove(QDir(lockDir).filePath(name));
    for (Child* c : {&dialer, &session}) {
        close(c->in);
        close(c->out);
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = 60;
    QString dataInterface;
    int rounds = 5;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0)
            seconds = std::max(1, std::atoi(argv[i + 1]));
        if (std::strcmp(argv[i], "--rounds") == 0)
            rounds = std::max(1, std::atoi(argv[i + 1]));
        if (std::strcmp(argv[i], "--data-interface") == 0)
            dataInterface = QString::fromLocal8Bit(argv[i + 1]);
    }
    char self[4096];
    const ssize_t len = readlink("/proc/self/exe", self, sizeof self - 1);
    if (len <= 0)
        return 1;
    self[len] = '\0';
    const QString build =
        QFileInfo(QString::fromLocal8Bit(self)).dir().absoluteFilePath(QStringLiteral(".."));
    const QString vindelor = build + QStringLiteral("/monitor/vindelor");
    const QString simdialer = build + QStringLiteral("/tools/simdialer");
    const QString emptyqt = build + QStringLiteral("/tools/emptyqt");
    for (const QString& p : {vindelor, simdialer, emptyqt}) {
        if (!QFileInfo(p).isExecutable()) {
            std::fprintf(stderr, "missing %s\n", qPrintable(p));
            return 1;
        }
    }
    QTemporaryDir data;
    QTemporaryDir locks;
    if (!data.isValid() || !locks.isValid())
        return 1;
    setenv("VINDELOR_DIR", QFile::encodeName(data.path()).constData(), 1);
    setenv("VINDELOR_LOCK_DIR", QFile::encodeName(locks.path()).constData(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);

    int cpus = 0;
    if (FILE* f = std::fopen("/proc/cpuinfo", "r")) {
        char line[512];
        while (std::fgets(line, sizeof line, f))
            cpus += std::strncmp(line, "processor", 9) == 0;
        std::fclose(f);
    }
    std::printf("%d processors; %d s per measurement after 2 s to settle; offscreen\n", cpus,
                seconds);

    // Session: the dialer holds a pseudo-terminal mapped to COM1.
    Child dialer = Start(simdialer, {"--delay", "0", "--hold", "stdin", "--linger", "30"}, true);
    const std::string device = AwaitLine(dialer, "READY ", 5000);
    if (device.empty()) {
        std::fprintf(stderr, "the simulated dialer did not start\n");
        return 1;
    }
    auto put = [](const char* section, const char* key, const QString& value) {
        vindelor::WriteProfileString(QString::fromUtf8(section), QString::fromUtf8(key), value,
                                     vindelor::kSettingsFile);
    };
    put("Ports", "COM1", QString::fromStdString(device));
    put("Modem", "Port", QStringLiteral("COM1"));
    put("Avsluta", "Visa", QStringLiteral("Nej"));
    put("Session", "<1min", QStringLiteral("Ja"));  // logged however short the run
    put("Charge", "per_min", QStringLiteral("0.25"));
    put("Charge", "valuta", QStringLiteral("€"));
    if (!dataInterface.isEmpty()) {
        put("Data", "Interface", dataInterface);
        put("Data", "PerMB", QStringLiteral("0.01"));
    }
    Child session = Start(vindelor, {}, false);
    Child floor = Start(emptyqt, {}, false);
    Child floor2 = Start(emptyqt, {}, false);
    if (!WaitForSetting(QStringLiteral("Aktiv"), QStringLiteral("Aktiv"), QStringLiteral("Ja"),
                        15000)) {
        std::fprintf(stderr, "vindelor did not open a session\n");
        Stop(session);
        Stop(floor);
        Stop(floor2);
        Stop(dialer);
        return 1;
    }
    const std::vector<Figures> ticking = Measure({session.pid, floor.pid, floor2.pid}, seconds);
    Stop(floor);
    Stop(floor2);
    const Figures& during = ticking[0];
    // The dialer hangs up: the session closes and the program ends by itself.
    (void)!write(dialer.in, "\n", 1);
    int status = 0;
    const auto until = Clock::now() + std::chrono::seconds(15);
    bool ended = false;
    while (Clock::now() < until && !ended) {
        ended = waitpid(session.pid, &status, WNOHANG) == session.pid;
        if (!ended)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!ended)
        Stop(session);
    Stop(dialer);
    const bool logged = !vindelor::GetProfileString(QStringLiteral("Nättid"), QStringLiteral("1"),
                                                    QString(), 50, vindelor::kLogFile)
                             .isEmpty();

    // Idle: a free port (the dialer waits for a line before it takes it).
    Child idleDialer =
        Start(simdialer, {"--delay", "stdin", "--hold", "stdin", "--linger", "30"}, true);
    const std::string idleDevice = AwaitLine(idleDialer, "READY ", 5000);
    put("Ports", "COM1", QString::fromStdString(idleDevice));
    Child idle = Start(vindelor, {}, false);
    const Figures quiet = Measure({idle.pid}, seconds)[0];
    Stop(idle);
    Stop(idleDialer);

    // The end of a session, the ways dialers let go of a port.
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::fprintf(stderr, "no pseudo-terminal\n");
        return 1;
    }
    const std::string port = ptsname(master);
    put("Ports", "COM1", QString::fromStdString(port));
    const struct {
        Release how;
        const char* name;
        const char* label;
    } ways[] = {
        {Release::PppdHangup, "end-hangup", "end noticed: pppd's hang-up (close, unlock)"},
        {Release::Kill, "end-kill", "end noticed: the holder killed (SIGKILL)"},
        {Release::LockFileRemoved, "end-unlock", "end noticed: a lock file removed"},
    };
    EndFigures all;
    std::vector<EndFigures> each(std::size(ways));
    int failed = 0;
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t w = 0; w < std::size(ways); ++w) {
            const unsigned seed = static_cast<unsigned>(round * 31 + static_cast<int>(w) * 17);
            if (!TimeOneEnd(vindelor, simdialer, port, locks.path(), ways[w].how, seed, &each[w]))
                ++failed;
        }
    }
    close(master);
    for (const EndFigures& f : each) {
        all.noticed.insert(all.noticed.end(), f.noticed.begin(), f.noticed.end());
        all.closed.insert(all.closed.end(), f.closed.begin(), f.closed.end());
    }

    std::printf("\n");
    Print("session", "vindelor, session (20 ms tick)", during, "target < 2 %, RSS < 60 MB");
    Print("floor", "emptyqt, 20 ms tick (floor)", ticking[1], "same seconds as the session");
    Print("floor2", "a second emptyqt (floor)", ticking[2], "the same seconds again");
    Print("idle", "vindelor, idle (1000 ms poll)", quiet, "target <= 0.03 %, RSS < 60 MB");
    const double floorMean = (ticking[1].cpuPercent + ticking[2].cpuPercent) / 2;
    const double ratio = ticking[1].cpuPercent > 0 && ticking[2].cpuPercent > 0
                             ? during.cpuPercent / floorMean
                             : -1.0;
    std::printf("%-34s %6.2f x the two floors' mean processor time (target <= 1.2)\n",
                "vindelor, session / floor", ratio);
    std::printf("RESULT ratio %.2f\n", ratio);
    const double spread =
        ticking[1].cpuPercent > 0 ? ticking[2].cpuPercent / ticking[1].cpuPercent : -1.0;
    std::printf("%-34s %6.2f x the floor's processor time (the same program: the spread)\n",
                "a second emptyqt / floor", spread);
    std::printf("RESULT spread %.2f\n", spread);
    for (std::size_t w = 0; w < std::size(ways); ++w)
        PrintDelays(ways[w].name, ways[w].label, each[w].noticed);
    PrintDelays("end-all", "end noticed, all ways (target 25 / 40 ms)", all.noticed);
    PrintDelays("closed-all", "session closed and stored, all ways", all.closed);
    if (failed > 0)
        std::printf("%d of %d sessions did not end as they should\n", failed,
                    rounds * static_cast<int>(std::size(ways)));
    std::printf("session ended by the hang-up: %s, exit code %d, line logged: %s\n",
                ended ? "yes" : "no", ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1,
                logged ? "yes" : "no");
    return ended && WIFEXITED(status) && WEXITSTATUS(status) == 0 && logged && failed == 0 ? 0 : 1;
}
