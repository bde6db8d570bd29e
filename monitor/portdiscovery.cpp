#include "monitor/portdiscovery.h"

#include "components/comm32.h"
#include "components/portmap.h"
#include "core/profile.h"
#include "core/sessionglobals.h"
#include "platform/services.h"

namespace vindelor::monitor {

namespace {

// A device path found by the look-up that is to get the COM name `name`: the [Ports]
// entry is written only when the port is taken, so a busy modem leaves no trace.
struct PendingAssignment {
    QString name;
    QString device;
};
PendingAssignment& Pending() {
    static PendingAssignment pending;
    return pending;
}

void ClearChoice() {
    SessionGlobals().PortChoice.fill(false);
}

// CommPort follows the flags in order 1 … 4, so the highest one stays; with none set
// it keeps its value.
void SetCommPortFromChoice(TComm32& comm) {
    for (int n = 1; n <= 4; ++n) {
        if (SessionGlobals().PortChoice[n - 1]) {
            comm.SetCommPort(PortName(n));
        }
    }
}

// The outcome is read from PortOpenFailed afterwards.
void Probe(TComm32& comm, const std::function<bool(const QString&)>& heldByManager) {
    if (heldByManager && heldByManager(DeviceForPort(comm.CommPort()))) {
        TComm32::SetPortOpenFailed(false);
        return;
    }
    try {
        comm.ProbePort();
    } catch (const ECommsError&) {
    }
}

}  // namespace

QString FindModemPort(const std::function<QStringList()>& managerPorts) {
    const QString stored = GetProfileString(QStringLiteral("Modem"), QStringLiteral("Port"),
                                            QStringLiteral("#"), 10, kSettingsFile);
    if (stored != QLatin1String("#")) {
        return stored + QLatin1Char('*');
    }
    Pending() = {};
    const QStringList ports = managerPorts ? managerPorts() : QStringList();
    for (const char* subkey : {"0000", "0001"}) {
        const QString attached = platform::Modems().AttachedTo(QLatin1String(subkey), ports);
        if (attached.isEmpty()) {
            continue;
        }
        if (!attached.startsWith(QLatin1Char('/'))) {
            return attached;
        }
        const PortForDevice port = PortNameForDevice(attached);
        if (port.name.isEmpty()) {
            continue;  // every COM name leads to another device that is there
        }
        if (port.assign) {
            Pending() = {port.name, attached};
        }
        return port.name;
    }
    return QStringLiteral("#");
}

int PortNumberOf(const QString& found) {
    QString text = found.toUpper();
    if (text.endsWith(QLatin1Char('*'))) {
        text.chop(1);
    }
    for (int n = 1; n <= 4; ++n) {
        if (text == PortName(n)) {
            return n;
        }
    }
    return 0;
}

int ChosenPort() {
    for (int n = 4; n >= 1; --n) {
        if (SessionGlobals().PortChoice[n - 1]) {
            return n;
        }
    }
    return 0;
}

QString PortName(int number) {
    return number >= 1 && number <= 4 ? QStringLiteral("COM%1").arg(number) : QString();
}

void ChooseModemPort(const QString& found, TComm32& comm, const std::function<bool()>& askUser,
                     const std::function<void()>& portUnusable,
                     const std::function<bool(const QString& device)>& heldByManager) {
    // A port that is merely busy is asked about again silently; one that cannot be used
    // at all would otherwise bring the same dialog back without a word of why.
    const auto explain = [&portUnusable] {
        if (portUnusable && TComm32::LastFailure() == PortFailure::Unusable) {
            portUnusable();
        }
    };
    if (found == QLatin1String("#")) {
        for (;;) {
            ClearChoice();
            if (!askUser()) {
                return;
            }
            SetCommPortFromChoice(comm);
            Probe(comm, heldByManager);
            if (!TComm32::PortOpenFailed()) {
                return;
            }
            explain();
        }
    }

    ClearChoice();
    if (const int n = PortNumberOf(found)) {
        SessionGlobals().PortChoice[n - 1] = true;
    }
    PendingAssignment assign = Pending();
    Pending() = {};
    if (assign.name != found) {
        assign = {};
    }
    for (;;) {
        SetCommPortFromChoice(comm);
        if (!assign.device.isEmpty()) {
            comm.SetCommPort(assign.device);  // its name leads elsewhere until taken
        }
        Probe(comm, heldByManager);
        if (found.endsWith(QLatin1Char('*'))) {
            // The user's own choice stays in force even when a connection holds it now.
            TComm32::SetPortOpenFailed(false);
        }
        if (!TComm32::PortOpenFailed()) {
            if (!assign.device.isEmpty()) {
                WriteProfileString(QStringLiteral("Ports"), assign.name, assign.device,
                                   kSettingsFile);
                comm.SetCommPort(assign.name);
            }
            return;
        }
        assign = {};
        explain();
        ClearChoice();
        if (!askUser()) {
            return;
        }
    }
}

}  // namespace vindelor::monitor
