// Vindelor watching a network interface: how soon a session starts after the interface
// comes up and ends after it goes down, and what the program costs while it waits for the
// interface, side by side with the same program waiting on a free serial port.
//
//   bench_netif [--seconds N] [--rounds R]     (defaults 30 s, 5 rounds; needs root)
//
// The benchmark makes a network namespace of its own (ip netns add) with a veth pair,
// "wwan9" and "far", and moves itself into it, so that every program it starts sees only
// that pair. Vindelor runs offscreen with --interface wwan9; switching "far" up or down
// (SIOCSIFFLAGS, from this process) gives wwan9 its carrier or takes it away. The delay
// is the time from the ioctl's return to the line Vindelor prints ("Session started",
// "Session ended"), read from its standard output. Idle figures are utime + stime of
// /proc/<pid>/stat and the context switches of /proc/<pid>/status over the wall time.
//
// Lines starting with "RESULT" are for scripts:
//   RESULT delay-up|delay-down <median ms> <max ms>
//   RESULT idle-netif|idle-serial <cpu per cent> <rss MB> <wakeups per second>
#include "core/profile.h"
#include "platform/io.h"
#include "platform/net/links.h"

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
#include <net/if.h>
#include <sched.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

struct Child {
    pid_t pid = -1;
    int out = -1;  // its stdout (read end), or -1
    std::string buffer;
};

Child Start(const QString& program, const QStringList& args) {
    std::vector<QByteArray> bytes{QFile::encodeName(program)};
    for (const QString& a : args)
        bytes.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    int out[2] = {-1, -1};
    if (pipe(out) != 0)
        return {};
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(out[1], 1);
        close(out[0]);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    Child c;
    c.pid = pid;
    c.out = out[0];
    return c;
}

// Reads the child's output until a line starting with `prefix`: the moment it was read
// and the rest of the line. False after `timeoutMs`.
bool AwaitLine(Child& c, const char* prefix, int timeoutMs, Clock::time_point* when = nullptr,
               std::string* rest = nullptr) {
    const auto until = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        size_t start = 0;
        for (size_t end; (end = c.buffer.find('\n', start)) != std::string::npos; start = end + 1) {
            if (c.buffer.compare(start, std::strlen(prefix), prefix) == 0) {
                if (when)
                    *when = Clock::now();
                if (rest)
                    *rest = c.buffer.substr(start + std::strlen(prefix),
                                            end - start - std::strlen(prefix));
                c.buffer.erase(0, end + 1);
                return true;
            }
        }
        c.buffer.erase(0, start);
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
        if (left <= 0)
            return false;
        vindelor::platform::PollFd p{c.out, vindelor::platform::kPollIn, 0};
        if (vindelor::platform::Poll(&p, 1, static_cast<int>(left)).value == 1) {
            char chunk[512];
            const ssize_t n = vindelor::platform::ReadFd(c.out, chunk, sizeof chunk).value;
            if (n <= 0)
                return false;
            c.buffer.append(chunk, static_cast<size_t>(n));
        }
    }
}

struct Sample {
    double cpuSeconds = 0;
    double rssMb = 0;
    long long switches = 0;
};

bool Read(pid_t pid, Sample* s) {
    FILE* f = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
    if (f == nullptr)
        return false;
    char buffer[2048];
    const size_t n = std::fread(buffer, 1, sizeof buffer - 1, f);
    std::fclose(f);
    buffer[n] = '\0';
    const char* p = std::strrchr(buffer, ')');
    unsigned long long utime = 0;
    unsigned long long stime = 0;
    if (p == nullptr || std::sscanf(p + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu",
                                    &utime, &stime) != 2)
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
        else if (parts[0] == "voluntary_ctxt_switches:" ||
                 parts[0] == "nonvoluntary_ctxt_switches:")
            s->switches += parts[1].toLongLong();
    }
    return true;
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

bool SetUp(const char* name, bool up) {
    return vindelor::platform::SetInterfaceUp(QByteArray(name), up) == 0;
}

double Ms(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

void PrintDelays(const char* name, const char* label, std::vector<double> ms) {
    if (ms.empty()) {
        std::printf("%s: no figures\n", label);
        return;
    }
    std::sort(ms.begin(), ms.end());
    const double median = ms[ms.size() / 2];
    std::printf("%-46s median %7.2f ms  max %7.2f ms  (%zu rounds)\n", label, median, ms.back(),
                ms.size());
    std::printf("RESULT %s %.2f %.2f\n", name, median, ms.back());
}

void SetData(const QTemporaryDir& data, const QTemporaryDir& locks) {
    setenv("VINDELOR_DIR", QFile::encodeName(data.path()).constData(), 1);
    setenv("VINDELOR_LOCK_DIR", QFile::encodeName(locks.path()).constData(), 1);
    vindelor::ClearProfileCache();
}

void Put(const char* section, const char* key, const QString& value) {
    vindelor::WriteProfileString(QString::fromUtf8(section), QString::fromUtf8(key), value,
                                 vindelor::kSettingsFile);
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = 30;
    int rounds = 5;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0)
            seconds = std::max(1, std::atoi(argv[i + 1]));
        if (std::strcmp(argv[i], "--rounds") == 0)
            rounds = std::max(1, std::atoi(argv[i + 1]));
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
    for (const QString& p : {vindelor, simdialer}) {
        if (!QFileInfo(p).isExecutable()) {
            std::fprintf(stderr, "missing %s\n", qPrintable(p));
            return 1;
        }
    }

    // A namespace of our own, entered for good: the programs started below inherit it.
    const std::string ns = "vindelor-bench-" + std::to_string(getpid());
    if (std::system(("ip netns add " + ns).c_str()) != 0) {
        std::fprintf(stderr, "cannot make a network namespace (run as root, with iproute2)\n");
        return 2;
    }
    const int inside = open(("/run/netns/" + ns).c_str(), O_RDONLY | O_CLOEXEC);
    const bool entered = inside >= 0 && setns(inside, CLONE_NEWNET) == 0;
    // The name stays only until the benchmark is inside: nothing is left behind.
    (void)!std::system(("ip netns del " + ns).c_str());
    if (!entered ||
        std::system("ip link add wwan9 type veth peer name far && ip link set wwan9 up") != 0) {
        std::fprintf(stderr, "cannot enter the namespace or make the veth pair\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::printf("%u processors; offscreen; %d rounds, %d s idle measurement after 2 s\n",
                std::thread::hardware_concurrency(), rounds, seconds);

    std::vector<double> up;
    std::vector<double> down;
    for (int r = 0; r < rounds; ++r) {
        QTemporaryDir data;
        QTemporaryDir locks;
        SetData(data, locks);
        Put("Avsluta", "Visa", QStringLiteral("Nej"));
        Put("Session", "<1min", QStringLiteral("Ja"));
        Child v = Start(vindelor, {QStringLiteral("--interface"), QStringLiteral("wwan9")});
        if (!AwaitLine(v, "Vindelor 1.12a waiting", 15000)) {
            std::fprintf(stderr, "vindelor did not start waiting\n");
            Stop(v);
            return 1;
        }
        // Let the program settle into its event loop.
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        Clock::time_point t0;
        Clock::time_point t1;
        SetUp("far", true);
        t0 = Clock::now();
        if (AwaitLine(v, "Session started", 10000, &t1))
            up.push_back(Ms(t0, t1));
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        SetUp("far", false);
        t0 = Clock::now();
        if (AwaitLine(v, "Session ended", 10000, &t1))
            down.push_back(Ms(t0, t1));
        int status = 0;
        waitpid(v.pid, &status, 0);
        close(v.out);
    }
    PrintDelays("delay-up", "interface up -> session started", up);
    PrintDelays("delay-down", "interface down -> session ended", down);

    // Idle: the interface watched while down, beside a free serial port polled every
    // 1000 ms (the simulated dialer makes the pseudo-terminal and waits), over the same
    // seconds.
    QTemporaryDir netData, netLocks, serialData, serialLocks;
    SetData(netData, netLocks);
    Put("Avsluta", "Visa", QStringLiteral("Nej"));
    Child netIdle = Start(vindelor, {QStringLiteral("--interface"), QStringLiteral("wwan9")});
    SetData(serialData, serialLocks);
    Child dialer = Start(simdialer, {"--delay", "stdin", "--hold", "stdin", "--linger", "600"});
    std::string device;
    if (!AwaitLine(dialer, "READY ", 5000, nullptr, &device)) {
        std::fprintf(stderr, "the simulated dialer did not start\n");
        return 1;
    }
    Put("Ports", "COM1", QString::fromStdString(device));
    Put("Modem", "Port", QStringLiteral("COM1"));
    Put("Avsluta", "Visa", QStringLiteral("Nej"));
    Child serialIdle = Start(vindelor, {});
    const bool waiting = AwaitLine(netIdle, "Vindelor 1.12a waiting", 15000) &&
                         AwaitLine(serialIdle, "Vindelor 1.12a waiting", 15000);
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const pid_t pids[] = {netIdle.pid, serialIdle.pid};
    Sample before[2];
    Sample after[2];
    for (int i = 0; i < 2; ++i)
        Read(pids[i], &before[i]);
    const auto t0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    for (int i = 0; i < 2; ++i)
        Read(pids[i], &after[i]);
    Stop(netIdle);
    Stop(serialIdle);
    Stop(dialer);
    if (!waiting) {
        std::fprintf(stderr, "vindelor did not start waiting\n");
        return 1;
    }
    const char* names[] = {"idle-netif", "idle-serial"};
    const char* labels[] = {"vindelor idle, watching interface wwan9",
                            "vindelor idle, polling a free serial port"};
    std::printf("\n");
    for (int i = 0; i < 2; ++i) {
        const double cpu = 100.0 * (after[i].cpuSeconds - before[i].cpuSeconds) / wall;
        const double wakeups = static_cast<double>(after[i].switches - before[i].switches) / wall;
        std::printf("%-46s %6.3f %% of one core  RSS %5.1f MB  %5.2f wake-ups/s\n", labels[i], cpu,
                    after[i].rssMb, wakeups);
        std::printf("RESULT %s %.3f %.1f %.2f\n", names[i], cpu, after[i].rssMb, wakeups);
    }
    return up.size() == static_cast<size_t>(rounds) && down.size() == static_cast<size_t>(rounds)
               ? 0
               : 1;
}
