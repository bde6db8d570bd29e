// The data count of a session: what one look at the kernel's counters costs (the session
// looks once a second), and how exactly the looks add up to what crossed a link, after
// 1 GB sent through a veth pair in a network namespace of the benchmark's own.
//
//   bench_datacount [--megabytes N]     (default 1000; the pair needs root)
//
// Frames of 1,500 bytes go from packet sockets at both ends of the pair (no address at
// all), half each way; the count looks at the counters every 100 ms while they go, and at
// the end its volume is set against the bytes sent and against the kernel's counters as
// iproute2 reads them.
//
// Lines starting with "RESULT" are for scripts:
//   RESULT look-by-name|look-point-to-point <microseconds of processor time per look>
//   RESULT accuracy <received difference> <sent difference> <megabytes>
#include "core/datavolume.h"
#include "platform/net/linkstats.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <linux/if_packet.h>
#include <net/ethernet.h>
#include <net/if.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

template <typename Look>
double MicrosecondsPerLook(int looks, Look look) {
    const double start = CpuSeconds();
    for (int i = 0; i < looks; ++i) {
        look();
    }
    return (CpuSeconds() - start) * 1e6 / looks;
}

bool Ip(const QStringList& args, QByteArray* out = nullptr) {
    QProcess p;
    p.start(QStringLiteral("ip"), args);
    const bool ok =
        p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (out) {
        *out = p.readAllStandardOutput();
    }
    return ok;
}

int PacketSocket(const char* link, sockaddr_ll* to) {
    const int fd = ::socket(AF_PACKET, SOCK_RAW | SOCK_CLOEXEC, 0);
    *to = sockaddr_ll{};
    to->sll_family = AF_PACKET;
    to->sll_ifindex = static_cast<int>(::if_nametoindex(link));
    to->sll_halen = ETH_ALEN;
    std::memset(to->sll_addr, 0xff, ETH_ALEN);
    return fd;
}

}  // namespace

int main(int argc, char** argv) {
    long long megabytes = 1000;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--megabytes") == 0)
            megabytes = std::max(1LL, std::atoll(argv[i + 1]));
    }

    vindelor::platform::LinkStatsQuery query;
    const double byName = MicrosecondsPerLook(20000, [&] { query.Read(QStringLiteral("lo")); });
    const double pointToPoint = MicrosecondsPerLook(20000, [&] { query.PointToPointLinks(); });
    std::printf("one look, by name (RTM_GETLINK):        %7.2f us of processor time\n", byName);
    std::printf("one look, point-to-point links (dump):  %7.2f us of processor time\n",
                pointToPoint);
    std::printf("RESULT look-by-name %.2f\nRESULT look-point-to-point %.2f\n", byName,
                pointToPoint);

    // The namespace: this process moves into it, so every socket it opens is there.
    const QString ns = QStringLiteral("vindelor-bench-%1").arg(::getpid());
    if (!Ip({QStringLiteral("netns"), QStringLiteral("add"), ns})) {
        std::printf("no network namespace could be made (needs root): accuracy not measured\n");
        return 0;
    }
    const auto cleanUp = [&ns] { Ip({QStringLiteral("netns"), QStringLiteral("del"), ns}); };
    const int inside =
        ::open(QStringLiteral("/run/netns/%1").arg(ns).toLocal8Bit().constData(), O_RDONLY);
    if (inside < 0 || ::setns(inside, CLONE_NEWNET) != 0) {
        cleanUp();
        return 1;
    }
    ::close(inside);
    for (const char* path : {"/proc/sys/net/ipv6/conf/default/disable_ipv6",
                             "/proc/sys/net/ipv6/conf/all/disable_ipv6"}) {
        if (FILE* f = std::fopen(path, "w")) {
            std::fputs("1", f);
            std::fclose(f);
        }
    }
    const QStringList link = {QStringLiteral("-n"), ns, QStringLiteral("link")};
    if (!Ip(link + QStringList{QStringLiteral("add"), QStringLiteral("near"),
                               QStringLiteral("type"), QStringLiteral("veth"),
                               QStringLiteral("peer"), QStringLiteral("name"),
                               QStringLiteral("far")}) ||
        !Ip(link +
            QStringList{QStringLiteral("set"), QStringLiteral("near"), QStringLiteral("up")}) ||
        !Ip(link +
            QStringList{QStringLiteral("set"), QStringLiteral("far"), QStringLiteral("up")})) {
        cleanUp();
        return 1;
    }
    const auto kernel = [&ns](const char* way) {
        QByteArray json;
        Ip({QStringLiteral("-n"), ns, QStringLiteral("-s"), QStringLiteral("-j"),
            QStringLiteral("link"), QStringLiteral("show"), QStringLiteral("near")},
           &json);
        return static_cast<unsigned long long>(QJsonDocument::fromJson(json)
                                                   .array()
                                                   .at(0)
                                                   .toObject()
                                                   .value(QStringLiteral("stats64"))
                                                   .toObject()
                                                   .value(QLatin1String(way))
                                                   .toObject()
                                                   .value(QStringLiteral("bytes"))
                                                   .toDouble());
    };

    vindelor::platform::LinkStatsQuery counters;
    vindelor::VolumeTally tally;
    const auto look = [&] {
        const vindelor::platform::LinkStats s = counters.Read(QStringLiteral("near"));
        tally.Feed({s.present, s.index, s.rxBytes, s.txBytes});
    };
    const unsigned long long rxStart = kernel("rx");
    const unsigned long long txStart = kernel("tx");
    look();

    sockaddr_ll toFar{};
    sockaddr_ll toNear{};
    const int nearSocket = PacketSocket("near", &toFar);
    const int farSocket = PacketSocket("far", &toNear);
    char frame[1500];
    std::memset(frame, 0x5a, sizeof frame);
    std::memset(frame, 0xff, 12);
    frame[12] = static_cast<char>(0x88);
    frame[13] = static_cast<char>(0xb5);
    const unsigned long long total = static_cast<unsigned long long>(megabytes) * 1000000ULL;
    unsigned long long sentRx = 0;
    unsigned long long sentTx = 0;
    auto lastLook = std::chrono::steady_clock::now();
    const auto began = lastLook;
    while (sentRx + sentTx < total) {
        const bool fromFar = sentRx <= sentTx;
        const ssize_t n = ::sendto(fromFar ? farSocket : nearSocket, frame, sizeof frame, 0,
                                   reinterpret_cast<const sockaddr*>(fromFar ? &toNear : &toFar),
                                   sizeof(sockaddr_ll));
        if (n <= 0) {
            continue;  // a full queue: try again
        }
        (fromFar ? sentRx : sentTx) += static_cast<unsigned long long>(n);
        const auto now = std::chrono::steady_clock::now();
        if (now - lastLook >= std::chrono::milliseconds(100)) {
            look();
            lastLook = now;
        }
    }
    look();
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    const unsigned long long kernelRx = kernel("rx") - rxStart;
    const unsigned long long kernelTx = kernel("tx") - txStart;
    const vindelor::DataVolume v = tally.Volume();
    std::printf("\n%.1f MB sent through the pair in %.1f s\n", static_cast<double>(total) / 1e6,
                wall);
    std::printf("                 received       sent\n");
    std::printf("sent by frames   %12llu %12llu\n", sentRx, sentTx);
    std::printf("kernel counters  %12llu %12llu\n", kernelRx, kernelTx);
    std::printf("counted          %12llu %12llu\n", static_cast<unsigned long long>(v.rx),
                static_cast<unsigned long long>(v.tx));
    std::printf("RESULT accuracy %lld %lld %lld\n",
                static_cast<long long>(v.rx) - static_cast<long long>(kernelRx),
                static_cast<long long>(v.tx) - static_cast<long long>(kernelTx), megabytes);
    ::close(nearSocket);
    ::close(farSocket);
    cleanUp();
    return 0;
}
