// The classic sign of a connection: a dialer holds the modem's serial port. A look opens
// the port through the probe component and closes it at once; a port that cannot be
// opened because another program has it is the connection.
#pragma once

#include "connectionwatch/connectionwatch.h"

namespace vindelor {
class TComm32;
}

namespace vindelor::watch {

class SerialPortWatch : public ConnectionWatch {
    Q_OBJECT
  public:
    // `comm` stays the caller's (the main window's Comm321) and must outlive the watch.
    explicit SerialPortWatch(TComm32& comm, QObject* parent = nullptr);

    Kind WatchKind() const override { return Kind::SerialPort; }
    QString Name() const override;
    LinkCheck Check() override;

  private:
    TComm32& comm_;
};

}  // namespace vindelor::watch
