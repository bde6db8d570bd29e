#include "dialogs/connectiondlg.h"

#include "components/portmap.h"
#include "connectionwatch/modemmanager/mmwatch.h"
#include "connectionwatch/networkmanager/nmwatch.h"
#include "core/plans.h"
#include "core/profile.h"
#include "core/texts.h"
#include "dialogs/dialogparts.h"
#include "platform/datadir.h"
#include "platform/net/links.h"
#include "platform/services.h"

#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cerrno>
#include <cstring>

namespace vindelor {

namespace {

// The modem list's value for a SIM rather than a modem.
const QString kSimPrefix = QStringLiteral("SIM:");

QString Stored(const QString& section, const QString& key, int len) {
    return GetProfileString(section, key, QString(), len, kSettingsFile).trimmed();
}

// Puts `items` (text, stored value) into `box`, keeping `keep` chosen; a stored value the
// service does not show now stays on offer.
void Refill(QComboBox* box, QList<QPair<QString, QString>> items, const QString& keep) {
    bool found = keep.isEmpty();
    for (const auto& item : items) {
        found = found || item.second == keep;
    }
    if (!found) {
        items.prepend({keep, keep});
    }
    const QString current = box->currentData().toString();
    box->clear();
    for (const auto& item : items) {
        box->addItem(item.first, item.second);
    }
    const int index = box->findData(current.isEmpty() ? keep : current);
    box->setCurrentIndex(index >= 0 ? index : 0);
}

}  // namespace

TConnectionDlg::TConnectionDlg(QWidget* parent, const QStringList& interfaces, bool askSystem)
    : QDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowTitle(Text(kOwnTextBase + kTextConnectionMenu));

    Label1 = new QLabel(Text(kOwnTextBase + kTextWatchExplained), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);

    RadioSerial = new QRadioButton(Text(kOwnTextBase + kTextWatchSerialPort), this);
    RadioSerial->setObjectName(QStringLiteral("RadioSerial"));
    ComboPort = new QComboBox(this);
    ComboPort->setObjectName(QStringLiteral("ComboPort"));
    for (int n = 1; n <= 4; ++n) {
        const QString port = QStringLiteral("COM%1").arg(n);
        const QString device = DeviceForPort(port);
        const QString shown = QFileInfo::exists(device)
                                  ? device
                                  : Text(kOwnTextBase + kTextDeviceMissing).arg(device);
        ComboPort->addItem(QStringLiteral("%1  (%2)").arg(port, shown), port);
    }

    RadioInterface = new QRadioButton(Text(kOwnTextBase + kTextWatchInterface), this);
    RadioInterface->setObjectName(QStringLiteral("RadioInterface"));
    ComboInterface = new QComboBox(this);
    ComboInterface->setObjectName(QStringLiteral("ComboInterface"));
    QStringList names = askSystem ? platform::PresentInterfaces() : interfaces;
    const QString storedInterface =
        Stored(QStringLiteral("Connection"), QStringLiteral("Interface"), 64);
    // A chosen interface that is absent now (the phone unplugged) stays on offer.
    if (!storedInterface.isEmpty() && !names.contains(storedInterface)) {
        names.prepend(storedInterface);
    }
    ComboInterface->addItems(names);
    // An interface that comes only with its device (usb0 of a phone not yet plugged in)
    // can be typed.
    ComboInterface->setEditable(true);
    ComboInterface->setInsertPolicy(QComboBox::NoInsert);

    storedConnection_ = Stored(QStringLiteral("Connection"), QStringLiteral("NetworkManager"), 256);
    storedModem_ = Stored(QStringLiteral("Connection"), QStringLiteral("Modem"), 256);
    // A SIM chosen counts before the modem (as a run chooses).
    if (const QString sim = Stored(QStringLiteral("Connection"), QStringLiteral("SIM"), 64);
        !sim.isEmpty()) {
        storedModem_ = kSimPrefix + sim;
    }
    RadioNetworkManager = new QRadioButton(Text(kOwnTextBase + kTextWatchNetworkManager), this);
    RadioNetworkManager->setObjectName(QStringLiteral("RadioNetworkManager"));
    ComboNetworkManager = new QComboBox(this);
    ComboNetworkManager->setObjectName(QStringLiteral("ComboNetworkManager"));
    RadioModem = new QRadioButton(Text(kOwnTextBase + kTextWatchModem), this);
    RadioModem->setObjectName(QStringLiteral("RadioModem"));
    ComboModem = new QComboBox(this);
    ComboModem->setObjectName(QStringLiteral("ComboModem"));
    FillConnections();
    FillModems();
    if (askSystem) {
        profiles_ = std::make_unique<watch::NetworkManagerProfiles>();
        connect(profiles_.get(), &watch::NetworkManagerProfiles::Changed, this,
                &TConnectionDlg::FillConnections);
        modems_ = std::make_unique<watch::ModemManagerModems>();
        connect(modems_.get(), &watch::ModemManagerModems::Changed, this,
                &TConnectionDlg::FillModems);
    }

    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setWordWrap(true);
    Label2->setText(names.isEmpty() ? Text(kOwnTextBase + kTextNoInterfaces)
                                    : Text(kOwnTextBase + kTextWatchNextStart));

    Label3 = new QLabel(Text(kOwnTextBase + kTextAverageSerialOnly), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setWordWrap(true);
    GraceLabel = new QLabel(Text(kOwnTextBase + kTextGraceLabel), this);
    GraceLabel->setObjectName(QStringLiteral("GraceLabel"));
    GraceEdit =
        new QLineEdit(Stored(QStringLiteral("Connection"), QStringLiteral("Grace"), 10), this);
    GraceEdit->setObjectName(QStringLiteral("GraceEdit"));
    GraceEdit->setMaxLength(3);
    GraceLabel->setBuddy(GraceEdit);

    if (!storedConnection_.isEmpty()) {
        RadioNetworkManager->setChecked(true);
    } else if (!storedModem_.isEmpty()) {
        RadioModem->setChecked(true);
    } else if (storedInterface.isEmpty()) {
        RadioSerial->setChecked(true);
    } else {
        RadioInterface->setChecked(true);
        ComboInterface->setCurrentText(storedInterface);
    }
    const int port =
        ComboPort->findData(Stored(QStringLiteral("Modem"), QStringLiteral("Port"), 10).toUpper());
    ComboPort->setCurrentIndex(port >= 0 ? port : 0);
    for (QRadioButton* radio : {RadioSerial, RadioInterface, RadioNetworkManager, RadioModem}) {
        connect(radio, &QRadioButton::toggled, this, &TConnectionDlg::Follow);
    }
    Follow();

    BitBtn1 = NamedButton(this, "BitBtn1", QStringLiteral("OK"));
    BitBtn1->setDefault(true);
    BitBtn2 = NamedButton(this, "BitBtn2", Text(18));
    connect(BitBtn1, &QPushButton::clicked, this, &TConnectionDlg::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

    auto* grid = new QVBoxLayout(this);
    grid->addWidget(Label1);
    grid->addWidget(RadioSerial);
    grid->addWidget(ComboPort);
    grid->addWidget(RadioInterface);
    grid->addWidget(ComboInterface);
    grid->addWidget(RadioNetworkManager);
    grid->addWidget(ComboNetworkManager);
    grid->addWidget(RadioModem);
    grid->addWidget(ComboModem);
    grid->addWidget(Label2);
    grid->addWidget(Label3);
    auto* grace = new QHBoxLayout;
    grace->addWidget(GraceLabel);
    grace->addWidget(GraceEdit);
    grid->addLayout(grace);
    grid->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    grid->addLayout(buttons);

    CentreOnScreen(this, QSize(380, 440));
}

TConnectionDlg::~TConnectionDlg() = default;

void TConnectionDlg::Follow() {
    ComboPort->setEnabled(RadioSerial->isChecked());
    ComboInterface->setEnabled(RadioInterface->isChecked());
    ComboNetworkManager->setEnabled(RadioNetworkManager->isChecked());
    ComboModem->setEnabled(RadioModem->isChecked());
}

void TConnectionDlg::FillConnections() {
    QList<QPair<QString, QString>> items;
    const watch::NmProfiles none;
    const watch::NmProfiles& read = profiles_ ? profiles_->Profiles() : none;
    // Stored by UUID, shown by id: two connections may share an id, a VPN's the modem's.
    for (const watch::NmProfile& p : read.profiles) {
        items.append(
            {QStringLiteral("%1  (%2)").arg(p.id, p.type), p.uuid.isEmpty() ? p.id : p.uuid});
    }
    // An older file's id is the connection that alone has it.
    QString keep = storedConnection_;
    if (!keep.isEmpty() && !watch::IsNmUuid(keep)) {
        const QList<watch::NmProfile> named = ProfilesCalled(keep);
        if (named.size() == 1 && !named.constFirst().uuid.isEmpty()) {
            keep = named.constFirst().uuid;
            if (ComboNetworkManager->currentData().toString() == storedConnection_) {
                ComboNetworkManager->clear();  // not chosen by the user: the profile is
            }
        }
    }
    Refill(ComboNetworkManager, items, keep);
    if (ComboNetworkManager->count() == 0) {
        ComboNetworkManager->setPlaceholderText(
            Text(kOwnTextBase + (read.service == watch::ServiceState::Pending && profiles_
                                     ? kTextReadingServices
                                     : kTextNoNmConnections)));
    }
    RadioNetworkManager->setEnabled(ComboNetworkManager->count() > 0);
}

QList<watch::NmProfile> TConnectionDlg::ProfilesCalled(const QString& id) const {
    QList<watch::NmProfile> named;
    if (profiles_) {
        for (const watch::NmProfile& p : profiles_->Profiles().profiles) {
            if (p.id == id) {
                named.append(p);
            }
        }
    }
    return named;
}

void TConnectionDlg::FillModems() {
    QList<QPair<QString, QString>> items{
        {Text(kOwnTextBase + kTextAnyModem), QStringLiteral("any")}};
    if (modems_) {
        for (const watch::MmModem& m : modems_->Snapshot().modems) {
            const QString name =
                QStringList{m.manufacturer, m.model}.join(QLatin1Char(' ')).trimmed();
            items.append({QStringLiteral("%1  (%2)").arg(name, m.equipmentId), m.equipmentId});
        }
        // A SIM is a link of its own: the plan follows it into whichever modem it sits.
        for (const watch::MmModem& m : modems_->Snapshot().modems) {
            if (!m.simIdentifier.isEmpty()) {
                items.append({QStringLiteral("SIM %1  (%2)").arg(m.simIdentifier, m.equipmentId),
                              kSimPrefix + m.simIdentifier});
            }
        }
    }
    Refill(ComboModem, items, storedModem_);
}

void TConnectionDlg::BitBtn1Click() {
    // Empty is none, as in earlier versions.
    const QString graceText = GraceEdit->text().trimmed();
    bool whole = graceText.isEmpty();
    const int grace = whole ? 0 : graceText.toInt(&whole);
    if (!whole || grace < 0 || grace > watch::kMaxGraceSeconds) {
        platform::Boxes().Show(this, QStringLiteral("Vindelor"), Text(kOwnTextBase + kTextBadGrace),
                               platform::MessageBoxes::Icon::Warning,
                               platform::MessageBoxes::Buttons::Ok);
        GraceEdit->setFocus();
        GraceEdit->selectAll();
        return;
    }
    QString interfaceName;
    QString connection;
    QString modem;
    if (RadioInterface->isChecked()) {
        interfaceName = ComboInterface->currentText().trimmed();
        if (!interfaceName.isEmpty() && !platform::PossibleInterfaceName(interfaceName)) {
            platform::Boxes().Show(this, QStringLiteral("Vindelor"),
                                   Text(kOwnTextBase + kTextNotAnInterfaceName).arg(interfaceName),
                                   platform::MessageBoxes::Icon::Warning,
                                   platform::MessageBoxes::Buttons::Ok);
            ComboInterface->setFocus();
            return;
        }
    } else if (RadioNetworkManager->isChecked()) {
        connection = ComboNetworkManager->currentData().toString();
        // An id of more than one connection would time whichever of them comes up.
        if (const QList<watch::NmProfile> named = ProfilesCalled(connection);
            !watch::IsNmUuid(connection) && named.size() > 1) {
            QStringList which;
            for (const watch::NmProfile& p : named) {
                which << QStringLiteral("%1  (%2, %3)").arg(p.id, p.type, p.uuid);
            }
            platform::Boxes().Show(this, QStringLiteral("Vindelor"),
                                   Text(kOwnTextBase + kTextNmIdOfSeveral)
                                       .arg(connection, which.join(QStringLiteral("; "))),
                                   platform::MessageBoxes::Icon::Warning,
                                   platform::MessageBoxes::Buttons::Ok);
            ComboNetworkManager->setFocus();
            return;
        }
    } else if (RadioModem->isChecked()) {
        modem = ComboModem->currentData().toString();
    }
    QString sim;
    if (modem.startsWith(kSimPrefix)) {
        sim = modem.mid(kSimPrefix.size());
        modem.clear();
    }
    const bool serial =
        interfaceName.isEmpty() && connection.isEmpty() && modem.isEmpty() && sim.isEmpty();
    // Two plans on one link would time every session twice.
    const PlanLink link =
        !connection.isEmpty() ? PlanLink{PlanLink::Kind::NetworkManager, connection}
        : !sim.isEmpty()      ? PlanLink{PlanLink::Kind::Sim, sim}
        : !modem.isEmpty()    ? PlanLink{PlanLink::Kind::Modem, modem}
        : !interfaceName.isEmpty()
            ? PlanLink{PlanLink::Kind::Interface, interfaceName}
            : PlanLink{PlanLink::Kind::SerialPort, ComboPort->currentData().toString()};
    // Another plan may name the same connection by its id, as older files do.
    QStringList otherNames;
    if (!connection.isEmpty() && profiles_) {
        for (const watch::NmProfile& p : profiles_->Profiles().profiles) {
            if (p.uuid.compare(connection, Qt::CaseInsensitive) == 0) {
                otherNames << p.id << p.uuid;
            }
        }
    }
    if (const std::optional<QString> other =
            PlanClaiming(link, platform::SelectedPlan(), otherNames)) {
        const QString name = other->isEmpty() ? Text(kOwnTextBase + kTextDefaultPlan) : *other;
        platform::Boxes().Show(
            this, QStringLiteral("Vindelor"), Text(kOwnTextBase + kTextLinkClaimed).arg(name),
            platform::MessageBoxes::Icon::Warning, platform::MessageBoxes::Buttons::Ok);
        return;
    }
    int error = 0;
    bool written = WriteProfileString(QStringLiteral("Connection"), QStringLiteral("Interface"),
                                      interfaceName, kSettingsFile, &error);
    // The keys of the other kinds are written only to empty them: a file that never had
    // them stays as it was.
    for (const auto& [key, value] :
         {std::pair{QStringLiteral("NetworkManager"), connection},
          std::pair{QStringLiteral("Modem"), modem}, std::pair{QStringLiteral("SIM"), sim}}) {
        if (written &&
            (!value.isEmpty() || !Stored(QStringLiteral("Connection"), key, 256).isEmpty())) {
            written =
                WriteProfileString(QStringLiteral("Connection"), key, value, kSettingsFile, &error);
        }
    }
    if (written && (grace != 0 ||
                    !Stored(QStringLiteral("Connection"), QStringLiteral("Grace"), 10).isEmpty())) {
        written = WriteProfileString(QStringLiteral("Connection"), QStringLiteral("Grace"),
                                     QString::number(grace), kSettingsFile, &error);
    }
    if (written && serial) {
        written = WriteProfileString(QStringLiteral("Modem"), QStringLiteral("Port"),
                                     ComboPort->currentData().toString(), kSettingsFile, &error);
    }
    if (!written) {
        ShowSettingNotSaved(this, error);
        return;  // open still: the entries are kept for another try
    }
    accept();
}

}  // namespace vindelor
