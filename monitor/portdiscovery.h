// Finding the modem's port at start-up: the user's stored choice, else the system's
// record of the first or second installed modem, else the user is asked until a port
// opens. Only COM1 … COM4 are supported.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace vindelor {
class TComm32;
}

namespace vindelor::monitor {

// The found text: [Modem] "Port" with "*" appended when the user chose one before; else
// the "AttachedTo" entry of modem "0000", then "0001"; "#" when there is none. An entry
// that is a device path stands as the COM name PortNameForDevice gives it; when that
// name is newly given, ChooseModemPort writes its [Ports] entry once it takes the port.
// `managerPorts`, asked only when there is no stored choice, gives the ports
// ModemManager lists as its modems'.
QString FindModemPort(const std::function<QStringList()>& managerPorts = {});

// 1 … 4 for "COM1" … "COM4" (any letter case, with or without a final "*"), else 0.
int PortNumberOf(const QString& found);

// The chosen port: the highest PortChoice flag that is set (1 … 4), 0 when none is.
int ChosenPort();
// "COM1" … "COM4" for 1 … 4, empty otherwise.
QString PortName(int number);

// Chooses the port with the found text and leaves CommPort of `comm` on it. `askUser`
// shows the manual choice dialog modally; it is called again as long as the chosen port
// cannot be opened (a stored choice is kept even when its port is busy now). Before the
// user is asked again because the port could not be used at all (no such device, no
// permission), `portUnusable` is called so the user learns why. When `askUser` returns
// false (the program is being ended) the search stops; the choice is then incomplete.
// A port for which `heldByManager` (given the port's device) says true is ModemManager's:
// it is taken as it is and never opened, as an open would raise DTR under the modem.
void ChooseModemPort(const QString& found, TComm32& comm, const std::function<bool()>& askUser,
                     const std::function<void()>& portUnusable = {},
                     const std::function<bool(const QString& device)>& heldByManager = {});

}  // namespace vindelor::monitor
