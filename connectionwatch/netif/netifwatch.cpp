#include "connectionwatch/netif/netifwatch.h"

#include "platform/errortext.h"

#include <QSocketNotifier>

#include <cerrno>

namespace vindelor::watch {

NetworkInterfaceWatch::NetworkInterfaceWatch(const QString& name, QObject* parent)
    : ConnectionWatch(parent), name_(name) {
    if (events_.Descriptor() >= 0) {
        notifier_ = new QSocketNotifier(events_.Descriptor(), QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, [this] { ReadEvents(); });
    }
}

NetworkInterfaceWatch::~NetworkInterfaceWatch() {
    delete notifier_;
}

LinkCheck NetworkInterfaceWatch::Check() {
    LinkCheck check;
    check.subject = name_;
    const platform::InterfaceFlags flags = query_.Flags(name_);
    if (flags.error != 0) {
        check.state = LinkState::Unusable;
        check.error = flags.error;
        check.detail = platform::ErrorText(flags.error);
        return check;
    }
    check.state = flags.up && flags.running ? LinkState::Up : LinkState::Down;
    return check;
}

void NetworkInterfaceWatch::ReadEvents() {
    const platform::LinkEventSocket::Batch batch = events_.Read();
    // A dropped message may have been ours.
    if (batch.overflow || batch.names.contains(name_.toLocal8Bit())) {
        emit Changed();
    }
}

}  // namespace vindelor::watch
