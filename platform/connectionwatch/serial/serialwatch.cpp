#include "platform/connectionwatch/serial/serialwatch.h"

#include "components/comm32.h"
#include "components/portmap.h"

namespace vindelor::platform {

SerialPortWatch::SerialPortWatch(TComm32& comm, QObject* parent)
    : ConnectionWatch(parent), comm_(comm) {}

QString SerialPortWatch::Name() const {
    return comm_.CommPort();
}

LinkCheck SerialPortWatch::Check() {
    LinkCheck check;
    check.subject = DeviceForPort(comm_.CommPort());
    try {
        if (comm_.OpenPort()) {
            comm_.ClosePort();
            check.state = LinkState::Down;
        } else {
            // The open neither succeeded nor said the port was held.
            check.state = LinkState::Unknown;
        }
    } catch (const ECommsError&) {
        // Only a port that another program holds is a connection; an absent device or a
        // missing permission is not.
        if (TComm32::LastFailure() == PortFailure::Unusable) {
            check.state = LinkState::Unusable;
            check.error = TComm32::LastFailureError();
            check.detail = TComm32::LastFailureDetail();
        } else {
            check.state = LinkState::Up;
        }
    } catch (...) {
        check.state = LinkState::Unknown;
    }
    return check;
}

}  // namespace vindelor::platform
