// Which device stands behind "COM1" … "COM4". The settings file maps them, section
// "Ports", keys "COM1" … "COM4" (defaults /dev/ttyS0 … /dev/ttyS3), so USB and virtual
// modems work too.
#pragma once

#include <QString>

namespace vindelor {

// Any name other than COM1 … COM4 (case-insensitive) is returned as is.
QString DeviceForPort(const QString& commPort);

// The COM name for a device the modem look-up found: the first of COM1 … COM4 whose
// entry already leads to the same device keeps its name; else the first whose own
// device is not there is to be given the device (`assign`: write the entry once the
// port is taken). An empty name when every port leads to another device.
struct PortForDevice {
    QString name;
    bool assign = false;
};
PortForDevice PortNameForDevice(const QString& device);

}  // namespace vindelor
