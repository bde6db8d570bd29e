#include "connectionwatch/serial/serialwatch.h"

#include "components/comm32.h"
#include "components/portmap.h"
#include "connectionwatch/modemmanager/mmwatch.h"

namespace vindelor::watch {

SerialPortWatch::SerialPortWatch(TComm32& comm, std::shared_ptr<ModemManagerModems> modems,
                                 QObject* parent)
    : ConnectionWatch(parent), comm_(comm), modems_(std::move(modems)) {
    if (modems_) {
        connect(modems_.get(), &ModemManagerModems::Changed, this, &ConnectionWatch::Changed);
    }
}

QString SerialPortWatch::Name() const {
    return comm_.CommPort();
}

LinkCheck SerialPortWatch::Check() {
    LinkCheck check;
    check.subject = DeviceForPort(comm_.CommPort());
    if (modems_) {
        const MmSnapshot& mm = modems_->Snapshot();
        if (mm.service == ServiceState::Pending) {
            // Until ModemManager has said which ports are its own, none is opened.
            check.state = LinkState::Unknown;
            return check;
        }
        if (const MmModem* owner = PortOwner(mm, check.subject)) {
            check.state = owner->state == kMmConnected ? LinkState::Up : LinkState::Down;
            return check;
        }
    }
    try {
        // Only whether the port opens: a probe that changed the port's settings could
        // undo those of a dialer taking the port at the same moment.
        comm_.ProbePort();
        check.state = LinkState::Down;
    } catch (const ECommsError&) {
        // Only a port that another program holds is a connection; an absent device or a
        // missing permission is not, and neither is a failure of our own.
        switch (TComm32::LastFailure()) {
            case PortFailure::Busy:
                check.state = LinkState::Up;
                break;
            case PortFailure::Unusable:
                check.state = LinkState::Unusable;
                check.error = TComm32::LastFailureError();
                check.detail = TComm32::LastFailureDetail();
                break;
            case PortFailure::None:
            case PortFailure::Internal:
                check.state = LinkState::Unknown;
                break;
        }
    } catch (...) {
        check.state = LinkState::Unknown;
    }
    return check;
}

}  // namespace vindelor::watch
