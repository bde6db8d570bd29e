#include "monitor/adjust.h"

#include "core/numbers.h"
#include "core/profile.h"
#include "core/texts.h"
#include "dialogs/dialogparts.h"
#include "platform/datadir.h"
#include "platform/services.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <cerrno>
#include <cstring>

namespace vindelor {
namespace {

const QString kSection = QString::fromUtf8("Överv");
const QString kKey = QStringLiteral("Intervall");
// Readers of the key see at most this many characters.
constexpr int kStoredChars = 4;

}  // namespace

TAdjustDlg::TAdjustDlg(QWidget* parent) : QDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMaximumWidth(80);
    Panel3 = new QLabel(this);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel3->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel3->setAlignment(Qt::AlignCenter);
    Panel3->setWordWrap(true);
    Panel3->setMargin(4);
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn1->setMinimumWidth(90);

    auto* entry = new QHBoxLayout;
    entry->addWidget(Label1, 1);
    entry->addWidget(Edit1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(entry);
    layout->addWidget(Panel3);
    layout->addStretch();
    layout->addLayout(buttons);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    connect(Timer1, &QTimer::timeout, this, &TAdjustDlg::Timer1Timer);
    connect(BitBtn1, &QPushButton::clicked, this, &TAdjustDlg::BitBtn1Click);

    FormCreate();

    CentreOnScreen(this, QSize(360, 133));
}

void TAdjustDlg::FormCreate() {
    setWindowTitle(Text(116));
    Label1->setText(Text(114));
    Panel3->setText(Text(115));
    Edit1->setText(
        GetProfileString(kSection, kKey, QStringLiteral("20"), kStoredChars + 1, kSettingsFile));
    Timer1->start(100);
}

void TAdjustDlg::BitBtn1Click() {
    int seconds = 0;
    if (!ConvertInteger(Edit1->text(), &seconds) || seconds < kLowest || seconds > kHighest) {
        QPalette palette = Panel3->palette();
        palette.setColor(QPalette::WindowText, QApplication::palette().color(QPalette::Highlight));
        Panel3->setPalette(palette);
        hintHighlighted_ = true;
        return;
    }
    int error = 0;
    if (!WriteProfileString(kSection, kKey, StoredEntry(Edit1->text(), seconds, kStoredChars),
                            kSettingsFile, &error)) {
        // Closing as if it had been saved would leave the user believing a value that the
        // rate monitor never gets.
        ShowSettingNotSaved(this, error);
        return;  // open still: the entries are kept for another try
    }
    accept();
}

void TAdjustDlg::Timer1Timer() {
    Timer1->stop();
    setWindowIcon(QApplication::windowIcon());
    Timer1->start();
}

}  // namespace vindelor
