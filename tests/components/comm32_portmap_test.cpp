// "COM1" … "COM4" lead to the devices the settings file names, other names are paths.
#include "components/comm32.h"
#include "components/portmap.h"
#include "components/test/fakeserial.h"
#include "shared/profile.h"
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

}  // namespace
}  // namespace vindelor
