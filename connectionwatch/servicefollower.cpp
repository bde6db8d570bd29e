#include "connectionwatch/servicefollower.h"

#include "platform/qt/busthread.h"

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QThread>

#include <QTimer>
#include <cerrno>

#include <atomic>

namespace vindelor::watch {

namespace {

const QString kBusService = QStringLiteral("org.freedesktop.DBus");
// How long a look waits after the bus or the service failed it.
constexpr int kRetryMs = 10000;

}  // namespace

ServiceFollower::ServiceFollower(const QString& service, int answerLimitMs)
    : service_(service), answerLimitMs_(answerLimitMs) {
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
    QString address = qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS");
    if (address.isEmpty()) {
        address = QStringLiteral("unix:path=/var/run/dbus/system_bus_socket");
    }
    bus_ = QDBusConnection::connectToBus(address, connectionName_);
    if (!bus_.isConnected()) {
        QDBusConnection::disconnectFromBus(connectionName_);
        Lost(ServiceState::NoBus);
        retry_->disconnect();
        connect(retry_, &QTimer::timeout, this, &ServiceFollower::Begin);
        retry_->start(kRetryMs);
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
        retry_->start(kRetryMs);
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
