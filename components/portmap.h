// Which device stands behind "COM1" … "COM4". The settings file maps them, section
// "Ports", keys "COM1" … "COM4" (defaults /dev/ttyS0 … /dev/ttyS3), so USB and virtual
// modems work too.
#pragma once

#include <QString>

namespace vindelor {

// Any name other than COM1 … COM4 (case-insensitive) is returned as is.
QString DeviceForPort(const QString& commPort);

}  // namespace vindelor
