// "COM1" … "COM4" lead to the devices the settings file names, other names are paths.
#include "comm32_testutil.h"
#include "components/comm32.h"
#include "components/portmap.h"
#include "components/test/fakeserial.h"
#include "core/profile.h"
#include "support/testenv.h"

#include <gtest/gtest.h>

namespace vindelor {
namespace {

TEST(PortMap, SettingsNameTheDevicesWithSerialDefaults) {
    test::ScopedDataDir data;
    ASSERT_TRUE(WriteProfileString(QStringLiteral("Ports"), QStringLiteral("COM3"),
                                   QStringLiteral("/dev/ttyUSB0"), kSettingsFile));
    ClearProfileCache();
    const std::pair<const char*, const char*> cases[] = {
        {"COM1", "/dev/ttyS0"}, {"COM2", "/dev/ttyS1"}, {"com3", "/dev/ttyUSB0"},
        {"COM4", "/dev/ttyS3"}, {"COM5", "COM5"},       {"/dev/pts/7", "/dev/pts/7"},
        {"COM", "COM"},
    };
    for (const auto& [port, device] : cases) {
        EXPECT_EQ(DeviceForPort(QString::fromLatin1(port)), QString::fromLatin1(device)) << port;
    }
}

TEST(PortMap, OpenPortUsesTheMappedDevice) {
    test::ScopedDataDir data;
    test::ScopedSerialFactory port;
    ASSERT_TRUE(WriteProfileString(QStringLiteral("Ports"), QStringLiteral("COM1"),
                                   QStringLiteral("/dev/ttyACM0"), kSettingsFile));
    ClearProfileCache();
    TComm32 comm;
    comm.SetCommPort(QStringLiteral("COM1"));
    ASSERT_TRUE(comm.OpenPort());
    comm.ClosePort();
    EXPECT_EQ(port.factory.lastPath, QStringLiteral("/dev/ttyACM0"));
}

TEST(PortMap, FoundDeviceKeepsItsNameElseTakesTheFirstPortWithoutADevice) {
    test::ScopedDataDir data;
    test::Pty modem;
    test::Pty other;
    ASSERT_TRUE(modem.Ok() && other.Ok());
    // A stable name of the modem, as udev makes under /dev/serial/by-id.
    const QString link = data.file(QStringLiteral("usb-Acme_Modem-if00"));
    ASSERT_TRUE(QFile::link(modem.Slave(), link));
    const auto ports = [](const QString& com1, const QString& com2, const QString& com3,
                          const QString& com4) {
        const QString values[] = {com1, com2, com3, com4};
        for (int n = 1; n <= 4; ++n) {
            WriteProfileString(QStringLiteral("Ports"), QStringLiteral("COM%1").arg(n),
                               values[n - 1], kSettingsFile);
        }
    };
    const QString gone = data.file(QStringLiteral("ttyUSB9"));
    // COM3 leads there through its link: it keeps the name although COM2 is free.
    ports(other.Slave(), gone, link, gone);
    PortForDevice found = PortNameForDevice(modem.Slave());
    EXPECT_EQ(found.name, QStringLiteral("COM3"));
    EXPECT_FALSE(found.assign);
    // The link itself was found and the entry names the node.
    ports(other.Slave(), modem.Slave(), gone, gone);
    found = PortNameForDevice(link);
    EXPECT_EQ(found.name, QStringLiteral("COM2"));
    EXPECT_FALSE(found.assign);
    // Nothing leads there: the first port whose device is not there.
    ports(other.Slave(), other.Slave(), gone, gone);
    found = PortNameForDevice(link);
    EXPECT_EQ(found.name, QStringLiteral("COM3"));
    EXPECT_TRUE(found.assign);
    // Every port leads to another device that is there.
    ports(other.Slave(), other.Slave(), other.Slave(), other.Slave());
    EXPECT_TRUE(PortNameForDevice(link).name.isEmpty());
}

}  // namespace
}  // namespace vindelor
