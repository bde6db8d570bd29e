// The real vindelor following NetworkManager and ModemManager: mocked on a private bus
// (python3-dbusmock), and a real NetworkManager in a network namespace of the test's own.
// Each run prints how long the program took from the service's change to the session's
// start and end (docs/performance.md).
#include "core/profile.h"
#include "support/mockbus.h"
#include "support/testenv.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <pty.h>
#include <sys/inotify.h>
#include <unistd.h>
#include <array>
#include <csignal>
#include <cstdio>

namespace vindelor::test {
namespace {

const QString kVindelor = QStringLiteral(VINDELOR_BINARY_DIR "/monitor/vindelor");
const QString kNm = QStringLiteral("org.freedesktop.NetworkManager");
const QString kMm = QStringLiteral("org.freedesktop.ModemManager1");

// Python's time.monotonic() and QElapsedTimer read the same clock: the delay from the
// moment the mock changed (printed by the script) to the moment the program said so.
qint64 NowMs() {
    QElapsedTimer t;
    t.start();
    return t.msecsSinceReference();
}
// How a real NetworkManager starts in the test's namespace: /sys read-only, so that it
// takes the devices as a container's instead of waiting for udev, and its run-time and
// state folders on tmpfs of its own, so that another NetworkManager of another test (the
// devices of a fresh namespace have the same numbers) never reads what this one wrote.
const QString kNmPrivateMounts = QStringLiteral(
    "mount -o remount,ro /sys && mkdir -p /run/NetworkManager /var/lib/NetworkManager && "
    "mount -t tmpfs tmpfs /run/NetworkManager && mount -t tmpfs tmpfs /var/lib/NetworkManager && ");
const QString kStamp = QStringLiteral("import time\nprint(int(time.monotonic() * 1000))\n");

class DesktopServices : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(QFile::exists(kVindelor));
        for (const auto& kv : QList<std::array<QString, 3>>{
                 {QStringLiteral("Avsluta"), QStringLiteral("Visa"), QStringLiteral("Nej")},
                 {QStringLiteral("Session"), QStringLiteral("<1min"), QStringLiteral("Ja")},
                 {QStringLiteral("Connect"), QStringLiteral("average"), QStringLiteral("0")},
             }) {
            ASSERT_TRUE(WriteProfileString(kv[0], kv[1], kv[2], kSettingsFile));
        }
    }
    void TearDown() override {
        if (vindelor.state() != QProcess::NotRunning) {
            vindelor.kill();
            vindelor.waitForFinished(3000);
        }
    }
    // `prefix`: a command the program runs under (ip netns exec …), else none.
    void Start(const QStringList& args, const QStringList& prefix = {}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VINDELOR_DIR"), data.path());
        env.insert(QStringLiteral("VINDELOR_LOCK_DIR"), locks.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        vindelor.setProcessEnvironment(env);
        const QStringList all = prefix + QStringList{kVindelor} + args;
        vindelor.start(all.first(), all.mid(1));
        ASSERT_TRUE(vindelor.waitForStarted(5000));
    }
    // Waits for `text` on the program's output; the moment it was read, or -1.
    qint64 Printed(const QString& text, int timeoutMs = 10000) {
        const bool seen = PumpFor(
            [&] {
                vindelor.waitForReadyRead(5);
                out += QString::fromLocal8Bit(vindelor.readAllStandardOutput());
                return out.contains(text);
            },
            timeoutMs);
        return seen ? NowMs() : -1;
    }
    // The program ends after the session with exit code 0 and a log line.
    void EndsWithTheSessionLogged() {
        // Ended already while its output was read: waitForFinished then says false.
        ASSERT_TRUE(vindelor.state() == QProcess::NotRunning || vindelor.waitForFinished(10000));
        out += QString::fromLocal8Bit(vindelor.readAllStandardOutput());
        EXPECT_EQ(vindelor.exitCode(), 0) << out.toStdString();
        EXPECT_TRUE(out.contains(QStringLiteral("Log line: "))) << out.toStdString();
    }

    ScopedDataDir data;
    QTemporaryDir locks;
    QProcess vindelor;
    QString out;
};

TEST_F(DesktopServices, NetworkManagersConnectionActivatedIsTheSession) {
    MockBus bus;
    ASSERT_TRUE(bus.Ok()) << "dbus-daemon (scripts/deps.sh installs it)";
    ASSERT_NE(bus.Start(kNm, {QStringLiteral("--template"), QStringLiteral("networkmanager")}),
              nullptr)
        << "python3-dbusmock (scripts/deps.sh installs it)";
    const QString made = bus.Py(QStringLiteral(R"(
nm = Mock('org.freedesktop.NetworkManager', '/org/freedesktop/NetworkManager')
s = dbus.Interface(bus.get_object('org.freedesktop.NetworkManager',
                                  '/org/freedesktop/NetworkManager/Settings'),
                   'org.freedesktop.NetworkManager.Settings')
print(nm.AddEthernetDevice('wwan', 'wwan0', 30),
      s.AddConnection({'connection': {'id': 'Mobile', 'type': 'gsm'}}))
)"));
    const QStringList paths = made.split(QLatin1Char(' '));
    ASSERT_EQ(paths.size(), 2) << made.toStdString();
    Start({QStringLiteral("--nm-connection"), QStringLiteral("Mobile")});
    ASSERT_GT(
        Printed(QStringLiteral("waiting for a connection on NetworkManager connection Mobile")), 0)
        << out.toStdString();

    const QString up = bus.Py(QStringLiteral("nm = Mock('org.freedesktop.NetworkManager', "
                                             "'/org/freedesktop/NetworkManager')\n"
                                             "nm.AddActiveConnection(['%1'], '%2', '/', 'm', 2)\n")
                                  .arg(paths[0], paths[1]) +
                              kStamp);
    const qint64 started = Printed(QStringLiteral("Session started"));
    ASSERT_GT(started, 0) << out.toStdString();
    const QString down = bus.Py(
        QStringLiteral("nm = Mock('org.freedesktop.NetworkManager', "
                       "'/org/freedesktop/NetworkManager')\n"
                       "nm.SetProperty('/org/freedesktop/NetworkManager/ActiveConnection/m',\n"
                       "    'org.freedesktop.NetworkManager.Connection.Active', 'State',\n"
                       "    dbus.UInt32(4, variant_level=1))\n") +
        kStamp);
    const qint64 ended = Printed(QStringLiteral("Session ended"));
    ASSERT_GT(ended, 0) << out.toStdString();
    std::printf("NetworkManager (mocked): session start %lld ms, end %lld ms after the change\n",
                started - up.toLongLong(), ended - down.toLongLong());
    EndsWithTheSessionLogged();
}

TEST_F(DesktopServices, ModemManagersModemConnectedIsTheSession) {
    MockBus bus;
    ASSERT_TRUE(bus.Ok());
    ASSERT_NE(bus.Start(kMm, {QStringLiteral("-m"), kMm,
                              QStringLiteral("/org/freedesktop/ModemManager1"), kMm}),
              nullptr);
    bus.Py(QStringLiteral(R"(
mm = Mock('org.freedesktop.ModemManager1', '/org/freedesktop/ModemManager1')
mm.AddObject('/org/freedesktop/ModemManager1/Modem/0', 'org.freedesktop.ModemManager1.Modem',
             {'EquipmentIdentifier': '350000000000001', 'Manufacturer': 'Quectel',
              'Model': 'EC25', 'State': dbus.Int32(8),
              'Ports': dbus.Array([('ttyUSB2', dbus.UInt32(3))], signature='(su)'),
              'Bearers': dbus.Array([], signature='o')}, [])
)"));
    Start({QStringLiteral("--modem"), QStringLiteral("350000000000001")});
    ASSERT_GT(Printed(QStringLiteral("waiting for a connection on modem")), 0) << out.toStdString();
    const QString setState = QStringLiteral(
        "m = Mock('org.freedesktop.ModemManager1', '/org/freedesktop/ModemManager1/Modem/0')\n"
        "m.UpdateProperties('org.freedesktop.ModemManager1.Modem', {'State': dbus.Int32(%1)})\n");
    const QString up = bus.Py(setState.arg(11) + kStamp);
    const qint64 started = Printed(QStringLiteral("Session started"));
    ASSERT_GT(started, 0) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("on modem Quectel EC25"))) << out.toStdString();
    const QString down = bus.Py(setState.arg(8) + kStamp);
    const qint64 ended = Printed(QStringLiteral("Session ended"));
    ASSERT_GT(ended, 0) << out.toStdString();
    std::printf("ModemManager (mocked): session start %lld ms, end %lld ms after the change\n",
                started - up.toLongLong(), ended - down.toLongLong());
    EndsWithTheSessionLogged();
}

// The stored port is ModemManager's: the start-up's look at it and the watch ask the
// service first, and through its restart (a new owner lists no modem while it probes)
// the port is never opened: an open would raise DTR under the modem.
TEST_F(DesktopServices, ModemManagersPortIsNeitherProbedAtTheStartNorOpenedThroughARestart) {
    MockBus bus;
    ASSERT_TRUE(bus.Ok());
    const QStringList mmArgs{QStringLiteral("-m"), kMm,
                             QStringLiteral("/org/freedesktop/ModemManager1"), kMm};
    QProcess* mm = bus.Start(kMm, mmArgs);
    ASSERT_NE(mm, nullptr);
    int master = -1;
    int slave = -1;
    char name[64];
    ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    ::close(slave);  // held by nobody: the master alone keeps the terminal
    const QString device = QString::fromLocal8Bit(name);
    bus.Py(QStringLiteral(R"(
mm = Mock('org.freedesktop.ModemManager1', '/org/freedesktop/ModemManager1')
mm.AddObject('/org/freedesktop/ModemManager1/Modem/0', 'org.freedesktop.ModemManager1.Modem',
             {'EquipmentIdentifier': '350000000000005', 'State': dbus.Int32(8),
              'Ports': dbus.Array([('%1', dbus.UInt32(3))], signature='(su)'),
              'Bearers': dbus.Array([], signature='o')}, [])
)")
               .arg(device.section(QLatin1Char('/'), -1)));
    ASSERT_TRUE(
        WriteProfileString(QStringLiteral("Ports"), QStringLiteral("COM1"), device, kSettingsFile));
    ASSERT_TRUE(WriteProfileString(QStringLiteral("Modem"), QStringLiteral("Port"),
                                   QStringLiteral("COM1"), kSettingsFile));
    const int opens = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(::inotify_add_watch(opens, name, IN_OPEN), 0);
    Start({});
    ASSERT_GT(Printed(QStringLiteral("waiting for a connection on COM1")), 0) << out.toStdString();
    char events[256];
    EXPECT_LT(::read(opens, events, sizeof events), 0) << "opened at the start";
    bus.Kill(mm, kMm);
    PumpFor([] { return false; }, 1500);
    mm = bus.Start(kMm, mmArgs);
    ASSERT_NE(mm, nullptr);
    PumpFor([] { return false; }, 1500);
    EXPECT_LT(::read(opens, events, sizeof events), 0) << "opened through the restart";
    EXPECT_LT(Printed(QStringLiteral("Session started"), 300), 0) << out.toStdString();
    ::close(opens);
    ::close(master);
}

// Runs a program to its end; its error text when it failed, empty when it worked.
QString RunTool(const QString& program, const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished(3000);
        return program + QStringLiteral(" did not finish");
    }
    if (p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0) {
        return {};
    }
    const QString error = QString::fromLocal8Bit(p.readAll()).trimmed();
    return error.isEmpty() ? QStringLiteral("exit code %1").arg(p.exitCode()) : error;
}

TEST_F(DesktopServices, ARealNetworkManagerBringsAConnectionUpAndDown) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "a network namespace of its own takes root";
    }
    if (!QFile::exists(QStringLiteral("/usr/sbin/NetworkManager")) ||
        !QFile::exists(QStringLiteral("/usr/bin/nmcli"))) {
        GTEST_SKIP() << "NetworkManager and nmcli are not installed (scripts/deps.sh installs "
                        "network-manager)";
    }
    const QString ns = QStringLiteral("vindelor-nm-%1").arg(QCoreApplication::applicationPid());
    const QString made =
        RunTool(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("add"), ns});
    if (!made.isEmpty()) {
        GTEST_SKIP() << "no network namespace could be made: " << made.toStdString();
    }
    struct Cleanup {
        QString ns;
        ~Cleanup() {
            RunTool(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("del"), ns});
        }
    } cleanup{ns};
    const QString veth =
        RunTool(QStringLiteral("ip"),
                {QStringLiteral("-n"), ns, QStringLiteral("link"), QStringLiteral("add"),
                 QStringLiteral("veth0"), QStringLiteral("type"), QStringLiteral("veth"),
                 QStringLiteral("peer"), QStringLiteral("name"), QStringLiteral("veth1")});
    if (!veth.isEmpty()) {
        GTEST_SKIP() << "no veth pair could be made: " << veth.toStdString();
    }
    ASSERT_EQ(RunTool(QStringLiteral("ip"),
                      {QStringLiteral("-n"), ns, QStringLiteral("link"), QStringLiteral("set"),
                       QStringLiteral("veth1"), QStringLiteral("up")}),
              QString());
    MockBus bus;  // no mock on it: the real service takes its name
    ASSERT_TRUE(bus.Ok());
    QTemporaryDir work;
    QDir().mkpath(work.filePath(QStringLiteral("keyfiles")));
    QFile conf(work.filePath(QStringLiteral("nm.conf")));
    ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
    conf.write(QStringLiteral("[main]\nplugins=keyfile\ndns=none\nrc-manager=unmanaged\n"
                              "no-auto-default=*\n[keyfile]\npath=%1\n")
                   .arg(work.filePath(QStringLiteral("keyfiles")))
                   .toUtf8());
    conf.close();
    QProcess* nm =
        bus.StartProgram(QStringLiteral("org.freedesktop.NetworkManager"), QStringLiteral("ip"),
                         {QStringLiteral("netns"), QStringLiteral("exec"), ns, QStringLiteral("sh"),
                          QStringLiteral("-c"),
                          (kNmPrivateMounts + QStringLiteral("exec NetworkManager --no-daemon "
                                                             "--config=%1 --state-file=%2"))
                              .arg(conf.fileName(), work.filePath(QStringLiteral("nm.state")))});
    ASSERT_NE(nm, nullptr) << "NetworkManager did not take its name on the private bus";
    const QString nmcli = QStringLiteral("/usr/bin/nmcli");
    const QStringList inside{QStringLiteral("netns"), QStringLiteral("exec"), ns};
    // The device must be managed before a connection can come up on it.
    ASSERT_TRUE(PumpFor(
        [&] {
            QProcess p;
            p.start(nmcli, {QStringLiteral("-t"), QStringLiteral("device")});
            p.waitForFinished(5000);
            return p.readAll().contains("veth0:ethernet:disconnected");
        },
        20000));
    ASSERT_EQ(RunTool(nmcli, {QStringLiteral("connection"), QStringLiteral("add"),
                              QStringLiteral("type"), QStringLiteral("ethernet"),
                              QStringLiteral("ifname"), QStringLiteral("veth0"),
                              QStringLiteral("con-name"), QStringLiteral("Mobile"),
                              QStringLiteral("ipv4.method"), QStringLiteral("disabled"),
                              QStringLiteral("ipv6.method"), QStringLiteral("disabled"),
                              QStringLiteral("autoconnect"), QStringLiteral("no")}),
              QString());

    Start({QStringLiteral("--nm-connection"), QStringLiteral("Mobile")},
          QStringList{QStringLiteral("ip")} + inside);
    ASSERT_GT(
        Printed(QStringLiteral("waiting for a connection on NetworkManager connection Mobile")), 0)
        << out.toStdString();
    ASSERT_EQ(RunTool(nmcli, {QStringLiteral("connection"), QStringLiteral("up"),
                              QStringLiteral("Mobile")}),
              QString());
    ASSERT_GT(Printed(QStringLiteral("Session started")), 0) << out.toStdString();
    ASSERT_EQ(RunTool(nmcli, {QStringLiteral("connection"), QStringLiteral("down"),
                              QStringLiteral("Mobile")}),
              QString());
    ASSERT_GT(Printed(QStringLiteral("Session ended")), 0) << out.toStdString();
    EndsWithTheSessionLogged();
    nm->terminate();
    nm->waitForFinished(10000);
}

// What nmcli prints for `ARGS` (-g: the bare values), trimmed; "<failed: …>" when it did not
// run to its end.
QString Nmcli(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral("/usr/bin/nmcli"), args);
    if (!p.waitForFinished(20000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        p.kill();
        p.waitForFinished(3000);
        return QStringLiteral("<failed: %1>")
            .arg(QString::fromLocal8Bit(p.readAllStandardError()).trimmed());
    }
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

// [Data] "Metered" = "Ja" against a real NetworkManager: the device's applied connection
// reads metered while the session runs and what it read before once the program has been
// stopped by a signal; the stored profile is never touched.
TEST_F(DesktopServices, ARealNetworkManagerSeesTheSessionsLinkMeteredUntilItEnds) {
    ASSERT_EQ(::geteuid(), 0u) << "a network namespace of its own takes root";
    ASSERT_TRUE(QFile::exists(QStringLiteral("/usr/sbin/NetworkManager")) &&
                QFile::exists(QStringLiteral("/usr/bin/nmcli")))
        << "scripts/deps.sh installs network-manager";
    const QString ns = QStringLiteral("vindelor-nmm-%1").arg(QCoreApplication::applicationPid());
    ASSERT_EQ(RunTool(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("add"), ns}),
              QString());
    struct Cleanup {
        QString ns;
        ~Cleanup() {
            RunTool(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("del"), ns});
        }
    } cleanup{ns};
    const auto ip = [&ns](const QStringList& args) {
        return RunTool(QStringLiteral("ip"), QStringList{QStringLiteral("-n"), ns} + args);
    };
    ASSERT_EQ(ip({QStringLiteral("link"), QStringLiteral("add"), QStringLiteral("veth0"),
                  QStringLiteral("type"), QStringLiteral("veth"), QStringLiteral("peer"),
                  QStringLiteral("name"), QStringLiteral("veth1")}),
              QString());
    ASSERT_EQ(ip({QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("veth1"),
                  QStringLiteral("up")}),
              QString());
    MockBus bus;  // no mock on it: the real service takes its name
    ASSERT_TRUE(bus.Ok()) << "scripts/deps.sh installs dbus-daemon";
    QTemporaryDir work;
    QDir().mkpath(work.filePath(QStringLiteral("keyfiles")));
    QFile conf(work.filePath(QStringLiteral("nm.conf")));
    ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
    conf.write(QStringLiteral("[main]\nplugins=keyfile\ndns=none\nrc-manager=unmanaged\n"
                              "no-auto-default=*\n[keyfile]\npath=%1\n")
                   .arg(work.filePath(QStringLiteral("keyfiles")))
                   .toUtf8());
    conf.close();
    QProcess* nm = bus.StartProgram(
        kNm, QStringLiteral("ip"),
        {QStringLiteral("netns"), QStringLiteral("exec"), ns, QStringLiteral("sh"),
         QStringLiteral("-c"),
         (kNmPrivateMounts + QStringLiteral("exec NetworkManager --no-daemon "
                                            "--config=%1 --state-file=%2 --pid-file=%3"))
             .arg(conf.fileName(), work.filePath(QStringLiteral("nm.state")),
                  work.filePath(QStringLiteral("nm.pid")))});
    ASSERT_NE(nm, nullptr) << "NetworkManager did not take its name on the private bus";
    ASSERT_TRUE(PumpFor(
        [] {
            return Nmcli({QStringLiteral("-t"), QStringLiteral("device")})
                .contains(QStringLiteral("veth0:ethernet:disconnected"));
        },
        20000));
    ASSERT_EQ(
        RunTool(
            QStringLiteral("/usr/bin/nmcli"),
            {QStringLiteral("connection"), QStringLiteral("add"), QStringLiteral("type"),
             QStringLiteral("ethernet"), QStringLiteral("ifname"), QStringLiteral("veth0"),
             QStringLiteral("con-name"), QStringLiteral("Mobile"), QStringLiteral("ipv4.method"),
             QStringLiteral("disabled"), QStringLiteral("ipv6.method"), QStringLiteral("disabled"),
             QStringLiteral("autoconnect"), QStringLiteral("no")}),
        QString());
    ASSERT_EQ(
        RunTool(QStringLiteral("/usr/bin/nmcli"),
                {QStringLiteral("connection"), QStringLiteral("up"), QStringLiteral("Mobile")}),
        QString());
    const QStringList deviceMetered{QStringLiteral("-g"), QStringLiteral("GENERAL.METERED"),
                                    QStringLiteral("device"), QStringLiteral("show"),
                                    QStringLiteral("veth0")};
    const QStringList storedMetered{QStringLiteral("-g"), QStringLiteral("connection.metered"),
                                    QStringLiteral("connection"), QStringLiteral("show"),
                                    QStringLiteral("Mobile")};
    const QString before = Nmcli(deviceMetered);
    const QString stored = Nmcli(storedMetered);
    ASSERT_FALSE(before.startsWith(QStringLiteral("yes"))) << before.toStdString();
    ASSERT_FALSE(stored.startsWith(QStringLiteral("<failed"))) << stored.toStdString();

    ASSERT_TRUE(WriteProfileString(QStringLiteral("Data"), QStringLiteral("Metered"),
                                   QStringLiteral("Ja"), kSettingsFile));
    Start({QStringLiteral("--interface"), QStringLiteral("veth0")},
          {QStringLiteral("ip"), QStringLiteral("netns"), QStringLiteral("exec"), ns});
    ASSERT_GT(Printed(QStringLiteral("Session started")), 0) << out.toStdString();
    EXPECT_TRUE(PumpFor([&] { return Nmcli(deviceMetered) == QLatin1String("yes"); }, 10000))
        << Nmcli(deviceMetered).toStdString();
    EXPECT_EQ(Nmcli(storedMetered).toStdString(), stored.toStdString());

    ::kill(static_cast<pid_t>(vindelor.processId()), SIGTERM);
    EndsWithTheSessionLogged();
    EXPECT_EQ(Nmcli(deviceMetered).toStdString(), before.toStdString());
    EXPECT_EQ(Nmcli(storedMetered).toStdString(), stored.toStdString());
    nm->terminate();
    nm->waitForFinished(10000);
}

}  // namespace
}  // namespace vindelor::test
