// Plans end to end: the real vindelor, each plan in its own folder, following mocked
// NetworkManager and ModemManager services on a private bus (python3-dbusmock).
#include "core/plans.h"
#include "core/profile.h"
#include "platform/datadir.h"
#include "support/mockbus.h"
#include "support/testenv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <initializer_list>
#include <tuple>

namespace vindelor::test {
namespace {

const QString kVindelor = QStringLiteral(VINDELOR_BINARY_DIR "/monitor/vindelor");
const QString kNm = QStringLiteral("org.freedesktop.NetworkManager");
const QString kMm = QStringLiteral("org.freedesktop.ModemManager1");

class PlansEndToEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(QFile::exists(kVindelor));
        ASSERT_TRUE(bus.Ok()) << "dbus-daemon (scripts/deps.sh installs it)";
        // Sessions of a few seconds count, and nobody has to close a summary.
        using Row = std::tuple<const char*, const char*, const char*>;
        for (const auto& [section, key, value] :
             std::initializer_list<Row>{{"Avsluta", "Visa", "Nej"},
                                        {"Session", "<1min", "Ja"},
                                        {"Connect", "average", "0"},
                                        {"Språk", "Språk", "UK"}}) {
            ASSERT_TRUE(WriteProfileString(QString::fromUtf8(section), QString::fromUtf8(key),
                                           QString::fromUtf8(value), kSettingsFile));
        }
    }
    void TearDown() override {
        // SIGTERM first: --all-plans then ends its runs, which a kill would leave behind.
        if (vindelor.state() != QProcess::NotRunning) {
            vindelor.terminate();
            if (!vindelor.waitForFinished(15000)) {
                vindelor.kill();
                vindelor.waitForFinished(3000);
            }
        }
    }
    // A plan made as the Plans page makes it, then given its link and tariff.
    void MakePlan(const QString& plan, const QString& linkKey, const QString& link,
                  const QString& perMinute) {
        ASSERT_EQ(CreatePlan(plan), 0);
        const QString ini = platform::PlanDirectory(plan) + QLatin1Char('/') + kSettingsFile;
        ASSERT_TRUE(WriteProfileString(QStringLiteral("Connection"), linkKey, link, ini));
        ASSERT_TRUE(WriteProfileString(QStringLiteral("Charge"), QStringLiteral("per_min"),
                                       perMinute, ini));
    }
    void Start(const QStringList& args) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VINDELOR_DIR"), data.path());
        env.insert(QStringLiteral("VINDELOR_LOCK_DIR"), locks.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        vindelor.setProcessEnvironment(env);
        vindelor.start(kVindelor, args);
        ASSERT_TRUE(vindelor.waitForStarted(5000));
    }
    // Waits until `text` has been printed `times` times in all.
    bool Printed(const QString& text, int times = 1, int timeoutMs = 15000) {
        return PumpFor(
            [&] {
                vindelor.waitForReadyRead(5);
                out += QString::fromLocal8Bit(vindelor.readAllStandardOutput());
                return out.count(text) >= times;
            },
            timeoutMs);
    }
    QStringList LogLines(const QString& plan) {
        ClearProfileCache();
        const ProfileSnapshot log(platform::PlanDirectory(plan) + QLatin1Char('/') + kLogFile);
        QStringList lines;
        for (const auto& [key, line] : log.NumberedValues(QString::fromUtf8("Nättid"))) {
            lines << line;
        }
        return lines;
    }

    ScopedDataDir data;
    QTemporaryDir locks;
    MockBus bus;
    QProcess vindelor;
    QString out;
};

// The cost a log line carries: "DD.MM.YYYY hh:mm:ss-hh:mm:ss^   6.0000".
QString Cost(const QString& line) {
    return line.section(QLatin1Char('^'), 1).trimmed();
}

TEST_F(PlansEndToEnd, TwoLinksUpAtOnceAreTwoSessionsEachInItsOwnPlanAtItsOwnTariff) {
    ASSERT_NE(bus.Start(kNm, {QStringLiteral("--template"), QStringLiteral("networkmanager")}),
              nullptr)
        << "python3-dbusmock (scripts/deps.sh installs it)";
    const QStringList made = bus.Py(QStringLiteral(R"(
nm = Mock('org.freedesktop.NetworkManager', '/org/freedesktop/NetworkManager')
s = dbus.Interface(bus.get_object('org.freedesktop.NetworkManager',
                                  '/org/freedesktop/NetworkManager/Settings'),
                   'org.freedesktop.NetworkManager.Settings')
print(nm.AddEthernetDevice('wwan', 'wwan0', 30),
      s.AddConnection({'connection': {'id': 'Mobile', 'type': 'gsm'}}),
      nm.AddEthernetDevice('usb', 'usb0', 30),
      s.AddConnection({'connection': {'id': 'Hotspot', 'type': 'ethernet'}}))
)"))
                                 .split(QLatin1Char(' '));
    ASSERT_EQ(made.size(), 4) << made.join(' ').toStdString();
    // The default plan waits for an interface that never comes: its run stays idle.
    ASSERT_TRUE(WriteProfileString(QStringLiteral("Connection"), QStringLiteral("Interface"),
                                   QStringLiteral("vdnone0"), kSettingsFile));
    MakePlan(QStringLiteral("Mobile plan"), QStringLiteral("NetworkManager"),
             QStringLiteral("Mobile"), QStringLiteral("6.00"));
    MakePlan(QStringLiteral("Phone"), QStringLiteral("NetworkManager"), QStringLiteral("Hotspot"),
             QStringLiteral("60.00"));

    Start({QStringLiteral("--all-plans")});
    ASSERT_TRUE(
        Printed(QStringLiteral("waiting for a connection on NetworkManager connection Mobile")) &&
        Printed(QStringLiteral("waiting for a connection on NetworkManager connection Hotspot")) &&
        Printed(QStringLiteral("waiting for a connection on interface vdnone0")))
        << out.toStdString();

    const QString activate = QStringLiteral(
        "nm = Mock('org.freedesktop.NetworkManager', '/org/freedesktop/NetworkManager')\n"
        "nm.AddActiveConnection(['%1'], '%2', '/', '%3', 2)\n");
    const QString deactivate = QStringLiteral(
        "nm = Mock('org.freedesktop.NetworkManager', '/org/freedesktop/NetworkManager')\n"
        "nm.SetProperty('/org/freedesktop/NetworkManager/ActiveConnection/%1',\n"
        "    'org.freedesktop.NetworkManager.Connection.Active', 'State',\n"
        "    dbus.UInt32(4, variant_level=1))\n");
    bus.Py(activate.arg(made[0], made[1], QStringLiteral("m")));
    ASSERT_TRUE(Printed(QStringLiteral("Session started"))) << out.toStdString();
    bus.Py(activate.arg(made[2], made[3], QStringLiteral("h")));
    ASSERT_TRUE(Printed(QStringLiteral("Session started"), 2)) << out.toStdString();
    // Side by side past their first whole minute, which each plan charges at its price.
    WaitFor([] { return false; }, 62000);
    bus.Py(deactivate.arg(QStringLiteral("m")));
    ASSERT_TRUE(Printed(QStringLiteral("Session ended"))) << out.toStdString();
    bus.Py(deactivate.arg(QStringLiteral("h")));
    ASSERT_TRUE(Printed(QStringLiteral("Session ended"), 2)) << out.toStdString();
    // Each run ended after its session and waits again.
    ASSERT_TRUE(
        Printed(QStringLiteral("waiting for a connection on NetworkManager connection Hotspot"), 2))
        << out.toStdString();

    const QStringList mobile = LogLines(QStringLiteral("Mobile plan"));
    const QStringList phone = LogLines(QStringLiteral("Phone"));
    ASSERT_EQ(mobile.size(), 1) << out.toStdString();
    ASSERT_EQ(phone.size(), 1) << out.toStdString();
    EXPECT_TRUE(LogLines(QString()).isEmpty()) << "nothing in the default plan's log";
    EXPECT_EQ(Cost(mobile[0]), QStringLiteral("6.0000")) << out.toStdString();
    EXPECT_EQ(Cost(phone[0]), QStringLiteral("60.0000")) << out.toStdString();

    // The end of the runs: each run ends in peace, and the program with them.
    ::kill(static_cast<pid_t>(vindelor.processId()), SIGTERM);
    ASSERT_TRUE(vindelor.state() == QProcess::NotRunning || vindelor.waitForFinished(15000));
    EXPECT_EQ(vindelor.exitCode(), 0);
    EXPECT_FALSE(PlanInUse(QStringLiteral("Phone"))) << "its run is gone";
}

TEST_F(PlansEndToEnd, APlanBoundToASimFollowsItIntoAnotherModem) {
    ASSERT_NE(bus.Start(kMm, {QStringLiteral("-m"), kMm,
                              QStringLiteral("/org/freedesktop/ModemManager1"), kMm}),
              nullptr)
        << "python3-dbusmock (scripts/deps.sh installs it)";
    const QString iccid = QStringLiteral("8935801234567890123");
    bus.Py(QStringLiteral(R"(
mm = Mock('org.freedesktop.ModemManager1', '/org/freedesktop/ModemManager1')
mm.AddObject('/org/freedesktop/ModemManager1/SIM/0', 'org.freedesktop.ModemManager1.Sim',
             {'SimIdentifier': '%1'}, [])
def modem(n, sim):
    mm.AddObject('/org/freedesktop/ModemManager1/Modem/%d' % n,
                 'org.freedesktop.ModemManager1.Modem',
                 {'EquipmentIdentifier': '35000000000000%d' % n, 'Manufacturer': 'Maker',
                  'Model': 'M%d' % n, 'State': dbus.Int32(8),
                  'Sim': dbus.ObjectPath(sim),
                  'Ports': dbus.Array([], signature='(su)'),
                  'Bearers': dbus.Array([], signature='o')}, [])
modem(0, '/org/freedesktop/ModemManager1/SIM/0')
modem(1, '/')
)")
               .arg(iccid));
    MakePlan(QStringLiteral("Travel"), QStringLiteral("SIM"), iccid, QStringLiteral("6.00"));
    Start({QStringLiteral("--plan"), QStringLiteral("Travel")});
    ASSERT_TRUE(Printed(QStringLiteral("waiting for a connection on modem"))) << out.toStdString();

    const QString update = QStringLiteral(
        "m = Mock('org.freedesktop.ModemManager1', '/org/freedesktop/ModemManager1/Modem/%1')\n"
        "m.UpdateProperties('org.freedesktop.ModemManager1.Modem', {%2})\n");
    const QString putSim = QStringLiteral(
        "p = dbus.Interface(bus.get_object('org.freedesktop.ModemManager1',\n"
        "    '/org/freedesktop/ModemManager1/Modem/%1'), 'org.freedesktop.DBus.Properties')\n"
        "p.Set('org.freedesktop.ModemManager1.Modem', 'Sim', dbus.ObjectPath('%2'))\n");
    // The card goes into the other modem; the one it left connects without it.
    bus.Py(putSim.arg(QStringLiteral("0"), QStringLiteral("/")) +
           putSim.arg(QStringLiteral("1"), QStringLiteral("/org/freedesktop/ModemManager1/SIM/0")) +
           update.arg(QStringLiteral("0"), QStringLiteral("'State': dbus.Int32(11)")));
    EXPECT_FALSE(Printed(QStringLiteral("Session started"), 1, 2000))
        << "the modem without the plan's SIM is not its link: " << out.toStdString();
    bus.Py(update.arg(QStringLiteral("1"), QStringLiteral("'State': dbus.Int32(11)")));
    ASSERT_TRUE(Printed(QStringLiteral("Session started"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("on modem Maker M1"))) << out.toStdString();
    bus.Py(update.arg(QStringLiteral("1"), QStringLiteral("'State': dbus.Int32(8)")));
    ASSERT_TRUE(Printed(QStringLiteral("Session ended"))) << out.toStdString();
    ASSERT_TRUE(vindelor.state() == QProcess::NotRunning || vindelor.waitForFinished(10000));
    EXPECT_EQ(vindelor.exitCode(), 0) << out.toStdString();
    EXPECT_EQ(LogLines(QStringLiteral("Travel")).size(), 1) << out.toStdString();
    EXPECT_TRUE(LogLines(QString()).isEmpty());
}

TEST_F(PlansEndToEnd, ABadPlanNameIsRefusedInTheUsersLanguageBeforeAnyFileIsTouched) {
    ASSERT_TRUE(WriteProfileString(QStringLiteral("Språk"), QStringLiteral("Språk"),
                                   QStringLiteral("SF"), kSettingsFile));
    const QByteArray before = ReadFileBytes(data.file(kSettingsFile));
    const QStringList entries =
        QDir(data.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    // A name beside the data directory that nothing else has, so that its absence
    // afterwards says the run made nothing there.
    const QString name =
        QStringLiteral("../") + QFileInfo(data.path()).fileName() + QStringLiteral("-plan");
    Start({QStringLiteral("--plan"), name});
    ASSERT_TRUE(vindelor.waitForFinished(10000));
    EXPECT_EQ(vindelor.exitCode(), 2);
    const QString err = QString::fromLocal8Bit(vindelor.readAllStandardError());
    EXPECT_TRUE(err.contains(QStringLiteral("\"%1\" ei kelpaa liittymän nimeksi").arg(name)))
        << err.toStdString();
    EXPECT_EQ(QDir(data.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              entries);
    EXPECT_EQ(ReadFileBytes(data.file(kSettingsFile)), before);
    EXPECT_FALSE(QFile::exists(data.path() + QLatin1Char('/') + name));
}

}  // namespace
}  // namespace vindelor::test
