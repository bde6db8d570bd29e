// The classic sign of a connection: a dialer holds the modem's serial port. A look opens
// the port through the probe component and closes it at once; a port that cannot be
// opened because another program has it is the connection.
//
// A port that ModemManager owns is another matter: ModemManager keeps an enabled modem's
// ports open all the time, and an open of ours would raise DTR under it. Such a port is
// never opened; it is the connection while its modem is CONNECTED (ModemManager's own
// PPP). With ModemManager not on the bus, every port is probed.
#pragma once

#include "connectionwatch/connectionwatch.h"

#include <memory>

namespace vindelor {
class TComm32;
}

namespace vindelor::watch {

class ModemManagerModems;

class SerialPortWatch : public ConnectionWatch {
    Q_OBJECT
  public:
    // `comm` stays the caller's (the main window's Comm321) and must outlive the watch.
    // `modems`: ModemManager's modems, asked before every probe; null: never asked.
    explicit SerialPortWatch(TComm32& comm, std::shared_ptr<ModemManagerModems> modems = nullptr,
                             QObject* parent = nullptr);

    Kind WatchKind() const override { return Kind::SerialPort; }
    QString Name() const override;
    LinkCheck Check() override;

  private:
    TComm32& comm_;
    std::shared_ptr<ModemManagerModems> modems_;
};

}  // namespace vindelor::watch
