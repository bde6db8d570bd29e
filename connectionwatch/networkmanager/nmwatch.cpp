#include "connectionwatch/networkmanager/nmwatch.h"

#include "connectionwatch/pendinganswers.h"

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QUuid>

#include <cerrno>
#include <memory>

namespace vindelor::watch {

namespace {

const QString kManagerPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString kManagerInterface = QStringLiteral("org.freedesktop.NetworkManager");
const QString kActiveInterface = QStringLiteral("org.freedesktop.NetworkManager.Connection.Active");
const QString kDeviceInterface = QStringLiteral("org.freedesktop.NetworkManager.Device");
const QString kActivePrefix = QStringLiteral("/org/freedesktop/NetworkManager/ActiveConnection/");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kSettingsPath = QStringLiteral("/org/freedesktop/NetworkManager/Settings");

// One group of a connection's settings (a{sa{sv}}).
QVariantMap SettingsGroup(const QVariant& value, const QString& group) {
    if (value.userType() != qMetaTypeId<QDBusArgument>()) {
        return {};
    }
    const QDBusArgument arg = value.value<QDBusArgument>();
    if (arg.currentSignature() != QLatin1String("a{sa{sv}}")) {
        return {};
    }
    QVariantMap found;
    arg.beginMap();
    while (!arg.atEnd()) {
        QString name;
        QVariantMap values;
        arg.beginMapEntry();
        arg >> name >> values;
        arg.endMapEntry();
        if (name == group) {
            found = values;
        }
    }
    arg.endMap();
    return found;
}

}  // namespace

bool IsNmUuid(const QString& wanted) {
    return !QUuid::fromString(wanted).isNull();
}

const NmActiveConnection* FindActive(const NmSnapshot& snapshot, const QString& wanted) {
    // A UUID is one connection; an id from an older file may be another's too (a VPN
    // named as the modem's connection), so it counts only where no UUID was stored.
    const bool byUuid = IsNmUuid(wanted);
    // An activated one first: NetworkManager may show the same profile twice for a moment,
    // the old one deactivating while the new one comes up.
    const NmActiveConnection* found = nullptr;
    for (const NmActiveConnection& a : snapshot.active) {
        if (byUuid ? a.uuid.compare(wanted, Qt::CaseInsensitive) == 0 : a.id == wanted) {
            if (a.state == kNmActivated) {
                return &a;
            }
            if (found == nullptr) {
                found = &a;
            }
        }
    }
    return found;
}

LinkCheck NmLinkCheck(const NmSnapshot& snapshot, const QString& wanted) {
    LinkCheck check;
    check.subject = wanted;
    if (ServiceDecides(snapshot.service, QStringLiteral("NetworkManager"), &check)) {
        return check;
    }
    const NmActiveConnection* active = FindActive(snapshot, wanted);
    if (active != nullptr) {
        check.subject = active->id;
    }
    check.state =
        active != nullptr && active->state == kNmActivated ? LinkState::Up : LinkState::Down;
    return check;
}

NmFollower::NmFollower(int answerLimitMs)
    : ServiceFollower(QStringLiteral("org.freedesktop.NetworkManager"), answerLimitMs) {}

void NmFollower::Subscribe() {
    // NetworkManager signals both the standard property change and, on its older
    // interfaces, one of its own; a connection's state has a signal too.
    Listen(QString(), kProperties, QStringLiteral("PropertiesChanged"));
    Listen(kManagerPath, kManagerInterface, QStringLiteral("PropertiesChanged"));
    Listen(QString(), kActiveInterface, QStringLiteral("PropertiesChanged"));
    Listen(QString(), kActiveInterface, QStringLiteral("StateChanged"));
}

bool NmFollower::Relevant(const QDBusMessage& signal) const {
    // Access points and device statistics change all the time and say nothing of the
    // active connections.
    if (signal.path() == kManagerPath) {
        if (signal.interface() == kProperties && !signal.arguments().isEmpty()) {
            return signal.arguments().constFirst().toString() == kManagerInterface &&
                   PropertyMap(signal.arguments().value(1))
                       .contains(QStringLiteral("ActiveConnections"));
        }
        return PropertyMap(signal.arguments().value(0))
            .contains(QStringLiteral("ActiveConnections"));
    }
    return signal.path().startsWith(kActivePrefix);
}

void NmFollower::Look() {
    // Active connections, then each one's properties, then the devices of the activated
    // ones: each step a set of questions asked at once.
    QDBusMessage get = Call(kManagerPath, kProperties, QStringLiteral("Get"));
    get << kManagerInterface << QStringLiteral("ActiveConnections");
    Ask(get, [this](const QDBusMessage& reply) {
        if (!HoldsObjectPaths(reply)) {
            // Late, failed or of another shape: no word on the connections at all.
            LookDone(false);
            return;
        }
        const QStringList paths = ObjectPaths(reply.arguments().value(0));
        auto snapshot = std::make_shared<NmSnapshot>();
        snapshot->service = ServiceState::Running;
        snapshot->active.resize(paths.size());
        // Whether every answer came: a snapshot with one missing would read as the
        // connection gone, so it is never published; the look did not finish.
        auto answered = std::make_shared<bool>(true);
        const auto take = [answered](const QDBusMessage& r) {
            if (HoldsPropertyMap(r)) {
                return true;
            }
            if (!ObjectGone(r)) {
                *answered = false;
            }
            return false;
        };
        auto devicesOf = std::make_shared<QList<QStringList>>(paths.size());
        // Last step: the interfaces of the activated connections' devices.
        const auto finishDevices = [this, snapshot, answered, devicesOf, take] {
            int devices = 0;
            for (int i = 0; i < snapshot->active.size(); ++i) {
                if (snapshot->active[i].state == kNmActivated) {
                    devices += static_cast<int>((*devicesOf)[i].size());
                }
            }
            const auto pending = PendingAnswers::Expect(devices, [this, snapshot, answered] {
                if (*answered) {
                    emit Published(*snapshot);
                }
                LookDone(*answered);
            });
            for (int i = 0; i < snapshot->active.size(); ++i) {
                if (snapshot->active[i].state != kNmActivated) {
                    continue;
                }
                for (const QString& device : (*devicesOf)[i]) {
                    QDBusMessage all = Call(device, kProperties, QStringLiteral("GetAll"));
                    all << kDeviceInterface;
                    Ask(all, [snapshot, pending, take, i](const QDBusMessage& r) {
                        if (take(r)) {
                            const QVariantMap p = PropertyMap(r.arguments().value(0));
                            const QString ip = p.value(QStringLiteral("IpInterface")).toString();
                            const QString name = p.value(QStringLiteral("Interface")).toString();
                            const QString counted = ip.isEmpty() ? name : ip;
                            if (!counted.isEmpty()) {
                                snapshot->active[i].interfaces << counted;
                            }
                        }
                        pending->Answered();
                    });
                }
            }
        };
        const auto left = PendingAnswers::Expect(static_cast<int>(paths.size()), finishDevices);
        for (int i = 0; i < paths.size(); ++i) {
            QDBusMessage all = Call(paths[i], kProperties, QStringLiteral("GetAll"));
            all << kActiveInterface;
            Ask(all, [snapshot, left, take, devicesOf, i](const QDBusMessage& r) {
                // An active connection gone between the two questions is simply not there.
                if (take(r)) {
                    const QVariantMap p = PropertyMap(r.arguments().value(0));
                    NmActiveConnection& a = snapshot->active[i];
                    a.id = p.value(QStringLiteral("Id")).toString();
                    a.uuid = p.value(QStringLiteral("Uuid")).toString();
                    a.state = p.value(QStringLiteral("State")).toUInt();
                    (*devicesOf)[i] = ObjectPaths(p.value(QStringLiteral("Devices")));
                }
                left->Answered();
            });
        }
    });
}

void NmFollower::Lost(ServiceState why) {
    emit Published(NmSnapshot{why, {}});
}

NmProfileFollower::NmProfileFollower(int answerLimitMs)
    : ServiceFollower(QStringLiteral("org.freedesktop.NetworkManager"), answerLimitMs) {}

void NmProfileFollower::Subscribe() {
    const QString settings = QStringLiteral("org.freedesktop.NetworkManager.Settings");
    Listen(kSettingsPath, settings, QStringLiteral("NewConnection"));
    Listen(kSettingsPath, settings, QStringLiteral("ConnectionRemoved"));
}

bool NmProfileFollower::Relevant(const QDBusMessage&) const {
    return true;
}

void NmProfileFollower::Look() {
    Ask(Call(kSettingsPath, QStringLiteral("org.freedesktop.NetworkManager.Settings"),
             QStringLiteral("ListConnections")),
        [this](const QDBusMessage& reply) {
            if (NoAnswer(reply)) {
                LookDone(false);
                return;
            }
            const QStringList paths = ObjectPaths(reply.arguments().value(0));
            auto profiles = std::make_shared<NmProfiles>();
            profiles->service = ServiceState::Running;
            profiles->profiles.resize(paths.size());
            const auto publish = [this, profiles] {
                NmProfiles done;
                done.service = profiles->service;
                for (const NmProfile& p : profiles->profiles) {
                    if (!p.id.isEmpty()) {
                        done.profiles << p;
                    }
                }
                emit Published(done);
                LookDone(true);
            };
            const auto left = PendingAnswers::Expect(static_cast<int>(paths.size()), publish);
            for (int i = 0; i < paths.size(); ++i) {
                Ask(Call(paths[i],
                         QStringLiteral("org.freedesktop.NetworkManager.Settings.Connection"),
                         QStringLiteral("GetSettings")),
                    [profiles, left, i](const QDBusMessage& r) {
                        const QVariantMap connection =
                            SettingsGroup(r.arguments().value(0), QStringLiteral("connection"));
                        NmProfile& p = profiles->profiles[i];
                        p.id = connection.value(QStringLiteral("id")).toString();
                        p.type = connection.value(QStringLiteral("type")).toString();
                        p.uuid = connection.value(QStringLiteral("uuid")).toString();
                        left->Answered();
                    });
            }
        });
}

void NmProfileFollower::Lost(ServiceState why) {
    emit Published(NmProfiles{why, {}});
}

NetworkManagerProfiles::NetworkManagerProfiles(int answerLimitMs) {
    qRegisterMetaType<NmProfiles>();
    follower_ = new NmProfileFollower(answerLimitMs);
    connect(
        follower_, &NmProfileFollower::Published, this,
        [this](const NmProfiles& profiles) {
            profiles_ = profiles;
            emit Changed();
        },
        Qt::QueuedConnection);
    follower_->Start();
}

NetworkManagerProfiles::~NetworkManagerProfiles() {
    follower_->Stop();
}

NetworkManagerWatch::NetworkManagerWatch(const QString& wanted, QObject* parent, int answerLimitMs)
    : ConnectionWatch(parent), wanted_(wanted) {
    qRegisterMetaType<NmSnapshot>();
    follower_ = new NmFollower(answerLimitMs);
    connect(follower_, &NmFollower::Published, this, &NetworkManagerWatch::Take,
            Qt::QueuedConnection);
    follower_->Start();
}

NetworkManagerWatch::~NetworkManagerWatch() {
    follower_->Stop();
}

QString NetworkManagerWatch::Name() const {
    return shownName_.isEmpty() ? wanted_ : shownName_;
}

LinkCheck NetworkManagerWatch::Check() {
    return NmLinkCheck(snapshot_, wanted_);
}

QString NetworkManagerWatch::CountedInterface() const {
    const NmActiveConnection* active = FindActive(snapshot_, wanted_);
    return active != nullptr && active->state == kNmActivated && !active->interfaces.isEmpty()
               ? active->interfaces.constFirst()
               : QString();
}

void NetworkManagerWatch::Take(const NmSnapshot& snapshot) {
    snapshot_ = snapshot;
    if (const NmActiveConnection* active = FindActive(snapshot_, wanted_)) {
        shownName_ = active->id;
    }
    emit Changed();
}

}  // namespace vindelor::watch
