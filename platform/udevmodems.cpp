#include "platform/udevmodems.h"

#include <libudev.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <cstdio>

namespace vindelor::platform {

namespace {

// Path order with runs of digits compared as numbers: ttyUSB2 before ttyUSB10.
bool NaturalLess(const QString& a, const QString& b) {
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype ei = i;
            qsizetype ej = j;
            while (ei < a.size() && a[ei].isDigit()) {
                ++ei;
            }
            while (ej < b.size() && b[ej].isDigit()) {
                ++ej;
            }
            const qulonglong x = a.mid(i, ei - i).toULongLong();
            const qulonglong y = b.mid(j, ej - j).toULongLong();
            if (x != y) {
                return x < y;
            }
            i = ei;
            j = ej;
            continue;
        }
        if (a[i] != b[j]) {
            return a[i] < b[j];
        }
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

QString Utf8(const char* text) {
    return text != nullptr ? QString::fromUtf8(text) : QString();
}

// A tty's driver sits on a parent: the USB interface (cdc_acm, option) or the
// usb-serial port below it (option1, ftdi_sio). The whole USB device ends the search.
bool HasModemDriver(udev_device* device) {
    udev_device* d = device;
    for (int depth = 0; d != nullptr && depth < 4; ++depth) {
        if (IsModemDriver(Utf8(udev_device_get_driver(d)))) {
            return true;
        }
        const char* type = udev_device_get_devtype(d);
        if (type != nullptr && QLatin1String(type) == QLatin1String("usb_device")) {
            break;
        }
        d = udev_device_get_parent(d);  // owned by the child
    }
    return false;
}

QString ByIdLink(udev_device* device) {
    QStringList links;
    for (const QString& link :
         Utf8(udev_device_get_property_value(device, "DEVLINKS")).split(QLatin1Char(' '))) {
        if (link.startsWith(QLatin1String("/dev/serial/by-id/"))) {
            links << link;
        }
    }
    std::sort(links.begin(), links.end(), NaturalLess);
    return links.value(0);
}

// Consoles, the pseudo-terminal multiplexer and virtual terminals: never a modem.
bool NeverAModem(const QString& node) {
    static const QRegularExpression kConsoles(
        QStringLiteral("^/dev/(console|ptmx|tty|tty[0-9]+|vcs.*|ttyprintk)$"));
    return kConsoles.match(node).hasMatch();
}

bool StatChar(const QString& path, struct stat* st) {
    const QByteArray local = QFile::encodeName(path);
    return !local.isEmpty() && ::stat(local.constData(), st) == 0 && S_ISCHR(st->st_mode);
}

}  // namespace

bool IsModemDriver(const QString& driver) {
    static const char* const kDrivers[] = {
        // modems
        "cdc_acm", "option", "option1", "qcserial", "sierra", "hso", "zte_ev", "moto_modem",
        "nozomi",
        // USB-serial adapters an external modem is plugged into
        "ftdi_sio", "pl2303", "cp210x", "ch341", "ch341-uart", "ark3116", "oti6858", "mos7720",
        "mos7840", "ti_usb_3410_5052", "cypress_m8", "spcp8x5", "mct_u232", "keyspan",
        "digi_acceleport", "belkin_sa", "io_edgeport", "io_ti", "kl5kusb105", "mxuport", "f81232",
        "f81534", "usbserial_generic"};
    for (const char* name : kDrivers) {
        if (driver == QLatin1String(name)) {
            return true;
        }
    }
    return false;
}

std::vector<InstalledModem> ListInstalledModems(const QStringList& managerPorts) {
    std::vector<InstalledModem> found;
    udev* context = udev_new();
    if (context == nullptr) {
        return found;
    }
    udev_enumerate* scan = udev_enumerate_new(context);
    if (scan != nullptr && udev_enumerate_add_match_subsystem(scan, "tty") >= 0 &&
        udev_enumerate_scan_devices(scan) >= 0) {
        udev_list_entry* entry = nullptr;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(scan)) {
            udev_device* device =
                udev_device_new_from_syspath(context, udev_list_entry_get_name(entry));
            if (device == nullptr) {
                continue;
            }
            const QString node = Utf8(udev_device_get_devnode(device));
            const bool managed = managerPorts.contains(node.mid(5));
            // A serial place the kernel registers whether or not a UART answers there
            // has the port type 0 (PORT_UNKNOWN).
            const bool noUart =
                Utf8(udev_device_get_sysattr_value(device, "type")) == QLatin1String("0");
            if (!node.isEmpty() && !NeverAModem(node) && !noUart &&
                (managed || HasModemDriver(device))) {
                const QString link = ByIdLink(device);
                found.push_back({node, link.isEmpty() ? node : link});
            }
            udev_device_unref(device);
        }
    }
    udev_enumerate_unref(scan);
    udev_unref(context);
    std::sort(found.begin(), found.end(), [](const InstalledModem& a, const InstalledModem& b) {
        return NaturalLess(a.path, b.path);
    });
    return found;
}

QString UdevModemLookup::AttachedTo(const QString& subkey, const QStringList& managerPorts) {
    const int index = subkey == QLatin1String("0000")   ? 0
                      : subkey == QLatin1String("0001") ? 1
                                                        : -1;
    if (index < 0) {
        return {};
    }
    const std::vector<InstalledModem> modems = ListInstalledModems(managerPorts);
    return index < static_cast<int>(modems.size()) ? modems[static_cast<std::size_t>(index)].path
                                                   : QString();
}

bool SerialDevicePresent(const QString& path) {
    struct stat st;
    if (!StatChar(path, &st)) {
        return false;
    }
    char type[64];
    std::snprintf(type, sizeof type, "/sys/dev/char/%u:%u/type", ::major(st.st_rdev),
                  ::minor(st.st_rdev));
    QFile file(QString::fromLatin1(type));
    if (!file.open(QIODevice::ReadOnly)) {
        return true;  // not a serial port of the kind that is registered unconditionally
    }
    return file.readAll().trimmed() != "0";
}

bool SameSerialDevice(const QString& a, const QString& b) {
    struct stat sa;
    struct stat sb;
    // Device number 0:0 is no device (major 0 is never a character driver's).
    return StatChar(a, &sa) && StatChar(b, &sb) && sa.st_rdev != 0 && sa.st_rdev == sb.st_rdev;
}

}  // namespace vindelor::platform
