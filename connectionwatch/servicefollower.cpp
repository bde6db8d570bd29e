#include "connectionwatch/servicefollower.h"

#include "platform/qt/busthread.h"
#include "platform/sessionbus.h"

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <memory>

namespace vindelor::watch {

namespace {

const QString kBusService = QStringLiteral("org.freedesktop.DBus");
// How long a look waits after the bus or the service failed it.
constexpr int kRetryMs = 10000;
// The longest the bus itself may take to answer the opening of a conversation: libdbus
// would wait 25 s on a bus that took the connection and never speaks, and every follower
// and the notifier share the one bus thread.
constexpr int kBusProbeMs = 1500;

// VINDELOR_BUS_ANSWER_MS, for tests: a shorter limit for every answer, and a retry as
// soon, so that a fault and its end take a moment instead of many seconds.
int TestAnswerLimit() {
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("VINDELOR_BUS_ANSWER_MS", &ok);
    return ok && ms > 0 ? ms : 0;
}

}  // namespace

ServiceFollower::ServiceFollower(const QString& service, int answerLimitMs)
    : service_(service),
      answerLimitMs_(TestAnswerLimit() > 0 ? TestAnswerLimit() : answerLimitMs),
      retryMs_(TestAnswerLimit() > 0 ? 2 * TestAnswerLimit() : kRetryMs) {
    static std::atomic<int> count{0};
    connectionName_ = QStringLiteral("vindelor-%1-%2").arg(service).arg(++count);
    retry_ = new QTimer(this);
    retry_->setSingleShot(true);
}

void ServiceFollower::Start() {
    moveToThread(platform::BusThread());
    QMetaObject::invokeMethod(this, &ServiceFollower::Begin, Qt::QueuedConnection);
}

ServiceFollower::~ServiceFollower() {
    if (bus_.isConnected()) {
        QDBusConnection::disconnectFromBus(connectionName_);
    }
}

void ServiceFollower::Stop() {
    deleteLater();
}

void ServiceFollower::Begin() {
    // By address, read afresh each time: libdbus keeps the first system bus address it
    // saw for the life of the process.
    address_ = qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS");
    if (address_.isEmpty()) {
        address_ = QStringLiteral("unix:path=/var/run/dbus/system_bus_socket");
    }
    // The bus is asked first whether it speaks at all, without holding the thread; a bus
    // that stays silent counts as none.
    auto probe = std::make_shared<platform::BusProbe>(address_.toLocal8Bit());
    if (!probe->Waiting()) {
        Probed(probe->Verdict() == platform::SessionBus::Answers);
        return;
    }
    auto* notifier = new QSocketNotifier(probe->Fd(), QSocketNotifier::Read, this);
    auto* limit = new QTimer(this);
    limit->setSingleShot(true);
    const auto done = [this, notifier, limit](bool answers) {
        notifier->setEnabled(false);
        notifier->deleteLater();
        limit->stop();
        limit->deleteLater();
        Probed(answers);
    };
    connect(notifier, &QSocketNotifier::activated, this, [probe, done] {
        if (probe->Read(); !probe->Waiting()) {
            done(probe->Verdict() == platform::SessionBus::Answers);
        }
    });
    connect(limit, &QTimer::timeout, this, [done] { done(false); });
    limit->start(std::min(answerLimitMs_, kBusProbeMs));
}

void ServiceFollower::Probed(bool answers) {
    if (answers) {
        Connect();
    } else {
        Lost(ServiceState::NoBus);
    }
    if (!bus_.isConnected()) {
        retry_->disconnect();
        connect(retry_, &QTimer::timeout, this, &ServiceFollower::Begin);
        retry_->start(retryMs_);
    }
}

void ServiceFollower::Connect() {
    bus_ = QDBusConnection::connectToBus(address_, connectionName_);
    if (!bus_.isConnected()) {
        QDBusConnection::disconnectFromBus(connectionName_);
        Lost(ServiceState::NoBus);
        return;
    }
    retry_->disconnect();
    connect(retry_, &QTimer::timeout, this, &ServiceFollower::StartLook);
    bus_.connect(kBusService, QStringLiteral("/org/freedesktop/DBus"), kBusService,
                 QStringLiteral("NameOwnerChanged"), {service_}, QString(), this,
                 SLOT(OwnerChanged(QString, QString, QString)));
    Subscribe();
    AskOwner();
}

void ServiceFollower::AskOwner() {
    QDBusMessage call =
        QDBusMessage::createMethodCall(kBusService, QStringLiteral("/org/freedesktop/DBus"),
                                       kBusService, QStringLiteral("GetNameOwner"));
    call << service_;
    // An answer from before a change of owner is dropped: the change said more.
    Ask(call, [this](const QDBusMessage& reply) {
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
            owner_.clear();
            Lost(ServiceState::Absent);
            return;
        }
        owner_ = reply.arguments().constFirst().toString();
        StartLook();
    });
}

void ServiceFollower::OwnerChanged(const QString& name, const QString&, const QString& newOwner) {
    if (name != service_) {
        return;
    }
    ++generation_;
    looking_ = false;
    lookAgain_ = false;
    retry_->stop();
    owner_ = newOwner;
    if (owner_.isEmpty()) {
        Lost(ServiceState::Absent);
    } else {
        StartLook();
    }
}

void ServiceFollower::OnSignal(const QDBusMessage& signal) {
    if (!owner_.isEmpty() && signal.service() == owner_ && Relevant(signal)) {
        StartLook();
    }
}

void ServiceFollower::StartLook() {
    if (owner_.isEmpty()) {
        return;
    }
    if (looking_) {
        lookAgain_ = true;
        return;
    }
    looking_ = true;
    lookAgain_ = false;
    retry_->stop();
    ++generation_;
    Look();
}

void ServiceFollower::LookDone(bool answered) {
    looking_ = false;
    if (!answered) {
        Lost(ServiceState::NotAnswering);
        retry_->start(retryMs_);
        return;
    }
    if (lookAgain_) {
        StartLook();
    }
}

QDBusMessage ServiceFollower::Call(const QString& path, const QString& interface,
                                   const QString& method) const {
    return QDBusMessage::createMethodCall(service_, path, interface, method);
}

void ServiceFollower::Ask(const QDBusMessage& call,
                          std::function<void(const QDBusMessage&)> answer) {
    const int generation = generation_;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, answerLimitMs_), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, watcher, generation, answer = std::move(answer)] {
                watcher->deleteLater();
                if (generation == generation_) {
                    answer(watcher->reply());
                }
            });
}

void ServiceFollower::Listen(const QString& path, const QString& interface, const QString& name) {
    // No service name: Qt would then keep the owner of the name itself, with calls of
    // its own. The sender is compared with the owner in OnSignal instead.
    bus_.connect(QString(), path, interface, name, this, SLOT(OnSignal(QDBusMessage)));
}

bool ServiceDecides(ServiceState state, const QString& name, LinkCheck* check) {
    switch (state) {
        case ServiceState::Pending:
        case ServiceState::NotAnswering:
            check->state = LinkState::Unknown;
            return true;
        case ServiceState::NoBus:
        case ServiceState::Absent:
            check->state = LinkState::Unusable;
            check->serviceGone = true;
            check->error = ESRCH;
            check->detail = name + QStringLiteral(" is not running");
            return true;
        case ServiceState::Running:
            break;
    }
    return false;
}

bool NoAnswer(const QDBusMessage& reply) {
    return reply.type() == QDBusMessage::ErrorMessage &&
           (reply.errorName() == QStringLiteral("org.freedesktop.DBus.Error.NoReply") ||
            reply.errorName() == QStringLiteral("org.freedesktop.DBus.Error.Timeout"));
}

bool ObjectGone(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ErrorMessage) {
        return false;
    }
    const QString& name = reply.errorName();
    return name == QStringLiteral("org.freedesktop.DBus.Error.UnknownObject") ||
           name == QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod") ||
           name == QStringLiteral("org.freedesktop.DBus.Error.UnknownInterface");
}

bool HoldsPropertyMap(const QDBusMessage& reply) {
    const QVariant first = reply.arguments().value(0);
    return reply.type() == QDBusMessage::ReplyMessage &&
           first.userType() == qMetaTypeId<QDBusArgument>() &&
           first.value<QDBusArgument>().currentSignature() == QLatin1String("a{sv}");
}

bool HoldsObjectPaths(const QDBusMessage& reply) {
    const QVariant first = reply.arguments().value(0);
    if (reply.type() != QDBusMessage::ReplyMessage ||
        first.userType() != qMetaTypeId<QDBusVariant>()) {
        return false;
    }
    const QVariant inner = first.value<QDBusVariant>().variant();
    return inner.userType() == qMetaTypeId<QList<QDBusObjectPath>>() ||
           (inner.userType() == qMetaTypeId<QDBusArgument>() &&
            inner.value<QDBusArgument>().currentSignature() == QLatin1String("ao"));
}

QVariantMap PropertyMap(const QVariant& value) {
    if (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>()) {
        return PropertyMap(value.value<QDBusVariant>().variant());
    }
    if (value.userType() == qMetaTypeId<QDBusArgument>()) {
        const QDBusArgument arg = value.value<QDBusArgument>();
        if (arg.currentType() == QDBusArgument::MapType) {
            return qdbus_cast<QVariantMap>(arg);
        }
        return {};
    }
    return value.toMap();
}

QStringList ObjectPaths(const QVariant& value) {
    QStringList paths;
    if (value.userType() == qMetaTypeId<QDBusVariant>()) {
        return ObjectPaths(value.value<QDBusVariant>().variant());
    }
    if (value.userType() == qMetaTypeId<QDBusArgument>()) {
        const QDBusArgument arg = value.value<QDBusArgument>();
        if (arg.currentType() != QDBusArgument::ArrayType) {
            return paths;
        }
        arg.beginArray();
        while (!arg.atEnd()) {
            QDBusObjectPath path;
            arg >> path;
            paths << path.path();
        }
        arg.endArray();
        return paths;
    }
    if (value.userType() == qMetaTypeId<QList<QDBusObjectPath>>()) {
        for (const QDBusObjectPath& p : value.value<QList<QDBusObjectPath>>()) {
            paths << p.path();
        }
    }
    return paths;
}

}  // namespace vindelor::watch
