// Vindelor as a process, measured from /proc while it watches a port: during a session
// (the port held by the simulated dialer; time, cost, status bar and title redrawn every
// 20 ms), side by side over the same seconds with the floor, a Qt Widgets program of the
// same build that ticks like a session and does nothing else (tools/emptyqt); then idle
// (the port free, polled every "Refresh"/"Rate" ms, default 1000). Absolute percentages
// differ severalfold between machines of one kind; the session's ratio to the floor
// measured in the same run says what the session's own work costs.
//
//   bench_session [--seconds N] [--data-interface NAME]
//                                   (default 60 s per measurement)
//
// With --data-interface the session counts the bytes of that link ([Data] "Interface")
// and prices them ([Data] "PerMB"); without it, as in every serial session, it looks for
// a point-to-point link coming up (a dump of the links once a second).
//
// Processor use is utime + stime of /proc/<pid>/stat over the wall time, in per cent of
// one core; memory is VmRSS (and the peak VmHWM) of /proc/<pid>/status at the end. All
// programs run offscreen. The three programs are taken from the build tree next to this
// one (monitor/vindelor, tools/simdialer, tools/emptyqt).
//
// Lines starting with "RESULT" are for scripts/bench.sh:
//   RESULT <name> <cpu per cent> <rss MB> <wakeups per second>
//   RESULT ratio <session cpu / floor cpu>
#include "shared/profile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
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
        pollfd p{c.out, POLLIN, 0};
        if (poll(&p, 1, 100) == 1) {
            char chunk[256];
            const ssize_t n = read(c.out, chunk, sizeof chunk);
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

}  // namespace

int main(int argc, char** argv) {
    int seconds = 60;
    QString dataInterface;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0)
            seconds = std::max(1, std::atoi(argv[i + 1]));
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
    if (!WaitForSetting(QStringLiteral("Aktiv"), QStringLiteral("Aktiv"), QStringLiteral("Ja"),
                        15000)) {
        std::fprintf(stderr, "vindelor did not open a session\n");
        Stop(session);
        Stop(floor);
        Stop(dialer);
        return 1;
    }
    const std::vector<Figures> ticking = Measure({session.pid, floor.pid}, seconds);
    Stop(floor);
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

    std::printf("\n");
    Print("session", "vindelor, session (20 ms tick)", during, "target < 2 %, RSS < 60 MB");
    Print("floor", "emptyqt, 20 ms tick (floor)", ticking[1], "same seconds as the session");
    Print("idle", "vindelor, idle (1000 ms poll)", quiet, "target < 0.2 %, RSS < 60 MB");
    const double ratio =
        ticking[1].cpuPercent > 0 ? during.cpuPercent / ticking[1].cpuPercent : -1.0;
    std::printf("%-34s %6.2f x the floor's processor time\n", "vindelor, session / floor", ratio);
    std::printf("RESULT ratio %.2f\n", ratio);
    std::printf("session ended by the hang-up: %s, exit code %d, line logged: %s\n",
                ended ? "yes" : "no", ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1,
                logged ? "yes" : "no");
    return ended && WIFEXITED(status) && WEXITSTATUS(status) == 0 && logged ? 0 : 1;
}
