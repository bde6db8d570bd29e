#include "connectionwatch/networkmanager/nmmetered.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QEventLoop>
#include <QTimer>

namespace vindelor::watch {
namespace {

using ConnectionSettings = QMap<QString, QVariantMap>;

const QString kNmPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString kNmInterface = QStringLiteral("org.freedesktop.NetworkManager");
const QString kDeviceInterface = QStringLiteral("org.freedesktop.NetworkManager.Device");
const QString kConnection = QStringLiteral("connection");
const QString kMetered = QStringLiteral("metered");
constexpr int kMeteredYes = 1;  // NMMetered
// GetAppliedConnection of a device without an active connection.
const QString kNotActive = QStringLiteral("org.freedesktop.NetworkManager.Device.NotActive");

}  // namespace

NmMeteredMark::NmMeteredMark(int answerLimitMs, int retryMs)
    : ServiceFollower(QStringLiteral("org.freedesktop.NetworkManager"), answerLimitMs),
      retryMs_(retryMs) {
    qDBusRegisterMetaType<ConnectionSettings>();
}

void NmMeteredMark::Apply(int value, std::function<void(const QDBusMessage&)> done) {
    QDBusMessage get = Call(device_, kDeviceInterface, QStringLiteral("GetAppliedConnection"));
    get << 0u;
    Ask(get, [this, value, done = std::move(done)](const QDBusMessage& reply) {
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() < 2) {
            done(reply);
            return;
        }
        ConnectionSettings settings;
        reply.arguments().at(0).value<QDBusArgument>() >> settings;
        const qulonglong version = reply.arguments().at(1).toULongLong();
        if (!marked_) {
            const QVariant before = settings.value(kConnection).value(kMetered);
            original_ = before.isValid() ? before.toInt() : -1;
        }
        if (value < 0) {
            settings[kConnection].remove(kMetered);
        } else {
            settings[kConnection][kMetered] = value;
        }
        QDBusMessage reapply = Call(device_, kDeviceInterface, QStringLiteral("Reapply"));
        // The version makes NetworkManager refuse when someone changed the connection
        // between the two calls, rather than apply an older copy.
        reapply << QVariant::fromValue(settings) << QVariant::fromValue(version) << 0u;
        Ask(reapply, done);
    });
}

void NmMeteredMark::Look() {
    ready_ = true;
    LookDone(true);
    // A new owner is a new NetworkManager: the old device's mark went with the old one,
    // and the answers of the old look never come.
    device_.clear();
    marked_ = false;
    finding_ = false;
    const bool wasMarking = marking_;
    marking_ = false;
    if (wanted_) {
        SendMark();
    } else if (wasMarking) {
        emit Restored();
    }
}

void NmMeteredMark::AskAgainLater() {
    if (retrying_ || !wanted_) {
        return;
    }
    retrying_ = true;
    QTimer::singleShot(retryMs_, this, [this] {
        retrying_ = false;
        if (wanted_ && ready_) {
            SendMark();
        }
    });
}

void NmMeteredMark::Mark(const QString& interface) {
    interface_ = interface;
    wanted_ = true;
    if (ready_) {
        SendMark();
    }
}

void NmMeteredMark::SendMark() {
    if (finding_ || marking_ || marked_) {
        return;
    }
    finding_ = true;
    QDBusMessage find = Call(kNmPath, kNmInterface, QStringLiteral("GetDeviceByIpIface"));
    find << interface_;
    Ask(find, [this](const QDBusMessage& reply) {
        finding_ = false;
        if (!wanted_) {
            return;  // the session ended while the device was looked for: told already
        }
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
            AskAgainLater();  // not NetworkManager's, or NetworkManager not there
            return;
        }
        device_ = reply.arguments().constFirst().value<QDBusObjectPath>().path();
        marking_ = true;
        Apply(kMeteredYes, [this](const QDBusMessage& done) {
            marking_ = false;
            if (done.type() == QDBusMessage::ReplyMessage) {
                marked_ = true;
                emit Marked(interface_);
                if (!wanted_) {
                    Restore();  // the session ended while the mark was on its way
                }
            } else if (done.errorName() == kNotActive) {
                AskAgainLater();  // managed, but not (yet) connected by NetworkManager
            } else if (!NoAnswer(done)) {
                emit Refused(interface_, done.errorMessage().isEmpty() ? done.errorName()
                                                                       : done.errorMessage());
            }
            if (!marked_ && !wanted_) {
                emit Restored();
            }
        });
    });
}

void NmMeteredMark::Restore() {
    wanted_ = false;
    if (marking_) {
        return;  // told when the mark has landed
    }
    if (!marked_) {
        emit Restored();
        return;
    }
    Apply(original_, [this](const QDBusMessage&) {
        marked_ = false;
        emit Restored();
    });
}

MeteredLink::MeteredLink(int answerLimitMs, int retryMs) {
    mark_ = new NmMeteredMark(answerLimitMs, retryMs);
    connect(
        mark_, &NmMeteredMark::Marked, this, [this] { marked_ = true; }, Qt::QueuedConnection);
    connect(mark_, &NmMeteredMark::Refused, this, &MeteredLink::Refused, Qt::QueuedConnection);
    mark_->Start();
}

MeteredLink::~MeteredLink() {
    mark_->Stop();
}

void MeteredLink::Mark(const QString& interface) {
    if (asked_ || interface.isEmpty()) {
        return;
    }
    asked_ = true;
    QMetaObject::invokeMethod(mark_, "Mark", Qt::QueuedConnection, Q_ARG(QString, interface));
}

void MeteredLink::Restore(int waitMs) {
    if (!asked_) {
        return;
    }
    asked_ = false;
    QEventLoop loop;
    connect(mark_, &NmMeteredMark::Restored, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    QMetaObject::invokeMethod(mark_, "Restore", Qt::QueuedConnection);
    if (waitMs > 0) {
        QTimer::singleShot(waitMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    marked_ = false;
}

}  // namespace vindelor::watch
