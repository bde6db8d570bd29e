// NetworkManager and ModemManager as the connection, against services mocked on a private
// bus (python3-dbusmock), and the serial watch asking ModemManager for its ports.
#include "components/comm32.h"
#include "connectionwatch/modemmanager/mmwatch.h"
#include "connectionwatch/networkmanager/nmmetered.h"
#include "connectionwatch/networkmanager/nmwatch.h"
#include "connectionwatch/serial/serialwatch.h"
#include "support/mockbus.h"

#include <QElapsedTimer>

#include <fcntl.h>
#include <pty.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace vindelor::watch {
namespace {

using test::AppliedMetered;
using test::MockBus;
using test::NmDeviceWithAppliedConnection;
using test::PumpFor;

const QString kNm = QStringLiteral("org.freedesktop.NetworkManager");
const QString kMm = QStringLiteral("org.freedesktop.ModemManager1");

bool Becomes(ConnectionWatch& watch, LinkState state) {
    return PumpFor([&] { return watch.Check().state == state; });
}

TEST(NetworkManagerWatchTest, OnlyTheChosenConnectionActivatedIsOneThroughRestartsOfTheService) {
    MockBus bus;
    ASSERT_TRUE(bus.Ok()) << "dbus-daemon (scripts/deps.sh installs it)";
    QProcess* nm = bus.Start(kNm, {QStringLiteral("--template"), QStringLiteral("networkmanager")});
    ASSERT_NE(nm, nullptr) << "python3-dbusmock (scripts/deps.sh installs it)";
    // Chosen by UUID: the panel still shows the connection's name once it is known.
    NetworkManagerWatch watch(QStringLiteral("5f1c2b1e-0000-4000-8000-00000000beef"));
    ASSERT_TRUE(Becomes(watch, LinkState::Down));

    const QString made = bus.Py(QStringLiteral(R"(
nm = Mock('org.freedesktop.NetworkManager', '/org/freedesktop/NetworkManager')
s = dbus.Interface(bus.get_object('org.freedesktop.NetworkManager',
                                  '/org/freedesktop/NetworkManager/Settings'),
                   'org.freedesktop.NetworkManager.Settings')
wwan = nm.AddEthernetDevice('wwan', 'wwan0', 30)
eth = nm.AddEthernetDevice('eth', 'eth0', 30)
mobile = s.AddConnection({'connection': {'id': 'Mobile', 'type': 'gsm',
                          'uuid': '5f1c2b1e-0000-4000-8000-00000000beef'}})
office = s.AddConnection({'connection': {'id': 'Office', 'type': '802-3-ethernet'}})
nm.AddActiveConnection([eth], office, '/', 'office', 2)
print(wwan, mobile)
)"));
    const QStringList paths = made.split(QLatin1Char(' '));
    ASSERT_EQ(paths.size(), 2) << made.toStdString();
    // Another connection activated is not this one.
    QCoreApplication::processEvents();
    PumpFor([] { return false; }, 300);
    EXPECT_EQ(watch.Check().state, LinkState::Down);

    // Activating, then activated: only the second is a connection.
    bus.Py(QStringLiteral("nm = Mock('org.freedesktop.NetworkManager', "
                          "'/org/freedesktop/NetworkManager')\n"
                          "nm.AddActiveConnection(['%1'], '%2', '/', 'mobile', 1)\n")
               .arg(paths[0], paths[1]));
    PumpFor([&] { return watch.Name() == QLatin1String("Mobile"); });
    EXPECT_EQ(watch.Name(), QStringLiteral("Mobile"));
    EXPECT_EQ(watch.Check().state, LinkState::Down);
    const QString setState = QStringLiteral(
        "nm = Mock('org.freedesktop.NetworkManager', '/org/freedesktop/NetworkManager')\n"
        "nm.SetProperty('/org/freedesktop/NetworkManager/ActiveConnection/mobile',\n"
        "               'org.freedesktop.NetworkManager.Connection.Active', 'State',\n"
        "               dbus.UInt32(%1, variant_level=1))\n");
    bus.Py(setState.arg(2));
    ASSERT_TRUE(Becomes(watch, LinkState::Up));
    EXPECT_EQ(watch.CountedInterface(), QStringLiteral("wwan0"));
    EXPECT_EQ(watch.Check().subject, QStringLiteral("Mobile"));

    // Deactivating ends it.
    bus.Py(setState.arg(3));
    ASSERT_TRUE(Becomes(watch, LinkState::Down));
    EXPECT_TRUE(watch.CountedInterface().isEmpty());

    // The service gone is said once as unusable; back, it is looked at afresh.
    bus.Py(setState.arg(2));
    ASSERT_TRUE(Becomes(watch, LinkState::Up));
    bus.Kill(nm, kNm);
    ASSERT_TRUE(Becomes(watch, LinkState::Unusable));
    EXPECT_EQ(watch.Check().error, ESRCH);
    nm = bus.Start(kNm, {QStringLiteral("--template"), QStringLiteral("networkmanager")});
    ASSERT_NE(nm, nullptr);
    ASSERT_TRUE(Becomes(watch, LinkState::Down));
}

// A look in which one answer came late, failed or was of another shape said nothing of
// the connection: never Down (the running session would end), and the next look after
// the fault reads it again.
TEST(NetworkManagerWatchTest, ALookWithAnAnswerMissingOrSpoiltSaysNothingOfTheConnection) {
    MockBus bus;
    ASSERT_TRUE(bus.Ok());
    QProcess* nm = bus.StartFaultyNetworkManager(QStringLiteral(VINDELOR_SOURCE_DIR), 600);
    ASSERT_NE(nm, nullptr) << "python3-dbus and python3-gi (scripts/deps.sh installs them)";
    ASSERT_TRUE(test::Tell(nm, QStringLiteral("state 2")));
    // The program's test hook: the limit, and the next look as soon after a failed one.
    qputenv("VINDELOR_BUS_ANSWER_MS", "200");
    NetworkManagerWatch watch(QStringLiteral("Mobile"));
    qunsetenv("VINDELOR_BUS_ANSWER_MS");
    // What the window would see: each change as it is told.
    QList<LinkState> seen;
    QObject::connect(&watch, &ConnectionWatch::Changed, [&] { seen << watch.Check().state; });
    ASSERT_TRUE(Becomes(watch, LinkState::Up));
    for (const char* fault : {"late", "error", "type"}) {
        ASSERT_TRUE(test::Tell(nm, QStringLiteral("fault %1").arg(QLatin1String(fault))));
        ASSERT_TRUE(test::Tell(nm, QStringLiteral("poke")));
        seen.clear();
        EXPECT_TRUE(PumpFor([&] { return seen.contains(LinkState::Unknown); })) << fault;
        PumpFor([] { return false; }, 500);  // and the looks that follow it
        EXPECT_FALSE(seen.contains(LinkState::Down)) << fault;
        ASSERT_TRUE(test::Tell(nm, QStringLiteral("fault none")));
        EXPECT_TRUE(Becomes(watch, LinkState::Up)) << fault;
    }
}

// A system bus that takes the connection and never answers is no bus: the watches say so
// within moments, instead of each waiting libdbus's 25 s on the one bus thread.
TEST(NetworkManagerWatchTest, ASilentSystemBusIsNoneAndHoldsNoWatch) {
    test::SilentBus silent;
    ASSERT_TRUE(silent.Ok());
    const QByteArray old = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", silent.Address());
    QElapsedTimer clock;
    clock.start();
    NetworkManagerWatch nm(QStringLiteral("Mobile"));
    ModemManagerModems mm;
    const bool told = PumpFor(
        [&] {
            return nm.Check().state == LinkState::Unusable &&
                   mm.Snapshot().service == ServiceState::NoBus;
        },
        8000);
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", old);
    ASSERT_TRUE(told);
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_EQ(nm.Check().detail, QStringLiteral("NetworkManager is not running"));
}

// The session's link is marked metered in its applied connection and what it had is put
// back; NetworkManager's refusal is said and changes nothing.
TEST(MeteredLinkTest, TheAppliedConnectionIsMarkedThenPutBackAndARefusalIsSaid) {
    MockBus bus;
    ASSERT_TRUE(bus.Ok());
    ASSERT_NE(bus.Start(kNm, {QStringLiteral("--template"), QStringLiteral("networkmanager")}),
              nullptr);
    bus.Py(NmDeviceWithAppliedConnection(QStringLiteral("wwan0")));
    ASSERT_EQ(AppliedMetered(bus), QStringLiteral("2"));  // "no"

    MeteredLink link(2000);
    link.Mark(QStringLiteral("wwan0"));
    ASSERT_TRUE(PumpFor([&] { return link.Marked(); }));
    EXPECT_EQ(AppliedMetered(bus), QStringLiteral("1"));
    link.Restore(3000);
    EXPECT_EQ(AppliedMetered(bus), QStringLiteral("2"));

    bus.Py(QStringLiteral(
        "dev = dbus.Interface(bus.get_object('org.freedesktop.NetworkManager',\n"
        "    '/org/freedesktop/NetworkManager/Devices/wwan'),\n"
        "    'org.freedesktop.DBus.Mock')\n"
        "dev.AddProperty('org.freedesktop.NetworkManager.Device', 'Refuse', True)\n"));
    MeteredLink refused(2000);
    QStringList said;
    QObject::connect(&refused, &MeteredLink::Refused,
                     [&](const QString& name, const QString& reason) { said << name << reason; });
    refused.Mark(QStringLiteral("wwan0"));
    ASSERT_TRUE(PumpFor([&] { return !said.isEmpty(); }));
    EXPECT_EQ(said,
              (QStringList{QStringLiteral("wwan0"), QStringLiteral("Not authorized to reapply")}));
    EXPECT_FALSE(refused.Marked());
    refused.Restore(1000);
    EXPECT_EQ(AppliedMetered(bus), QStringLiteral("2"));
}

// A link NetworkManager does not know when the session asks (it comes up later, or
// NetworkManager is still finding its devices) is marked once NetworkManager has it.
TEST(MeteredLinkTest, ALinkNetworkManagerFindsOnlyLaterIsMarkedThen) {
    MockBus bus;
    ASSERT_TRUE(bus.Ok());
    ASSERT_NE(bus.Start(kNm, {QStringLiteral("--template"), QStringLiteral("networkmanager")}),
              nullptr);
    MeteredLink link(2000, 50);
    link.Mark(QStringLiteral("wwan0"));
    EXPECT_FALSE(PumpFor([&] { return link.Marked(); }, 300));
    bus.Py(NmDeviceWithAppliedConnection(QStringLiteral("wwan0")));
    ASSERT_TRUE(PumpFor([&] { return link.Marked(); }));
    EXPECT_EQ(AppliedMetered(bus), QStringLiteral("1"));
    link.Restore(3000);
    EXPECT_EQ(AppliedMetered(bus), QStringLiteral("2"));
}

// Services that own their names and never answer: the watches say they do not know, the
// first start's question for ModemManager's ports comes back empty after its limit, and
// the thread of the window keeps its 20 ms tick throughout.
TEST(BusServicesTest, HungServicesNeverHoldTheWindowsThread) {
    MockBus bus;
    ASSERT_TRUE(bus.Ok());
    for (const QString& name : {kNm, kMm}) {
        ASSERT_NE(bus.StartProgram(
                      name, QStringLiteral("/usr/bin/python3"),
                      {QStringLiteral("-c"), QStringLiteral("import dbus, time\n"
                                                            "bus = dbus.bus.BusConnection('%1')\n"
                                                            "bus.request_name('%2')\n"
                                                            "time.sleep(600)\n")
                                                 .arg(bus.Address(), name)}),
                  nullptr);
    }
    test::TickGaps tick;
    const QElapsedTimer& clock = tick.clock;
    NetworkManagerWatch nm(QStringLiteral("Mobile"), nullptr, 800);
    ModemManagerWatch mm(QStringLiteral("any"), nullptr, 800);
    int changes = 0;
    QObject::connect(&nm, &ConnectionWatch::Changed, [&] { ++changes; });
    QObject::connect(&mm, &ConnectionWatch::Changed, [&] { ++changes; });
    // Past the answer limit: the watches have heard that the services do not answer.
    ASSERT_TRUE(PumpFor([&] { return changes >= 2; }, 3000));
    EXPECT_EQ(nm.Check().state, LinkState::Unknown);
    EXPECT_EQ(mm.Check().state, LinkState::Unknown);
    EXPECT_GE(clock.elapsed(), 700);

    ModemManagerModems modems(800);
    const qint64 asked = clock.elapsed();
    EXPECT_TRUE(modems.AwaitPorts(5000).isEmpty());
    EXPECT_GE(clock.elapsed() - asked, 700);
    EXPECT_LT(clock.elapsed() - asked, 3000);
    EXPECT_LT(tick.Longest(), 200);
}

// ModemManager's objects, made with dbusmock's generic calls.
QString AddModem(MockBus& bus, int index, const QString& imei, int state, const QString& port) {
    return bus.Py(QStringLiteral(R"(
mm = Mock('org.freedesktop.ModemManager1', '/org/freedesktop/ModemManager1')
path = '/org/freedesktop/ModemManager1/Modem/%1'
bearer = '/org/freedesktop/ModemManager1/Bearer/%1'
mm.AddObject(bearer, 'org.freedesktop.ModemManager1.Bearer',
             {'Interface': 'wwan%1', 'Connected': True}, [])
mm.AddObject(path, 'org.freedesktop.ModemManager1.Modem',
             {'EquipmentIdentifier': '%2', 'Manufacturer': 'Quectel', 'Model': 'EC25',
              'State': dbus.Int32(%3),
              'Ports': dbus.Array([('%4', dbus.UInt32(3)), ('wwan%1', dbus.UInt32(2))],
                                  signature='(su)'),
              'Bearers': dbus.Array([bearer], signature='o')}, [])
print(path)
)")
                      .arg(index)
                      .arg(imei)
                      .arg(state)
                      .arg(port));
}

void SetModemState(MockBus& bus, int index, int state) {
    bus.Py(QStringLiteral("m = dbus.Interface(bus.get_object('org.freedesktop.ModemManager1',\n"
                          "    '/org/freedesktop/ModemManager1/Modem/%1'), "
                          "'org.freedesktop.DBus.Mock')\n"
                          "m.UpdateProperties('org.freedesktop.ModemManager1.Modem',\n"
                          "                   {'State': dbus.Int32(%2)})\n")
               .arg(index)
               .arg(state));
}

QProcess* StartModemManager(MockBus& bus) {
    return bus.Start(kMm,
                     {QStringLiteral("-m"), kMm, QStringLiteral("/org/freedesktop/ModemManager1"),
                      QStringLiteral("org.freedesktop.ModemManager1")});
}

TEST(ModemManagerWatchTest, TheChosenModemConnectedIsTheConnection) {
    MockBus bus;
    ASSERT_TRUE(bus.Ok());
    ASSERT_NE(StartModemManager(bus), nullptr);
    AddModem(bus, 0, QStringLiteral("350000000000001"), 8, QStringLiteral("ttyUSB2"));
    AddModem(bus, 1, QStringLiteral("350000000000002"), 11, QStringLiteral("ttyUSB5"));
    ModemManagerWatch watch(QStringLiteral("350000000000001"));
    ASSERT_TRUE(Becomes(watch, LinkState::Down));  // the other modem's connection is not this
    EXPECT_EQ(watch.Name(), QStringLiteral("Quectel EC25"));
    SetModemState(bus, 0, 11);
    ASSERT_TRUE(Becomes(watch, LinkState::Up));
    PumpFor([&] { return !watch.CountedInterface().isEmpty(); });
    EXPECT_EQ(watch.CountedInterface(), QStringLiteral("wwan0"));
    SetModemState(bus, 0, 8);
    ASSERT_TRUE(Becomes(watch, LinkState::Down));

    ModemManagerWatch any(QStringLiteral("any"));
    ASSERT_TRUE(Becomes(any, LinkState::Up));  // the second modem is connected
}

void SetRegistration(MockBus& bus, int index, const QString& properties, bool add = false) {
    bus.Py(QStringLiteral("m = dbus.Interface(bus.get_object('org.freedesktop.ModemManager1',\n"
                          "    '/org/freedesktop/ModemManager1/Modem/%1'), "
                          "'org.freedesktop.DBus.Mock')\n"
                          "m.%2('org.freedesktop.ModemManager1.Modem.Modem3gpp', {%3})\n")
               .arg(index)
               .arg(add ? QStringLiteral("AddProperties") : QStringLiteral("UpdateProperties"),
                    properties));
}

// Where the connected modem is registered follows Modem3gpp's properties and their
// changes; ModemManager going away leaves it where it was, so no byte moves home.
TEST(ModemManagerWatchTest, RoamingFollowsTheRegistrationAndOutlastsTheServiceGoingAway) {
    MockBus bus;
    ASSERT_TRUE(bus.Ok());
    QProcess* mm = StartModemManager(bus);
    ASSERT_NE(mm, nullptr);
    AddModem(bus, 0, QStringLiteral("350000000000001"), 11, QStringLiteral("ttyUSB2"));
    SetRegistration(bus, 0,
                    QStringLiteral("'RegistrationState': dbus.UInt32(1), 'OperatorCode': '24405', "
                                   "'OperatorName': 'Home'"),
                    true);
    ModemManagerWatch watch(QStringLiteral("any"));
    ASSERT_TRUE(Becomes(watch, LinkState::Up));
    ASSERT_TRUE(
        PumpFor([&] { return watch.ModemRegistration().operatorCode == QLatin1String("24405"); }));
    EXPECT_FALSE(watch.ModemRegistration().roaming);

    for (int roamingState : {5, 7, 10}) {
        SetRegistration(bus, 0,
                        QStringLiteral("'RegistrationState': dbus.UInt32(%1), "
                                       "'OperatorCode': '22801', 'OperatorName': 'Operator'")
                            .arg(roamingState));
        ASSERT_TRUE(PumpFor([&] { return watch.ModemRegistration().roaming; })) << roamingState;
        EXPECT_EQ(watch.ModemRegistration().operatorName, QStringLiteral("Operator"));
        SetRegistration(bus, 0, QStringLiteral("'RegistrationState': dbus.UInt32(1)"));
        ASSERT_TRUE(PumpFor([&] { return !watch.ModemRegistration().roaming; })) << roamingState;
    }

    SetRegistration(bus, 0, QStringLiteral("'RegistrationState': dbus.UInt32(5)"));
    ASSERT_TRUE(PumpFor([&] { return watch.ModemRegistration().roaming; }));
    bus.Kill(mm, kMm);
    ASSERT_TRUE(Becomes(watch, LinkState::Unusable));
    EXPECT_TRUE(watch.ModemRegistration().roaming);
}

// A pseudo-terminal whose slave side stands for a modem port.
struct Pty {
    Pty() {
        char name[64];
        if (::openpty(&master, &slave, name, nullptr, nullptr) == 0) {
            path = QString::fromLocal8Bit(name);
        }
    }
    ~Pty() {
        ::close(master);
        ::close(slave);
    }
    int master = -1;
    int slave = -1;
    QString path;
};

// ModemManager owns one port, a dialer holds another: the first is never opened and is
// a connection only while its modem is connected; the second is busy as always.
TEST(SerialPortWatchTest, APortModemManagerOwnsBesideOneADialerHolds) {
    MockBus bus;
    ASSERT_TRUE(bus.Ok());
    ASSERT_NE(StartModemManager(bus), nullptr);
    Pty managed;
    Pty dialed;
    ASSERT_FALSE(managed.path.isEmpty());
    const QString managedName = managed.path.section(QLatin1Char('/'), -1);
    // ModemManager names a port by its file name under /dev ("ttyUSB2"; a pty's "N").
    AddModem(bus, 0, QStringLiteral("350000000000003"), 8, managedName);

    auto modems = std::make_shared<ModemManagerModems>();
    TComm32 managedComm;
    managedComm.SetCommPort(managed.path);
    SerialPortWatch managedWatch(managedComm, modems);
    const int opens = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(::inotify_add_watch(opens, managed.path.toLocal8Bit().constData(), IN_OPEN), 0);
    ASSERT_TRUE(Becomes(managedWatch, LinkState::Down));
    SetModemState(bus, 0, 11);
    ASSERT_TRUE(Becomes(managedWatch, LinkState::Up));
    SetModemState(bus, 0, 8);
    ASSERT_TRUE(Becomes(managedWatch, LinkState::Down));
    char events[256];
    EXPECT_LT(::read(opens, events, sizeof events), 0) << "ModemManager's port was opened";
    ::close(opens);

    // The dialer's port (our own open stands for pppd's, in a child that keeps it).
    TComm32 dialedComm;
    dialedComm.SetCommPort(dialed.path);
    SerialPortWatch dialedWatch(dialedComm, modems);
    ASSERT_TRUE(Becomes(dialedWatch, LinkState::Down));
    int release[2];
    ASSERT_EQ(::pipe(release), 0);
    const pid_t pppd = ::fork();
    if (pppd == 0) {
        ::close(release[1]);
        const int fd = ::open(dialed.path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        char c;
        while (fd >= 0 && ::read(release[0], &c, 1) > 0) {
        }
        _exit(0);
    }
    ::close(release[0]);
    EXPECT_TRUE(Becomes(dialedWatch, LinkState::Up));
    EXPECT_EQ(managedWatch.Check().state, LinkState::Down);
    ::close(release[1]);
    ::waitpid(pppd, nullptr, 0);
}

// ModemManager tells of every property it changes; only what decides a look (the ports
// it holds, its modems' states) makes the watch look again.
TEST(SerialPortWatchTest, ModemManagerRepeatingItselfIsNoCauseForALook) {
    MockBus bus;
    ASSERT_TRUE(bus.Ok());
    ASSERT_NE(StartModemManager(bus), nullptr);
    Pty managed;
    ASSERT_FALSE(managed.path.isEmpty());
    AddModem(bus, 0, QStringLiteral("350000000000005"), 8,
             managed.path.section(QLatin1Char('/'), -1));
    auto modems = std::make_shared<ModemManagerModems>();
    TComm32 comm;
    comm.SetCommPort(managed.path);
    SerialPortWatch watch(comm, modems);
    ASSERT_TRUE(Becomes(watch, LinkState::Down));
    int published = 0;
    int looks = 0;
    QObject::connect(modems.get(), &ModemManagerModems::Changed, [&] { ++published; });
    QObject::connect(&watch, &ConnectionWatch::Changed, [&] { ++looks; });

    SetModemState(bus, 0, 8);  // told again, the same
    ASSERT_TRUE(PumpFor([&] { return published > 0; }));
    PumpFor([] { return false; }, 200);
    EXPECT_EQ(looks, 0);
    SetModemState(bus, 0, 11);
    EXPECT_TRUE(PumpFor([&] { return looks > 0; }));
    EXPECT_TRUE(Becomes(watch, LinkState::Up));
}

// ModemManager gone, or back without its modems yet (it probes them first), leaves the
// ports it held its own: none is opened meanwhile, and none reads as a connection.
TEST(SerialPortWatchTest, APortModemManagerHeldStaysUnopenedThroughARestartOfTheService) {
    MockBus bus;
    ASSERT_TRUE(bus.Ok());
    QProcess* mm = StartModemManager(bus);
    ASSERT_NE(mm, nullptr);
    Pty managed;
    ASSERT_FALSE(managed.path.isEmpty());
    const QString name = managed.path.section(QLatin1Char('/'), -1);
    AddModem(bus, 0, QStringLiteral("350000000000004"), 8, name);
    auto modems = std::make_shared<ModemManagerModems>();
    TComm32 comm;
    comm.SetCommPort(managed.path);
    SerialPortWatch watch(comm, modems);
    const int opens = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(::inotify_add_watch(opens, managed.path.toLocal8Bit().constData(), IN_OPEN), 0);
    ASSERT_TRUE(Becomes(watch, LinkState::Down));

    bus.Kill(mm, kMm);
    ASSERT_TRUE(PumpFor([&] { return modems->Snapshot().service == ServiceState::Absent; }));
    EXPECT_EQ(watch.Check().state, LinkState::Unknown);
    mm = StartModemManager(bus);
    ASSERT_NE(mm, nullptr);
    ASSERT_TRUE(PumpFor([&] { return modems->Snapshot().service == ServiceState::Running; }));
    EXPECT_EQ(watch.Check().state, LinkState::Down);
    AddModem(bus, 0, QStringLiteral("350000000000004"), 8, name);
    SetModemState(bus, 0, 11);
    EXPECT_TRUE(Becomes(watch, LinkState::Up));
    char events[256];
    EXPECT_LT(::read(opens, events, sizeof events), 0) << "ModemManager's port was opened";
    ::close(opens);
}

}  // namespace
}  // namespace vindelor::watch
