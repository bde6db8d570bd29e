#include "dialogs/refreshdlg.h"

#include "core/numbers.h"
#include "core/profile.h"
#include "core/texts.h"
#include "dialogs/dialogparts.h"
#include "platform/services.h"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace vindelor {
namespace {

const QString kSection = QStringLiteral("Refresh");
const QString kKey = QStringLiteral("Rate");
// Readers of the key see at most this many characters.
constexpr int kStoredChars = 8;
const QSize kDesignSize(342, 139);
constexpr int kInset = 8;

}  // namespace

TRefreshDlg::TRefreshDlg(QWidget* parent) : QDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    Edit1 = new QLineEdit(GroupBox1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMaximumWidth(120);
    Label1 = new QLabel(GroupBox1);
    Label1->setObjectName(QStringLiteral("Label1"));
    auto* groupLayout = new QVBoxLayout(GroupBox1);
    // The design's 8-pixel insets, not the style's wider ones: the texts need the room.
    groupLayout->setContentsMargins(kInset, kInset / 2, kInset, kInset / 2);
    groupLayout->addWidget(Edit1);
    groupLayout->addWidget(Label1);

    BitBtn1 = NamedButton(this, "BitBtn1", QStringLiteral("OK"));
    BitBtn1->setDefault(true);
    BitBtn1->setMinimumWidth(90);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kInset, kInset, kInset, kInset);
    layout->addWidget(GroupBox1);
    layout->addStretch();
    layout->addLayout(buttons);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &TRefreshDlg::Timer1Timer);
    connect(BitBtn1, &QPushButton::clicked, this, &TRefreshDlg::BitBtn1Click);

    FormCreate();
    Timer1->start();

    // The design's size; wider only where a language's text would not fit whole, and then
    // no wider than it needs. Not resizable, like the design.
    setFixedSize(kDesignSize.expandedTo(minimumSizeHint()));
    CentreOnScreen(this, size());
}

void TRefreshDlg::FormCreate() {
    GroupBox1->setTitle(Text(39));
    Label1->setText(Text(40));
    setWindowTitle(Text(41));
    Edit1->setText(
        GetProfileString(kSection, kKey, QStringLiteral("1000"), kStoredChars + 1, kSettingsFile));
}

void TRefreshDlg::BitBtn1Click() {
    int rate = 0;
    if (!ConvertInteger(Edit1->text(), &rate) || rate < kLowest || rate > kHighest) {
        platform::Boxes().Show(this, QGuiApplication::applicationDisplayName(), Text(42),
                               platform::MessageBoxes::Icon::None,
                               platform::MessageBoxes::Buttons::Ok);
        return;
    }
    int error = 0;
    if (!WriteProfileString(kSection, kKey, StoredEntry(Edit1->text(), rate, kStoredChars),
                            kSettingsFile, &error)) {
        // Open with the entry, so that OK can try again once there is room.
        ShowSettingNotSaved(this, error);
        return;
    }
    Timer1->stop();
    accept();
}

void TRefreshDlg::Timer1Timer() {
    Timer1->stop();
    setWindowIcon(QApplication::windowIcon());
    Timer1->start();
}

}  // namespace vindelor
