#include "connectionwatch/modemmanager/mmwatch.h"

#include "connectionwatch/pendinganswers.h"

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include <cerrno>

namespace vindelor::watch {

namespace {

const QString kRootPath = QStringLiteral("/org/freedesktop/ModemManager1");
const QString kModemInterface = QStringLiteral("org.freedesktop.ModemManager1.Modem");
const QString kModem3gppInterface = QStringLiteral("org.freedesktop.ModemManager1.Modem.Modem3gpp");
const QString kBearerInterface = QStringLiteral("org.freedesktop.ModemManager1.Bearer");
const QString kSimInterface = QStringLiteral("org.freedesktop.ModemManager1.Sim");
const QString kModemPrefix = QStringLiteral("/org/freedesktop/ModemManager1/Modem/");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kObjectManager = QStringLiteral("org.freedesktop.DBus.ObjectManager");

// Ports: a(su), the port's name and its kind.
QStringList PortNames(const QVariant& value) {
    QStringList names;
    if (value.userType() != qMetaTypeId<QDBusArgument>()) {
        return names;
    }
    const QDBusArgument arg = value.value<QDBusArgument>();
    if (arg.currentSignature() != QLatin1String("a(su)")) {
        return names;
    }
    arg.beginArray();
    while (!arg.atEnd()) {
        QString name;
        uint kind = 0;
        arg.beginStructure();
        arg >> name >> kind;
        arg.endStructure();
        names << name;
    }
    arg.endArray();
    return names;
}

// GetManagedObjects: a{oa{sa{sv}}}; the modems with their properties and bearers.
QList<MmModem> ReadModems(const QDBusMessage& reply, QList<QStringList>* bearers) {
    QList<MmModem> modems;
    const QVariant first = reply.arguments().value(0);
    if (first.userType() != qMetaTypeId<QDBusArgument>()) {
        return modems;
    }
    const QDBusArgument arg = first.value<QDBusArgument>();
    if (arg.currentSignature() != QLatin1String("a{oa{sa{sv}}}")) {
        return modems;
    }
    arg.beginMap();
    while (!arg.atEnd()) {
        QDBusObjectPath path;
        QMap<QString, QVariantMap> interfaces;
        arg.beginMapEntry();
        arg >> path;
        arg.beginMap();
        while (!arg.atEnd()) {
            QString name;
            QVariantMap properties;
            arg.beginMapEntry();
            arg >> name >> properties;
            arg.endMapEntry();
            interfaces.insert(name, properties);
        }
        arg.endMap();
        arg.endMapEntry();
        if (!interfaces.contains(kModemInterface)) {
            continue;
        }
        const QVariantMap& p = interfaces[kModemInterface];
        MmModem modem;
        modem.path = path.path();
        modem.equipmentId = p.value(QStringLiteral("EquipmentIdentifier")).toString();
        modem.manufacturer = p.value(QStringLiteral("Manufacturer")).toString();
        modem.model = p.value(QStringLiteral("Model")).toString();
        modem.state = p.value(QStringLiteral("State")).toInt();
        modem.ports = PortNames(p.value(QStringLiteral("Ports")));
        // "/" when the modem has no SIM in it.
        const QString sim = p.value(QStringLiteral("Sim")).value<QDBusObjectPath>().path();
        modem.simPath = sim == QLatin1String("/") ? QString() : sim;
        const QVariantMap g = interfaces.value(kModem3gppInterface);
        modem.registrationState = g.value(QStringLiteral("RegistrationState")).toInt();
        modem.operatorCode = g.value(QStringLiteral("OperatorCode")).toString();
        modem.operatorName = g.value(QStringLiteral("OperatorName")).toString();
        modems << modem;
        bearers->append(ObjectPaths(p.value(QStringLiteral("Bearers"))));
    }
    arg.endMap();
    return modems;
}

}  // namespace

bool MmRoamingState(int registrationState) {
    return registrationState == 5 || registrationState == 7 || registrationState == 10;
}

const MmModem* FindModem(const MmSnapshot& snapshot, const QString& wanted) {
    const bool any = wanted.compare(QLatin1String("any"), Qt::CaseInsensitive) == 0;
    const MmModem* first = nullptr;
    for (const MmModem& m : snapshot.modems) {
        if (any || m.equipmentId == wanted) {
            if (m.state == kMmConnected) {
                return &m;
            }
            if (first == nullptr) {
                first = &m;
            }
        }
    }
    return first;
}

const MmModem* FindModemWithSim(const MmSnapshot& snapshot, const QString& sim) {
    const MmModem* found = nullptr;
    for (const MmModem& m : snapshot.modems) {
        if (!sim.isEmpty() && m.simIdentifier == sim &&
            (found == nullptr || m.state == kMmConnected)) {
            found = &m;
        }
    }
    return found;
}

LinkCheck MmLinkCheck(const MmSnapshot& snapshot, const QString& wanted) {
    LinkCheck check;
    check.subject = wanted;
    if (ServiceDecides(snapshot.service, QStringLiteral("ModemManager"), &check)) {
        return check;
    }
    const MmModem* modem = FindModem(snapshot, wanted);
    check.state =
        modem != nullptr && modem->state == kMmConnected ? LinkState::Up : LinkState::Down;
    return check;
}

QString ManagerPortName(const QString& device) {
    // Each link followed in turn (a bounded number, against a loop): the name is the
    // last target's, whatever directories lie on the way.
    QFileInfo info(device);
    for (int hops = 0; hops < 16 && info.isSymLink(); ++hops) {
        info = QFileInfo(info.symLinkTarget());
    }
    return info.fileName();
}

const MmModem* PortOwner(const MmSnapshot& snapshot, const QString& portName) {
    for (const MmModem& m : snapshot.modems) {
        if (m.ports.contains(portName)) {
            return &m;
        }
    }
    return nullptr;
}

MmFollower::MmFollower(int answerLimitMs)
    : ServiceFollower(QStringLiteral("org.freedesktop.ModemManager1"), answerLimitMs) {}

void MmFollower::Subscribe() {
    Listen(kRootPath, kObjectManager, QStringLiteral("InterfacesAdded"));
    Listen(kRootPath, kObjectManager, QStringLiteral("InterfacesRemoved"));
    Listen(QString(), kProperties, QStringLiteral("PropertiesChanged"));
    Listen(QString(), kModemInterface, QStringLiteral("StateChanged"));
}

bool MmFollower::Relevant(const QDBusMessage& signal) const {
    if (signal.interface() == kProperties) {
        // Signal quality and the like change every few seconds: only the state, the
        // ports and the bearers matter here.
        const QVariantMap changed = PropertyMap(signal.arguments().value(1));
        return signal.path().startsWith(kModemPrefix) &&
               (changed.contains(QStringLiteral("State")) ||
                changed.contains(QStringLiteral("Ports")) ||
                changed.contains(QStringLiteral("Bearers")) ||
                changed.contains(QStringLiteral("Sim")) ||
                changed.contains(QStringLiteral("EquipmentIdentifier")) ||
                changed.contains(QStringLiteral("RegistrationState")) ||
                changed.contains(QStringLiteral("OperatorCode")) ||
                changed.contains(QStringLiteral("OperatorName")));
    }
    return true;
}

void MmFollower::Look() {
    Ask(Call(kRootPath, kObjectManager, QStringLiteral("GetManagedObjects")),
        [this](const QDBusMessage& reply) {
            const QVariant first = reply.arguments().value(0);
            if (reply.type() != QDBusMessage::ReplyMessage ||
                first.userType() != qMetaTypeId<QDBusArgument>() ||
                first.value<QDBusArgument>().currentSignature() != QLatin1String("a{oa{sa{sv}}}")) {
                // Late, failed or of another shape: no word on the modems, whose ports
                // stay as they were known.
                LookDone(false);
                return;
            }
            auto snapshot = std::make_shared<MmSnapshot>();
            snapshot->service = ServiceState::Running;
            QList<QStringList> bearers;
            snapshot->modems = ReadModems(reply, &bearers);
            // The connected modems' bearers name the network interface, and each SIM
            // object its identifier: the snapshot goes out when every answer is in.
            int asked = 0;
            for (int i = 0; i < snapshot->modems.size(); ++i) {
                if (snapshot->modems[i].state == kMmConnected) {
                    asked += static_cast<int>(bearers[i].size());
                }
                if (!snapshot->modems[i].simPath.isEmpty()) {
                    ++asked;
                }
            }
            const auto pending = PendingAnswers::Expect(asked, [this, snapshot] {
                emit Published(*snapshot);
                LookDone(true);
            });
            for (int i = 0; i < snapshot->modems.size(); ++i) {
                if (!snapshot->modems[i].simPath.isEmpty()) {
                    QDBusMessage all =
                        Call(snapshot->modems[i].simPath, kProperties, QStringLiteral("GetAll"));
                    all << kSimInterface;
                    Ask(all, [snapshot, pending, i](const QDBusMessage& r) {
                        // No answer: the SIM stays unknown, and a plan bound to it sees
                        // no modem until the next look.
                        const QVariantMap p = PropertyMap(r.arguments().value(0));
                        snapshot->modems[i].simIdentifier =
                            p.value(QStringLiteral("SimIdentifier")).toString();
                        pending->Answered();
                    });
                }
                if (snapshot->modems[i].state != kMmConnected) {
                    continue;
                }
                for (const QString& bearer : bearers[i]) {
                    QDBusMessage all = Call(bearer, kProperties, QStringLiteral("GetAll"));
                    all << kBearerInterface;
                    Ask(all, [snapshot, pending, i](const QDBusMessage& r) {
                        const QVariantMap p = PropertyMap(r.arguments().value(0));
                        const QString name = p.value(QStringLiteral("Interface")).toString();
                        if (p.value(QStringLiteral("Connected")).toBool() && !name.isEmpty()) {
                            snapshot->modems[i].bearerInterface = name;
                        }
                        pending->Answered();
                    });
                }
            }
        });
}

void MmFollower::Lost(ServiceState why) {
    emit Published(MmSnapshot{why, {}});
}

ModemManagerModems::ModemManagerModems(int answerLimitMs) {
    qRegisterMetaType<MmSnapshot>();
    follower_ = new MmFollower(answerLimitMs);
    connect(
        follower_, &MmFollower::Published, this,
        [this](const MmSnapshot& snapshot) {
            snapshot_ = snapshot;
            // A stall or a restart says nothing of the ports ModemManager holds, and a new
            // owner lists no modem while it still probes them: the ports known stay until
            // the service lists its modems again.
            if (snapshot.service == ServiceState::Running) {
                QStringList ports;
                for (const MmModem& m : snapshot.modems) {
                    ports << m.ports;
                }
                if (!ports.isEmpty() || !interrupted_) {
                    heldPorts_ = ports;
                    interrupted_ = false;
                }
            } else if (snapshot.service != ServiceState::Pending) {
                interrupted_ = true;
            }
            emit Changed();
        },
        Qt::QueuedConnection);
    follower_->Start();
}

ModemManagerModems::~ModemManagerModems() {
    follower_->Stop();
}

QStringList ModemManagerModems::AwaitPorts(int limitMs) {
    if (snapshot_.service == ServiceState::Pending) {
        QEventLoop loop;
        QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
        connect(this, &ModemManagerModems::Changed, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return heldPorts_;
}

ModemManagerWatch::ModemManagerWatch(const QString& wanted, QObject* parent, int answerLimitMs,
                                     const QString& sim)
    : ConnectionWatch(parent), wanted_(wanted), sim_(sim), modems_(answerLimitMs) {
    connect(&modems_, &ModemManagerModems::Changed, this, [this] {
        if (const MmModem* modem = Watched()) {
            const QString name =
                QStringList{modem->manufacturer, modem->model}.join(QLatin1Char(' ')).trimmed();
            shownName_ = name.isEmpty() ? modem->equipmentId : name;
        }
        // A service that went away or did not answer says nothing of where the modem is:
        // the bytes keep being counted where they were.
        if (modems_.Snapshot().service == ServiceState::Running) {
            registration_ = ModemRegistrationOf(modems_.Snapshot(), wanted_);
        }
        emit Changed();
    });
}

const MmModem* ModemManagerWatch::Watched() const {
    return sim_.isEmpty() ? FindModem(modems_.Snapshot(), wanted_)
                          : FindModemWithSim(modems_.Snapshot(), sim_);
}

QString ModemManagerWatch::Name() const {
    if (!shownName_.isEmpty()) {
        return shownName_;
    }
    return sim_.isEmpty() ? wanted_ : QStringLiteral("SIM ") + sim_;
}

LinkCheck ModemManagerWatch::Check() {
    if (!sim_.isEmpty()) {
        // The SIM, not a modem, is the link: down while no modem shows it.
        LinkCheck check;
        check.subject = Name();
        if (!ServiceDecides(modems_.Snapshot().service, QStringLiteral("ModemManager"), &check)) {
            const MmModem* modem = Watched();
            check.state =
                modem != nullptr && modem->state == kMmConnected ? LinkState::Up : LinkState::Down;
        }
        return check;
    }
    LinkCheck check = MmLinkCheck(modems_.Snapshot(), wanted_);
    if (!shownName_.isEmpty() && check.state != LinkState::Unusable) {
        check.subject = shownName_;
    }
    return check;
}

QString ModemManagerWatch::CountedInterface() const {
    const MmModem* modem = Watched();
    return modem != nullptr && modem->state == kMmConnected ? modem->bearerInterface : QString();
}

Registration ModemRegistrationOf(const MmSnapshot& snapshot, const QString& wanted) {
    const MmModem* modem = FindModem(snapshot, wanted);
    if (modem == nullptr || modem->state != kMmConnected) {
        return {};
    }
    return {MmRoamingState(modem->registrationState), modem->operatorName, modem->operatorCode};
}

}  // namespace vindelor::watch
