#include "components/portmap.h"

#include "shared/profile.h"

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

}  // namespace vindelor
