// The installed modems as udev knows them: this platform's stand-in for the registry's
// modem entries "0000" and "0001". Also the device checks that give a found modem a
// COM name.
#pragma once

#include "platform/services.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace vindelor::platform {

struct InstalledModem {
    QString node;  // the device node, e.g. /dev/ttyACM0
    QString path;  // its /dev/serial/by-id link (stable across replugs), else the node
};

// Serial devices whose driver is a modem or USB-serial driver (on USB or PCI), and those
// ModemManager lists as its modems' ports (`managerPorts`: names under /dev, "ttyUSB2"),
// ordered by path (numbers compared as numbers), so the order is the same from start to
// start and does not follow the order of plugging in. Never a console, /dev/ptmx or a
// serial place without a UART: ModemManager's udev rule marks every tty as a candidate
// (ID_MM_CANDIDATE), so that tag says nothing.
std::vector<InstalledModem> ListInstalledModems(const QStringList& managerPorts = {});

// Whether a modem or USB-serial driver (cdc_acm, option, qcserial, ftdi_sio, …) is named.
bool IsModemDriver(const QString& driver);

// "0000" and "0001" are the first and second installed modem; the result is the
// modem's path (see InstalledModem), empty when there is no such modem.
class UdevModemLookup : public ModemLookup {
  public:
    QString AttachedTo(const QString& subkey, const QStringList& managerPorts = {}) override;
};

// Whether the device is there: a character device, and not one of the serial ports the
// kernel registers whether or not a UART answers at its address (sysfs "type" 0).
bool SerialDevicePresent(const QString& path);
// Whether both paths lead, through any links, to the same character device.
bool SameSerialDevice(const QString& a, const QString& b);

}  // namespace vindelor::platform
