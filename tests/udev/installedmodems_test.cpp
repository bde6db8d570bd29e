// The installed modems in a device tree umockdev makes: which serial devices count, in
// which order, and the real program taking a USB modem on its first start. ctest runs
// these with umockdev's preload library; without it they are skipped.
#include "core/profile.h"
#include "platform/udevmodems.h"
#include "support/mockbus.h"
#include "support/testenv.h"

#include <QDeadlineTimer>
#include <QProcess>

#include <gtest/gtest.h>
#include <umockdev.h>

#include <csignal>

namespace vindelor::test {
namespace {

// A tty below a parent with a driver: the lines of umockdev's device description.
QString Tty(const QString& parent, const QString& name, const QString& dev,
            const QString& extra = {}) {
    return QStringLiteral(
               "P: %1/tty/%2\nN: %2\nE: DEVNAME=/dev/%2\nE: SUBSYSTEM=tty\n"
               "A: dev=%3\n%4\n\n")
        .arg(parent, name, dev, extra);
}

QString Parent(const QString& path, const QString& subsystem, const QString& driver) {
    return QStringLiteral(
               "P: %1\nE: SUBSYSTEM=%2\nE: DRIVER=%3\nL: driver=../../bus/%2/drivers/%3\n\n")
        .arg(path, subsystem, driver);
}

const QString kModemId = QStringLiteral("/dev/serial/by-id/usb-Acme_Modem_123-if00");
const QString kAcm = QStringLiteral("/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0");

// ModemManager's udev rule marks every tty as a candidate.
const QString kCandidate = QStringLiteral("E: ID_MM_CANDIDATE=1\n");

// ttyS0 is a UART that answers, ttyS1 … ttyS3 are the kernel's empty places; beside them
// the console, the pseudo-terminal multiplexer and a virtual terminal.
QString SerialPorts() {
    QString tree;
    for (int n = 0; n < 4; ++n) {
        tree += Tty(QStringLiteral("/devices/platform/serial8250"), QStringLiteral("ttyS%1").arg(n),
                    QStringLiteral("4:%1").arg(64 + n),
                    kCandidate + QStringLiteral("A: type=%1").arg(n == 0 ? 4 : 0));
    }
    for (const char* virtualTty : {"console:5:1", "ptmx:5:2", "tty0:4:0"}) {
        const QStringList parts = QString::fromLatin1(virtualTty).split(QLatin1Char(':'));
        tree += Tty(QStringLiteral("/devices/virtual/tty"), parts[0],
                    parts[1] + QLatin1Char(':') + parts[2], kCandidate);
    }
    return tree + Parent(QStringLiteral("/devices/platform/serial8250"), QStringLiteral("platform"),
                         QStringLiteral("serial8250"));
}

QString UsbModem() {
    return Tty(kAcm, QStringLiteral("ttyACM0"), QStringLiteral("166:0"),
               QStringLiteral("S: serial/by-id/usb-Acme_Modem_123-if00\nE: DEVLINKS=") + kModemId) +
           Parent(kAcm, QStringLiteral("usb"), QStringLiteral("cdc_acm"));
}

class InstalledModems : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!qEnvironmentVariable("LD_PRELOAD").contains(QLatin1String("libumockdev-preload"))) {
            GTEST_SKIP() << "needs umockdev's preload (LD_PRELOAD=libumockdev-preload.so.0, "
                            "as ctest sets it, or umockdev-wrapper)";
        }
        bed = umockdev_testbed_new();
        ASSERT_NE(bed, nullptr);
    }
    void TearDown() override {
        if (bed != nullptr) {
            g_object_unref(bed);
        }
    }
    void Add(const QString& description) {
        GError* error = nullptr;
        const bool added =
            umockdev_testbed_add_from_string(bed, description.toUtf8().constData(), &error);
        ASSERT_TRUE(added) << (error != nullptr ? error->message : "?");
    }

    UMockdevTestbed* bed = nullptr;
};

TEST_F(InstalledModems, ModemsAndAdaptersCountInPathOrder) {
    const QString usb = QStringLiteral("/devices/pci0000:00/0000:00:14.0/usb1/1-3/1-3:1.%1");
    Add(SerialPorts());
    Add(UsbModem());
    // An option port below its usb-serial device, an adapter, and a device that only
    // ModemManager knows as a modem (it counts once ModemManager lists it among its
    // modems' ports). Numbered so that text order would put 10 before 2.
    Add(Tty(usb.arg(0) + QStringLiteral("/ttyUSB10"), QStringLiteral("ttyUSB10"),
            QStringLiteral("188:10")) +
        Parent(usb.arg(0) + QStringLiteral("/ttyUSB10"), QStringLiteral("usb-serial"),
               QStringLiteral("option1")) +
        Parent(usb.arg(0), QStringLiteral("usb"), QStringLiteral("option")));
    Add(Tty(usb.arg(1), QStringLiteral("ttyUSB2"), QStringLiteral("188:2")) +
        Parent(usb.arg(1), QStringLiteral("usb"), QStringLiteral("ftdi_sio")));
    Add(Tty(usb.arg(2), QStringLiteral("ttyUSB3"), QStringLiteral("188:3"), kCandidate) +
        Parent(usb.arg(2), QStringLiteral("usb"), QStringLiteral("usbfs")));

    const auto paths = [](const QStringList& managerPorts) {
        QStringList found;
        for (const platform::InstalledModem& m : platform::ListInstalledModems(managerPorts)) {
            found << m.path;
        }
        return found;
    };
    EXPECT_EQ(paths({}), (QStringList{kModemId, QStringLiteral("/dev/ttyUSB2"),
                                      QStringLiteral("/dev/ttyUSB10")}));
    // What ModemManager lists counts; its tags on the console and empty places do not.
    EXPECT_EQ(
        paths({QStringLiteral("ttyUSB3"), QStringLiteral("console"), QStringLiteral("ttyS1")}),
        (QStringList{kModemId, QStringLiteral("/dev/ttyUSB2"), QStringLiteral("/dev/ttyUSB3"),
                     QStringLiteral("/dev/ttyUSB10")}));
    platform::UdevModemLookup lookup;
    EXPECT_EQ(lookup.AttachedTo(QStringLiteral("0000")), kModemId);
    EXPECT_EQ(lookup.AttachedTo(QStringLiteral("0001")), QStringLiteral("/dev/ttyUSB2"));
    EXPECT_EQ(lookup.AttachedTo(QStringLiteral("0002")), QString());
}

// Runs the real program on a first start until it says which port it waits on; its
// first line of output.
QString FirstStartOutput() {
    ScopedDataDir data;
    QTemporaryDir locks;
    EXPECT_TRUE(WriteProfileString(QStringLiteral("Språk"), QStringLiteral("Språk"),
                                   QStringLiteral("UK"), kSettingsFile));
    QProcess vindelor;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();  // the preload too
    env.insert(QStringLiteral("VINDELOR_DIR"), data.path());
    env.insert(QStringLiteral("VINDELOR_LOCK_DIR"), locks.path());
    vindelor.setProcessEnvironment(env);
    vindelor.start(QStringLiteral(VINDELOR_BINARY_DIR "/monitor/vindelor"), {});
    EXPECT_TRUE(vindelor.waitForStarted(5000));
    QString out;
    QDeadlineTimer deadline(15000);
    while (!out.contains(QLatin1Char('\n')) && !deadline.hasExpired() &&
           vindelor.state() == QProcess::Running) {
        vindelor.waitForReadyRead(100);
        out += QString::fromLocal8Bit(vindelor.readAllStandardOutput());
    }
    if (vindelor.state() == QProcess::Running) {
        ::kill(static_cast<pid_t>(vindelor.processId()), SIGTERM);
    }
    EXPECT_TRUE(vindelor.waitForFinished(5000));
    ClearProfileCache();
    // The first COM whose device is not there (COM2: ttyS1 has no UART) leads to the
    // modem from now on.
    if (out.contains(QStringLiteral("waiting for a connection on COM2"))) {
        EXPECT_EQ(GetProfileString(QStringLiteral("Modem"), QStringLiteral("Port"),
                                   QStringLiteral("<none>"), 200, kSettingsFile),
                  QStringLiteral("COM2"));
        EXPECT_EQ(GetProfileString(QStringLiteral("Ports"), QStringLiteral("COM1"),
                                   QStringLiteral("<none>"), 200, kSettingsFile),
                  QStringLiteral("<none>"));
    }
    return out + QString::fromLocal8Bit(vindelor.readAllStandardError());
}

TEST_F(InstalledModems, FirstStartTakesTheUsbModemWithoutAsking) {
    Add(SerialPorts());
    Add(UsbModem());
    // No system bus: no ModemManager to ask.
    const QByteArray old = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/bus");
    const QString out = FirstStartOutput();
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", old);
    EXPECT_TRUE(out.contains(QStringLiteral("waiting for a connection on COM2 (") + kModemId))
        << out.toStdString();
}

// A modem with a driver of no modem's (here usbfs) is found once ModemManager lists its
// port, and ModemManager is asked without holding the start.
TEST_F(InstalledModems, FirstStartTakesAModemOnlyModemManagerKnows) {
    const QString usb = QStringLiteral("/devices/pci0000:00/0000:00:14.0/usb1/1-4/1-4:1.0");
    Add(SerialPorts());
    Add(Tty(usb, QStringLiteral("ttyUSB3"), QStringLiteral("188:3"), kCandidate) +
        Parent(usb, QStringLiteral("usb"), QStringLiteral("usbfs")));
    MockBus bus;
    ASSERT_TRUE(bus.Ok());
    const QString mm = QStringLiteral("org.freedesktop.ModemManager1");
    ASSERT_NE(
        bus.Start(mm, {QStringLiteral("-m"), mm, QStringLiteral("/org/freedesktop/ModemManager1"),
                       QStringLiteral("org.freedesktop.ModemManager1")}),
        nullptr);
    ASSERT_EQ(bus.Py(QStringLiteral(R"(
mm = Mock('org.freedesktop.ModemManager1', '/org/freedesktop/ModemManager1')
mm.AddObject('/org/freedesktop/ModemManager1/Modem/0', 'org.freedesktop.ModemManager1.Modem',
             {'EquipmentIdentifier': '350000000000009', 'State': dbus.Int32(8),
              'Ports': dbus.Array([('ttyUSB3', dbus.UInt32(3))], signature='(su)')}, [])
print('added')
)")),
              QStringLiteral("added"));
    const QString out = FirstStartOutput();
    EXPECT_TRUE(out.contains(QStringLiteral("waiting for a connection on COM2 (/dev/ttyUSB3)")))
        << out.toStdString();
}

}  // namespace
}  // namespace vindelor::test
