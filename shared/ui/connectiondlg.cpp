#include "shared/ui/connectiondlg.h"

#include "components/portmap.h"
#include "platform/net/links.h"
#include "platform/datadir.h"
#include "platform/services.h"
#include "shared/profile.h"
#include "shared/texts.h"
#include "shared/ui/dialogparts.h"

#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cerrno>
#include <cstring>

namespace vindelor {

namespace {

QString Stored(const QString& section, const QString& key, int len) {
    return GetProfileString(section, key, QString(), len, kSettingsFile).trimmed();
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

    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setWordWrap(true);
    Label2->setText(names.isEmpty() ? Text(kOwnTextBase + kTextNoInterfaces)
                                    : Text(kOwnTextBase + kTextWatchNextStart));

    if (storedInterface.isEmpty()) {
        RadioSerial->setChecked(true);
    } else {
        RadioInterface->setChecked(true);
        ComboInterface->setCurrentText(storedInterface);
    }
    const int port =
        ComboPort->findData(Stored(QStringLiteral("Modem"), QStringLiteral("Port"), 10).toUpper());
    ComboPort->setCurrentIndex(port >= 0 ? port : 0);
    const auto follow = [this] {
        ComboPort->setEnabled(RadioSerial->isChecked());
        ComboInterface->setEnabled(RadioInterface->isChecked());
    };
    connect(RadioSerial, &QRadioButton::toggled, this, follow);
    follow();

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
    grid->addWidget(Label2);
    grid->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    grid->addLayout(buttons);

    CentreOnScreen(this, QSize(360, 260));
}

void TConnectionDlg::BitBtn1Click() {
    const QString name = ComboInterface->currentText().trimmed();
    const bool serial = RadioSerial->isChecked() || name.isEmpty();
    if (!serial && !platform::PossibleInterfaceName(name)) {
        platform::Boxes().Show(this, QStringLiteral("Vindelor"),
                               Text(kOwnTextBase + kTextNotAnInterfaceName).arg(name),
                               platform::MessageBoxes::Icon::Warning,
                               platform::MessageBoxes::Buttons::Ok);
        ComboInterface->setFocus();
        return;
    }
    int error = 0;
    bool written = WriteProfileString(QStringLiteral("Connection"), QStringLiteral("Interface"),
                                      serial ? QString() : name, kSettingsFile, &error);
    if (written && serial) {
        written = WriteProfileString(QStringLiteral("Modem"), QStringLiteral("Port"),
                                     ComboPort->currentData().toString(), kSettingsFile, &error);
    }
    if (!written) {
        ShowSettingNotSaved(this, error);
        reject();
        return;
    }
    accept();
}

}  // namespace vindelor
