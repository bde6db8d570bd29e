#include "components/portmap.h"

#include "core/profile.h"
#include "platform/udevmodems.h"

namespace vindelor {

QString DeviceForPort(const QString& commPort) {
    const QString name = commPort.trimmed();
    if (name.size() == 4 && name.startsWith(QLatin1String("COM"), Qt::CaseInsensitive) &&
        name[3] >= QLatin1Char('1') && name[3] <= QLatin1Char('4')) {
        const int index = name[3].digitValue() - 1;
        const QString key = QStringLiteral("COM") + name[3];
        const QString fallback = QStringLiteral("/dev/ttyS") + QString::number(index);
        const QString device =
            GetProfileString(QStringLiteral("Ports"), key, fallback, 256, kSettingsFile);
        return device.isEmpty() ? fallback : device;
    }
    return commPort;
}

PortForDevice PortNameForDevice(const QString& device) {
    QString firstAbsent;
    for (int n = 1; n <= 4; ++n) {
        const QString name = QStringLiteral("COM%1").arg(n);
        const QString own = DeviceForPort(name);
        if (own == device || platform::SameSerialDevice(own, device)) {
            return {name, false};
        }
        if (firstAbsent.isEmpty() && !platform::SerialDevicePresent(own)) {
            firstAbsent = name;
        }
    }
    return {firstAbsent, !firstAbsent.isEmpty()};
}

}  // namespace vindelor
