#include "monitor/fmodem.h"

#include "components/portmap.h"
#include "core/language.h"
#include "core/profile.h"
#include "core/qtlanguage.h"
#include "core/sessionglobals.h"
#include "core/texts.h"
#include "monitor/portdiscovery.h"
#include "platform/services.h"
#include "platform/udevmodems.h"

#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include <algorithm>

namespace vindelor {

TFModem::TFModem(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FModem"));
    setFixedSize(376, 182);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);

    GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(8, 8, 249, 166);

    QRadioButton** buttons[] = {&RadioButton1, &RadioButton2, &RadioButton3, &RadioButton4};
    for (int i = 0; i < 4; ++i) {
        auto* b = new QRadioButton(QStringLiteral("Com%1").arg(i + 1), GroupBox1);
        b->setObjectName(QStringLiteral("RadioButton%1").arg(i + 1));
        b->setGeometry(16, 24 + i * 22, 56, 20);
        *buttons[i] = b;
        DeviceLabels[i] = new QLabel(GroupBox1);
        DeviceLabels[i]->setObjectName(QStringLiteral("DeviceLabel%1").arg(i + 1));
        DeviceLabels[i]->setGeometry(74, 24 + i * 22, 169, 20);
    }

    auto* panel = new QFrame(GroupBox1);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setGeometry(8, 116, 233, 42);
    Label1 = new QLabel(panel);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setGeometry(4, 2, 225, 38);

    BitBtn1 = new QPushButton(QStringLiteral("&Ok"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(272, 16, 89, 33);
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setGeometry(272, 60, 89, 33);
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });

    if (QScreen* screen = this->screen()) {
        move(screen->geometry().center() - rect().center());
    }
    FormCreate();
}

void TFModem::FormCreate() {
    // Read here, not taken from the main window: the dialog opens before the main window
    // has read its settings.
    LanguageCode = ProgramLanguage(5, StoreLanguage::Yes);
    SessionGlobals().LanguageCode = LanguageCode;
    SelectLanguage(LanguageCode);
    FollowLanguageInQt();
    setWindowTitle(Text(24));
    GroupBox1->setTitle(Text(25));
    Label1->setText(Text(26));
    BitBtn2->setText(Text(13));
    for (int i = 0; i < 4; ++i) {
        const QString device = DeviceForPort(QStringLiteral("COM%1").arg(i + 1));
        const bool present = platform::SerialDevicePresent(device);
        const QString pattern =
            present ? QStringLiteral("%1") : Text(kOwnTextBase + kTextDeviceAbsent);
        // A /dev/serial/by-id name is long: its end tells modems apart, so the middle goes.
        const QFontMetrics metrics(DeviceLabels[i]->font());
        const int room =
            DeviceLabels[i]->width() - metrics.horizontalAdvance(pattern.arg(QString()));
        DeviceLabels[i]->setText(
            pattern.arg(metrics.elidedText(device, Qt::ElideMiddle, std::max(room, 0))));
        DeviceLabels[i]->setToolTip(device);
        DeviceLabels[i]->setEnabled(present);
    }
    // QDialog would give the focus to OK, where the arrow keys choose nothing.
    RadioButton1->setFocus();
}

void TFModem::AskedByUser(const QString& watchedInterface) {
    Label1->setText(
        watchedInterface.isEmpty()
            ? Text(kOwnTextBase + kTextPortChoiceAsked)
            : Text(kOwnTextBase + kTextPortChoiceBesideInterface).arg(watchedInterface));
    // The panel grows downwards with the dialog until the whole text shows.
    const int missing = Label1->heightForWidth(Label1->width()) - Label1->height();
    if (missing > 0) {
        Label1->resize(Label1->width(), Label1->height() + missing);
        QWidget* panel = Label1->parentWidget();
        panel->resize(panel->width(), panel->height() + missing);
        GroupBox1->resize(GroupBox1->width(), GroupBox1->height() + missing);
        setFixedSize(width(), height() + missing);
    }
    const int stored = monitor::PortNumberOf(GetProfileString(
        QStringLiteral("Modem"), QStringLiteral("Port"), QString(), 10, kSettingsFile));
    QRadioButton* buttons[] = {RadioButton1, RadioButton2, RadioButton3, RadioButton4};
    if (stored >= 1 && stored <= 4) {
        buttons[stored - 1]->setChecked(true);
        buttons[stored - 1]->setFocus();
    }
}

void TFModem::BitBtn1Click() {
    const QRadioButton* buttons[] = {RadioButton1, RadioButton2, RadioButton3, RadioButton4};
    int checked = 0;
    int which = 0;
    for (int i = 0; i < 4; ++i) {
        if (buttons[i]->isChecked()) {
            ++checked;
            which = i + 1;
        }
    }
    if (checked == 1) {
        SessionGlobals().PortChoice[which - 1] = true;
        WriteProfileString(QStringLiteral("Modem"), QStringLiteral("Port"),
                           QStringLiteral("Com%1").arg(which), kSettingsFile);
        accept();
        return;
    }
    platform::Boxes().Show(this, QStringLiteral("Vindelor"), Text(checked == 0 ? 27 : 28),
                           platform::MessageBoxes::Icon::Warning,
                           platform::MessageBoxes::Buttons::Ok);
}

void TFModem::BitBtn2Click() {
    platform::Help().ShowHelp(this, HelpFileForCode(LanguageCode), 2);
}

}  // namespace vindelor
