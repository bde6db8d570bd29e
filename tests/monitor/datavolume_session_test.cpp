// A session's bytes end to end: the main window counts a veth pair in a network namespace
// of the test's own while the test sends frames of known size across it from packet
// sockets (no address at all), and the logged line is compared with what was sent and
// with the kernel's counters as iproute2 reads them.
#include "mainwindow_fixture.h"

#include "connectionwatch/test/fakeconnectionwatch.h"
#include "core/sessionlog.h"
#include "platform/test/processfakes.h"
#include "support/mockbus.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <QSystemTrayIcon>

#include <fcntl.h>
#include <linux/if_packet.h>
#include <net/ethernet.h>
#include <net/if.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vindelor::test {
namespace {

using watch::LinkState;
using watch::test::FakeConnectionWatch;

QByteArray RunProgram(const QString& program, const QStringList& args, QString* error) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(10000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        *error = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
        if (error->isEmpty()) {
            *error = QStringLiteral("ip failed");
        }
    }
    return p.readAllStandardOutput();
}

class DataVolumeSession : public MainWindowTest {
  protected:
    // Runs `make` with this thread in the namespace; what it opens stays there.
    template <typename Make>
    auto Inside(Make make) {
        const int home = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
        const int inside =
            ::open(QStringLiteral("/run/netns/%1").arg(ns_).toLocal8Bit().constData(),
                   O_RDONLY | O_CLOEXEC);
        EXPECT_EQ(::setns(inside, CLONE_NEWNET), 0);
        auto made = make();
        EXPECT_EQ(::setns(home, CLONE_NEWNET), 0);
        ::close(inside);
        ::close(home);
        return made;
    }

    void SetUp() override {
        if (QStandardPaths::findExecutable(QStringLiteral("ip")).isEmpty() &&
            !QFile::exists(QStringLiteral("/usr/sbin/ip")) &&
            !QFile::exists(QStringLiteral("/sbin/ip"))) {
            GTEST_SKIP() << "iproute2's ip is not installed: no network namespace to test in";
        }
        ns_ = QStringLiteral("vindelor-data-%1").arg(::getpid());
        if (const QString error = Ip({QStringLiteral("netns"), QStringLiteral("add"), ns_});
            !error.isEmpty()) {
            GTEST_SKIP() << "this user may not make a network namespace: " << error.toStdString();
        }
        made_ = true;
        // Without IPv6 nothing but the test's own frames crosses the pair.
        Inside([] {
            for (const char* path : {"/proc/sys/net/ipv6/conf/default/disable_ipv6",
                                     "/proc/sys/net/ipv6/conf/all/disable_ipv6"}) {
                QFile f(QString::fromLatin1(path));
                if (f.open(QIODevice::WriteOnly)) {
                    f.write("1");
                }
            }
            return 0;
        });
        MakePair();
        Ini(QStringLiteral("Connection"), QStringLiteral("Interface"), QStringLiteral("near"));
        Ini(QStringLiteral("Avsluta"), QStringLiteral("Visa"), QStringLiteral("Nej"));
        prepare = [this](TForm1& f) {
            f.MakeInterfaceWatch = [this](const QString& name) {
                auto fake = std::make_unique<FakeConnectionWatch>(name);
                watch_ = fake.get();
                return fake;
            };
            f.Data.makeQuery = [this] {
                return Inside([] { return std::make_unique<platform::LinkStatsQuery>(); });
            };
        };
    }
    void TearDown() override {
        if (made_) {
            Ip({QStringLiteral("netns"), QStringLiteral("del"), ns_});
        }
    }

    QString Ip(const QStringList& args) {
        QString error;
        RunProgram(QStringLiteral("ip"), args, &error);
        return error;
    }
    QString Link(const QStringList& args) {
        return Ip(QStringList{QStringLiteral("-n"), ns_, QStringLiteral("link")} + args);
    }
    void MakePair() {
        ASSERT_EQ(Link({QStringLiteral("add"), QStringLiteral("near"), QStringLiteral("type"),
                        QStringLiteral("veth"), QStringLiteral("peer"), QStringLiteral("name"),
                        QStringLiteral("far")}),
                  QString());
        for (const char* end : {"near", "far"}) {
            ASSERT_EQ(Link({QStringLiteral("set"), QLatin1String(end), QStringLiteral("up")}),
                      QString());
        }
    }

    // Sends `count` frames of `size` bytes out of the link `from`; the bytes sent.
    std::uint64_t Send(const char* from, int count, int size) {
        const int fd = Inside([] { return ::socket(AF_PACKET, SOCK_RAW | SOCK_CLOEXEC, 0); });
        EXPECT_GE(fd, 0) << errno;
        const unsigned index = Inside([from] { return ::if_nametoindex(from); });
        EXPECT_NE(index, 0u);
        sockaddr_ll to{};
        to.sll_family = AF_PACKET;
        to.sll_ifindex = static_cast<int>(index);
        to.sll_halen = ETH_ALEN;
        std::memset(to.sll_addr, 0xff, ETH_ALEN);
        QByteArray frame(size, '\x5a');
        std::memset(frame.data(), 0xff, 12);  // to everyone, from a made-up sender
        frame[12] = '\x88';                   // the ethertype left for local experiments
        frame[13] = '\xb5';
        std::uint64_t sent = 0;
        for (int i = 0; i < count; ++i) {
            const ssize_t n = ::sendto(fd, frame.constData(), static_cast<size_t>(frame.size()), 0,
                                       reinterpret_cast<const sockaddr*>(&to), sizeof(to));
            EXPECT_EQ(n, size) << errno;
            sent += n > 0 ? static_cast<std::uint64_t>(n) : 0;
        }
        ::close(fd);
        return sent;
    }

    // The kernel's counters of "near" as iproute2 reads them: received, sent.
    std::pair<std::uint64_t, std::uint64_t> Kernel() {
        QString error;
        const QByteArray json =
            RunProgram(QStringLiteral("ip"),
                       {QStringLiteral("-n"), ns_, QStringLiteral("-s"), QStringLiteral("-j"),
                        QStringLiteral("link"), QStringLiteral("show"), QStringLiteral("near")},
                       &error);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        const QJsonObject stats = QJsonDocument::fromJson(json)
                                      .array()
                                      .at(0)
                                      .toObject()
                                      .value(QStringLiteral("stats64"))
                                      .toObject();
        const auto bytes = [&stats](const char* way) {
            return static_cast<std::uint64_t>(stats.value(QLatin1String(way))
                                                  .toObject()
                                                  .value(QStringLiteral("bytes"))
                                                  .toDouble());
        };
        return {bytes("rx"), bytes("tx")};
    }

    QString ns_;
    bool made_ = false;
    FakeConnectionWatch* watch_ = nullptr;
};

TEST_F(DataVolumeSession, LogsTheBytesOfAnInterfaceThatComesAgainAndPricesThemPerMB) {
    Ini(QStringLiteral("Data"), QStringLiteral("PerMB"), QStringLiteral("1"));
    TForm1& w = Create(false);
    const auto atStart = Kernel();
    watch_->Set(LinkState::Up);
    ASSERT_TRUE(w.SessionStarted);

    std::uint64_t rx = Send("far", 30, 1000);
    std::uint64_t tx = Send("near", 20, 1000);
    const QString panelBefore = w.CostPanelText();
    Run(2);
    EXPECT_NE(w.CostPanelText(), panelBefore) << panelBefore.toStdString();  // 0.05 more
    EXPECT_TRUE(w.StatusPanel0->toolTip().contains(QStringLiteral("MB ↓")))
        << w.StatusPanel0->toolTip().toStdString();
    EXPECT_TRUE(w.TaskbarIcon->toolTip().endsWith(w.VolumeText()));
    const auto beforeGone = Kernel();

    // The pair goes and comes again: its new counters start from zero and add on.
    ASSERT_EQ(Link({QStringLiteral("del"), QStringLiteral("near")}), QString());
    Run(2);
    MakePair();
    Run(2);
    rx += Send("far", 10, 1500);
    tx += Send("near", 5, 1000);
    Run(2);
    const auto atEnd = Kernel();
    watch_->Set(LinkState::Down);
    ASSERT_TRUE(w.LastClose.Counted);

    const LogLineParts line = SplitLogLine(LogLine(1));
    ASSERT_TRUE(line.volume.known) << LogLine(1).toStdString();
    EXPECT_EQ(line.volume.rx, rx);
    EXPECT_EQ(line.volume.tx, tx);
    EXPECT_EQ(line.volume.rx, beforeGone.first - atStart.first + atEnd.first);
    EXPECT_EQ(line.volume.tx, beforeGone.second - atStart.second + atEnd.second);
    // 70,000 bytes at 1 per MB, and no time tariff.
    EXPECT_EQ(line.cost, QStringLiteral("   0.0700"));
}

// A service's connection ("Mobile") that names its link late, drops within the grace
// (or its service restarts) and comes back on the same link: the line holds only the
// session's own bytes, never the link's traffic from before the session.
TEST_F(DataVolumeSession, AServicesLinkNamedLateAndBackAfterADropCountsOnlyTheSessionsBytes) {
    Ini(QStringLiteral("Connection"), QStringLiteral("Grace"), QStringLiteral("30"));
    prepare = [this, base = prepare](TForm1& f) {
        base(f);
        f.MakeInterfaceWatch = [this](const QString&) {
            auto fake = std::make_unique<FakeConnectionWatch>(
                QStringLiteral("Mobile"), watch::ConnectionWatch::Kind::NetworkManager);
            watch_ = fake.get();
            return fake;
        };
    };
    Send("near", 40, 1000);  // before the session
    Send("far", 30, 1000);
    TForm1& w = Create(false);
    watch_->Set(LinkState::Up);  // activated, its link not named yet
    ASSERT_TRUE(w.SessionStarted);
    Run(2);
    watch_->counted = QStringLiteral("near");
    Run(2);
    std::uint64_t rx = Send("far", 10, 1000);
    Run(2);
    watch_->counted.clear();  // the drop: no link named
    watch_->Set(LinkState::Down);
    Run(5);
    ASSERT_TRUE(w.SessionStarted);
    watch_->counted = QStringLiteral("near");
    watch_->Set(LinkState::Up);
    rx += Send("far", 5, 1000);
    const std::uint64_t tx = Send("near", 3, 1000);
    Run(2);
    watch_->Set(LinkState::Unusable);
    Run(31);
    ASSERT_TRUE(w.LastClose.Counted);

    const LogLineParts line = SplitLogLine(LogLine(1));
    ASSERT_TRUE(line.volume.known) << LogLine(1).toStdString();
    EXPECT_EQ(line.volume.rx, rx);
    EXPECT_EQ(line.volume.tx, tx);
}

TEST_F(DataVolumeSession, WarnsOnceAtEachMarkAndHangsUpWhenTheIncludedVolumeIsUsed) {
    platform::test::ScopedProcessFakes system;
    Ini(QStringLiteral("Data"), QStringLiteral("Included"), QStringLiteral("0.05"));  // 50,000 B
    Ini(QStringLiteral("Billing"), QStringLiteral("DataWarn"), QStringLiteral("50,100"));
    Ini(QStringLiteral("Billing"), QStringLiteral("DataHangUpAt"), QStringLiteral("Ja"));
    Ini(QStringLiteral("Billing"), QStringLiteral("HangUp"), QStringLiteral("poff isp"));
    SetLanguageOffset(kEnglishOffset);
    TForm1& w = Create(false);
    SelectLanguage(QStringLiteral("UK"));
    watch_->Set(LinkState::Up);
    ASSERT_TRUE(w.SessionStarted);

    Send("far", 30, 1000);
    Run(3);
    ASSERT_EQ(system.notifier.bodies.size(), 1u);
    EXPECT_TRUE(system.notifier.bodies[0].startsWith(QStringLiteral("50 %")))
        << system.notifier.bodies[0].toStdString();
    EXPECT_TRUE(system.processes.runs.empty());

    Send("near", 25, 1000);
    Run(3);
    ASSERT_EQ(system.notifier.bodies.size(), 3u);  // 100 %, and what the hang-up did
    EXPECT_TRUE(system.notifier.bodies[1].startsWith(QStringLiteral("100 %")));
    EXPECT_EQ(system.notifier.bodies[2],
              QStringLiteral("The volume included in the month (0.05 MB) is used up. Vindelor ran "
                             "\"poff isp\" to end the connection."));
    ASSERT_EQ(system.processes.runs.size(), 1u);
    EXPECT_EQ(system.processes.runs[0],
              (QStringList{QStringLiteral("poff"), QStringLiteral("isp")}));
    Run(3);
    EXPECT_EQ(system.notifier.bodies.size(), 3u);  // once each
    EXPECT_EQ(system.processes.runs.size(), 1u);
    EXPECT_TRUE(Read(QStringLiteral("Billing"), QStringLiteral("DataGiven"))
                    .endsWith(QStringLiteral(":50,100")));
}

// [Data] "Metered" = "Varna": NetworkManager is told that the counted link is metered from
// the month's first volume warning on, not before, and what the link had is applied again
// when the session ends.
TEST_F(DataVolumeSession, VarnaMarksTheLinkMeteredFromTheFirstWarningUntilTheSessionEnds) {
    MockBus bus;
    ASSERT_TRUE(bus.Ok()) << "scripts/deps.sh installs dbus-daemon";
    ASSERT_NE(bus.Start(QStringLiteral("org.freedesktop.NetworkManager"),
                        {QStringLiteral("--template"), QStringLiteral("networkmanager")}),
              nullptr)
        << "scripts/deps.sh installs python3-dbusmock";
    bus.Py(NmDeviceWithAppliedConnection(QStringLiteral("near")));
    Ini(QStringLiteral("Data"), QStringLiteral("Included"), QStringLiteral("0.05"));  // 50,000 B
    Ini(QStringLiteral("Billing"), QStringLiteral("DataWarn"), QStringLiteral("50"));
    Ini(QStringLiteral("Data"), QStringLiteral("Metered"), QStringLiteral("Varna"));
    TForm1& w = Create(false);
    watch_->Set(LinkState::Up);
    ASSERT_TRUE(w.SessionStarted);

    Send("far", 10, 1000);
    Run(3);
    // A mark sent too early would have landed meanwhile.
    EXPECT_FALSE(PumpFor([&] { return AppliedMetered(bus) == QLatin1String("1"); }, 1000));
    Send("far", 20, 1000);
    Run(3);
    EXPECT_TRUE(PumpFor([&] { return AppliedMetered(bus) == QLatin1String("1"); }));

    watch_->Set(LinkState::Down);
    ASSERT_TRUE(w.Ended());
    EXPECT_EQ(AppliedMetered(bus), QStringLiteral("2"));
}

// A session that starts at home, roams halfway and comes home: the line keeps the bytes
// abroad, and its cost is the home bytes at the home price plus the bytes abroad at the
// roaming price, each rounded up to its unit, and a minute abroad costs the price per
// minute abroad. Entering roaming is told once, with the
// network and the price, and the tray tip says so while it lasts.
TEST_F(DataVolumeSession, BytesAbroadArePricedByRoamingAndToldOnceAtHomeRoamingHome) {
    platform::test::ScopedProcessFakes system;
    Ini(QStringLiteral("Data"), QStringLiteral("PerMB"), QStringLiteral("1"));
    Ini(QStringLiteral("Data"), QStringLiteral("Unit"), QStringLiteral("10"));
    Ini(QStringLiteral("Roaming"), QStringLiteral("PerMB"), QStringLiteral("100"));
    Ini(QStringLiteral("Roaming"), QStringLiteral("Unit"), QStringLiteral("100"));
    Ini(QStringLiteral("Roaming"), QStringLiteral("PerMin"), QStringLiteral("2"));
    SetLanguageOffset(kEnglishOffset);
    TForm1& w = Create(false);
    SelectLanguage(QStringLiteral("UK"));
    watch_->Set(LinkState::Up);
    ASSERT_TRUE(w.SessionStarted);

    std::uint64_t home = Send("far", 12, 1000);
    Run(2);
    watch_->registration = {true, QStringLiteral("Operator"), QStringLiteral("22801")};
    Run(2);  // the bytes of the look that saw it are counted abroad from then on
    const std::uint64_t abroad = Send("far", 20, 1000) + Send("near", 5, 1000);
    Run(2);
    EXPECT_TRUE(w.TaskbarIcon->toolTip().endsWith(QStringLiteral("\nroaming")))
        << w.TaskbarIcon->toolTip().toStdString();
    Run(60);  // the session's first minute ends abroad
    watch_->registration = {};
    Run(2);
    home += Send("near", 3, 1000);
    Run(2);
    EXPECT_FALSE(w.TaskbarIcon->toolTip().contains(QStringLiteral("roaming")));
    watch_->Set(LinkState::Down);

    const LogLineParts line = SplitLogLine(LogLine(1));
    ASSERT_TRUE(line.volume.known) << LogLine(1).toStdString();
    EXPECT_EQ(line.volume.RoamingTotal(), abroad);
    EXPECT_EQ(line.volume.HomeTotal(), home);
    // 15,000 B at home: two 10 kB units, 0.02; 25,000 B abroad: one 100 kB unit, 10.00;
    // the one minute, abroad: 2.00.
    EXPECT_EQ(line.cost, QStringLiteral("  12.0200"));
    ASSERT_EQ(system.notifier.bodies.size(), 1u);
    EXPECT_EQ(system.notifier.bodies[0],
              QStringLiteral("Roaming on Operator (22801): 1 MB costs $ 100.00"));
}

TEST_F(DataVolumeSession, TheCapAbroadWarnsAndHangsUpOnlyForBytesMovedAbroad) {
    platform::test::ScopedProcessFakes system;
    Ini(QStringLiteral("Roaming"), QStringLiteral("HangUpAt"), QStringLiteral("0.02"));  // 20 kB
    Ini(QStringLiteral("Roaming"), QStringLiteral("Warn"), QStringLiteral("50"));
    Ini(QStringLiteral("Billing"), QStringLiteral("HangUp"), QStringLiteral("poff isp"));
    SetLanguageOffset(kEnglishOffset);
    TForm1& w = Create(false);
    SelectLanguage(QStringLiteral("UK"));
    watch_->Set(LinkState::Up);
    ASSERT_TRUE(w.SessionStarted);

    Send("far", 40, 1000);  // at home: no part of the cap abroad
    Run(2);
    EXPECT_TRUE(system.notifier.bodies.empty());
    watch_->registration = {true, QStringLiteral("Operator"), QStringLiteral("22801")};
    Run(2);
    Send("far", 25, 1000);
    Run(2);
    ASSERT_EQ(system.notifier.bodies.size(), 3u);  // roaming, 50 %, the cap and the hang-up
    EXPECT_TRUE(system.notifier.bodies[1].startsWith(QStringLiteral("50 % of the MB abroad")))
        << system.notifier.bodies[1].toStdString();
    EXPECT_TRUE(system.notifier.bodies[2].startsWith(
        QStringLiteral("The volume abroad of the month (0.02 MB) is used up.")))
        << system.notifier.bodies[2].toStdString();
    ASSERT_EQ(system.processes.runs.size(), 1u);
    EXPECT_EQ(system.processes.runs[0],
              (QStringList{QStringLiteral("poff"), QStringLiteral("isp")}));
    EXPECT_TRUE(Read(QStringLiteral("Billing"), QStringLiteral("RoamingGiven"))
                    .endsWith(QStringLiteral(":50")));
}

}  // namespace
}  // namespace vindelor::test

namespace vindelor::test {
namespace {

// A modem session counts the point-to-point link that comes up while it runs, not one
// that was there before it began.
TEST_F(DataVolumeSession, ASerialSessionCountsThePointToPointLinkThatComesUpDuringIt) {
    const QStringList tuntap = {QStringLiteral("-n"), ns_, QStringLiteral("tuntap"),
                                QStringLiteral("add"), QStringLiteral("dev")};
    if (!Ip(tuntap +
            QStringList{QStringLiteral("tun7"), QStringLiteral("mode"), QStringLiteral("tun")})
             .isEmpty()) {
        GTEST_SKIP() << "no tun device could be made";
    }
    monitor::DataCount count;
    count.makeQuery = [this] {
        return Inside([] { return std::make_unique<platform::LinkStatsQuery>(); });
    };
    count.Begin(QString(), 0);
    EXPECT_FALSE(count.Look(QString(), 1000, QDate(2026, 1, 1)));
    EXPECT_FALSE(count.Volume().known);

    ASSERT_EQ(Ip(tuntap + QStringList{QStringLiteral("ppp9"), QStringLiteral("mode"),
                                      QStringLiteral("tun")}),
              QString());
    EXPECT_FALSE(count.Due(1500));  // once a second at most
    count.Look(QString(), 2000, QDate(2026, 1, 1));
    EXPECT_TRUE(count.Volume().known);
    EXPECT_EQ(count.Counted(), QStringLiteral("ppp9"));
}

}  // namespace
}  // namespace vindelor::test
