#include "shared/ui/connectiondlg.h"

#include "components/portmap.h"
#include "platform/datadir.h"
#include "platform/net/links.h"
#include "platform/services.h"
#include "shared/profile.h"
#include "shared/texts.h"
#include "shared/ui/dialogparts.h"

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

    if (storedInterface.isEmpty()) {
        RadioSerial->setChecked(true);
    } else {
        RadioInterface->setChecked(true);
        ComboInterface->setCurrentText(storedInterface);
    }
    const int port =
        ComboPort->findData(Stored(QStringLiteral("Modem"), QStringLiteral("Port"), 10).toUpper());
    ComboPort->setCurrentIndex(port >= 0 ? port : 0);
    RadioInterface->setEnabled(!names.isEmpty());
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

    CentreOnScreen(this, QSize(360, 320));
}

void TConnectionDlg::BitBtn1Click() {
    // Empty is none, as in earlier versions.
    const QString graceText = GraceEdit->text().trimmed();
    bool whole = graceText.isEmpty();
    const int grace = whole ? 0 : graceText.toInt(&whole);
    if (!whole || grace < 0 || grace > 600) {
        platform::Boxes().Show(this, QStringLiteral("Vindelor"), Text(kOwnTextBase + kTextBadGrace),
                               platform::MessageBoxes::Icon::Warning,
                               platform::MessageBoxes::Buttons::Ok);
        GraceEdit->setFocus();
        GraceEdit->selectAll();
        return;
    }
    const bool serial = RadioSerial->isChecked() || ComboInterface->currentText().isEmpty();
    int error = 0;
    bool written = WriteProfileString(QStringLiteral("Connection"), QStringLiteral("Interface"),
                                      serial ? QString() : ComboInterface->currentText(),
                                      kSettingsFile, &error);
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
        reject();
        return;
    }
    accept();
}

}  // namespace vindelor
