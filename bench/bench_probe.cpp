// What one port probe costs: the idle poll's probe of a free port (busy checks, open,
// close, no settings changed) and the session tick's probe of a port another
// process holds (the holder found last is looked at again). Prints medians in µs, and
// what the scan of every process's descriptors costs on the checks that make it.
#include "components/comm32.h"
#include "platform/serialport.h"

#include <QCoreApplication>

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

double MedianMicros(int runs, const std::function<void()>& probe) {
    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(runs));
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        probe();
        const auto end = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 1000;
    char lockDir[] = "/tmp/bench_probe_locksXXXXXX";
    if (mkdtemp(lockDir) == nullptr) {
        return 1;
    }
    setenv("VINDELOR_LOCK_DIR", lockDir, 1);

    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::perror("pseudo-terminal");
        return 1;
    }
    const QString slave = QString::fromLocal8Bit(ptsname(master));
    int processes = 0;
    if (auto* d = opendir("/proc")) {
        while (const dirent* e = readdir(d)) {
            processes += e->d_name[0] >= '1' && e->d_name[0] <= '9';
        }
        closedir(d);
    }
    std::printf("port %s, %d processes, %d runs each\n", slave.toLocal8Bit().constData(), processes,
                runs);

    vindelor::TComm32 comm;
    comm.SetCommPort(slave);
    const double idle = MedianMicros(runs, [&] { comm.ProbePort(); });
    std::printf("idle probe (checks, open, close):              median %.1f us\n", idle);
    const double checks = MedianMicros(runs, [&] { vindelor::platform::CheckPortHolders(slave); });
    std::printf("  of which the busy checks of a free port:      median %.1f us\n", checks);
    // What the scan of every process costs when it is made: after an open the checks
    // cannot tell from one of another program's, and once a minute in any case.
    const QByteArray path = slave.toLocal8Bit();
    std::vector<double> scanTimes;
    for (int i = 0; i < runs; ++i) {
        ::close(::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK));
        const auto start = std::chrono::steady_clock::now();
        vindelor::platform::CheckPortHolders(slave);
        scanTimes.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(scanTimes.begin(), scanTimes.end());
    std::printf("  a check with the full scan of every process:  median %.1f us\n",
                scanTimes[scanTimes.size() / 2]);

    // Another process holds the port, as pppd does.
    int release[2];
    if (pipe(release) != 0) {
        return 1;
    }
    const pid_t holder = fork();
    if (holder == 0) {
        close(release[1]);
        const int fd = open(slave.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        char c;
        while (fd >= 0 && read(release[0], &c, 1) > 0) {
        }
        _exit(0);
    }
    close(release[0]);
    // Wait until the holder has the port.
    while (vindelor::platform::CheckPortHolders(slave).availability !=
           vindelor::platform::PortAvailability::Busy) {
        usleep(1000);
    }
    const double busy = MedianMicros(runs, [&] {
        try {
            comm.ProbePort();
        } catch (const vindelor::ECommsError&) {
        }
    });
    std::printf("busy probe (holder re-checked):                 median %.1f us\n", busy);
    close(release[1]);
    int status;
    waitpid(holder, &status, 0);
    close(master);
    rmdir(lockDir);
    return 0;
}
