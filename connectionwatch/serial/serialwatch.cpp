#include "connectionwatch/serial/serialwatch.h"

#include "components/comm32.h"
#include "components/portmap.h"
#include "connectionwatch/modemmanager/mmwatch.h"
#include "platform/serialport.h"
#include "platform/services.h"

#include <QThread>

namespace vindelor::watch {

SerialPortWatch::SerialPortWatch(TComm32& comm, std::shared_ptr<ModemManagerModems> modems,
                                 QObject* parent)
    : ConnectionWatch(parent), comm_(comm), modems_(std::move(modems)) {
    if (modems_) {
        connect(modems_.get(), &ModemManagerModems::Changed, this, [this] {
            MmView view;
            view.service = static_cast<int>(modems_->Snapshot().service);
            view.held = modems_->HeldPorts();
            for (const MmModem& m : modems_->Snapshot().modems) {
                view.modems.append({m.ports, m.state});
            }
            if (view == mmView_) {
                return;
            }
            mmView_ = view;
            mmStale_ = true;
            emit Changed();
        });
    }
}

SerialPortWatch::~SerialPortWatch() = default;

QString SerialPortWatch::Name() const {
    return comm_.CommPort();
}

LinkCheck SerialPortWatch::Check() {
    const QString port = comm_.CommPort();
    const std::int64_t now = platform::Ticks().Milliseconds();
    if (modems_) {
        // Until ModemManager has said which ports are its own, none is opened; one of its
        // own is never opened, also while it does not answer or restarts, and is the
        // connection while its modem is connected.
        const MmSnapshot& mm = modems_->Snapshot();
        const bool pending = mm.service == ServiceState::Pending;
        const QStringList& held = modems_->HeldPorts();
        const bool asked = !pending && !held.isEmpty();
        if ((pending || asked) &&
            (mmStale_ || port != mmPort_ || now - mmAt_ >= kLookAtLeastEveryMs)) {
            mmPort_ = port;
            mmAt_ = now;
            mmStale_ = false;
            mmDevice_ = DeviceForPort(port);
            mmName_ = ManagerPortName(mmDevice_);
        }
        const bool its = asked && !mmDevice_.isEmpty() && held.contains(mmName_);
        if (pending || its) {
            // What its modem is doing is known only while the service answers.
            const MmModem* owner =
                mm.service == ServiceState::Running ? PortOwner(mm, mmName_) : nullptr;
            LinkCheck check;
            check.subject = mmDevice_;
            check.state = mm.service != ServiceState::Running ? LinkState::Unknown
                          : owner == nullptr                  ? LinkState::Down
                          : owner->state == kMmConnected      ? LinkState::Up
                                                              : LinkState::Down;
            release_.reset();
            Listen();
            return check;
        }
    }
    if (release_ && port == heldPort_) {
        if ((release_->Due() || !EventsListened()) && release_->Fired()) {
            return Look(port, now);
        }
        if (now - lastLook_ < kLookAtLeastEveryMs) {
            return held_;  // still held: nothing has happened that could end it
        }
    } else {
        release_.reset();
    }
    return Look(port, now);
}

// Whether a running event loop follows every one of release_'s descriptors: then an
// event is looked into as it comes (EventsArrived), and a check of its own at every
// tick, fifty times a second, would only ask the kernel again. Without a loop (a check
// made outside one), the check itself reads the events, and so it does when the holder
// had ended before its exit could be followed, which no descriptor tells.
bool SerialPortWatch::EventsListened() const {
    const auto follows = [](const QPointer<QSocketNotifier>& notifier, int fd) {
        return fd < 0 || (notifier && notifier->isEnabled() && notifier->socket() == fd);
    };
    return release_ && release_->EventsFd() >= 0 &&
           follows(eventsNotifier_, release_->EventsFd()) &&
           follows(exitNotifier_, release_->ExitFd()) && QThread::currentThread()->loopLevel() > 0;
}

// Keeps a notifier on each of release_'s descriptors, and none on a descriptor it no
// longer has.
void SerialPortWatch::Listen() {
    const auto follow = [this](QPointer<QSocketNotifier>& notifier, int fd) {
        if (notifier && (fd < 0 || notifier->socket() != fd)) {
            notifier->setEnabled(false);
            notifier->deleteLater();
            notifier = nullptr;
        }
        if (!notifier && fd >= 0) {
            notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
            connect(notifier, &QSocketNotifier::activated, this, [this] { EventsArrived(); });
        }
    };
    follow(eventsNotifier_, release_ ? release_->EventsFd() : -1);
    follow(exitNotifier_, release_ ? release_->ExitFd() : -1);
}

// Something happened to the holder: a look now, so that a release is known at once,
// not at the next tick; an event that ended nothing changes nothing for the session.
void SerialPortWatch::EventsArrived() {
    if (!release_ || !release_->Fired()) {
        Listen();
        return;
    }
    const LinkCheck check = Look(heldPort_, platform::Ticks().Milliseconds());
    if (check.state != LinkState::Up) {
        emit Changed();
    }
}

LinkCheck SerialPortWatch::Look(const QString& port, std::int64_t now) {
    LinkCheck check;
    // Only whether the port opens: a probe that changed the port's settings could undo
    // those of a dialer taking the port at the same moment.
    PortLook look;
    try {
        look = comm_.LookAtPort();
    } catch (...) {
        look.failure = PortFailure::Internal;  // out of memory and the like: says nothing
        look.device = DeviceForPort(port);
    }
    check.subject = look.device;
    // Only a port that another program holds is a connection; an absent device or a
    // missing permission is not, and neither is a failure of our own.
    switch (look.failure) {
        case PortFailure::None:
            check.state = LinkState::Down;
            break;
        case PortFailure::Busy:
            check.state = LinkState::Up;
            break;
        case PortFailure::Unusable:
            check.state = LinkState::Unusable;
            check.error = look.error;
            check.detail = look.detail;
            break;
        case PortFailure::Internal:
            check.state = LinkState::Unknown;
            break;
    }
    if (check.state != LinkState::Up) {
        release_.reset();
        Listen();
        return check;
    }
    lastLook_ = now;
    if (!release_) {
        release_ = comm_.WatchPortRelease();
        heldPort_ = port;
        // Made after this look: a release between the two would go unseen, so the next
        // check looks once more with the watch in place.
        lastLook_ = now - kLookAtLeastEveryMs;
    }
    if (release_) {
        release_->Follow(look.holder.pid);
        if (!release_->Armed()) {
            release_.reset();  // nothing could tell of a release: look every time
        }
    }
    Listen();
    held_ = check;
    return check;
}

}  // namespace vindelor::watch
