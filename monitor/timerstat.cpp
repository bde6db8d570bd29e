#include "monitor/timerstat.h"

#include "core/numbers.h"
#include "core/sessionglobals.h"
#include "core/texts.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace vindelor {
namespace {

QLabel* ValuePanel(QWidget* parent, const char* name) {
    auto* panel = new QLabel(parent);
    panel->setObjectName(QLatin1String(name));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setAlignment(Qt::AlignCenter);
    panel->setMinimumSize(129, 25);
    panel->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
    return panel;
}

QLabel* RowLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setWordWrap(true);
    return label;
}

}  // namespace

TStatDlg::TStatDlg(QWidget* parent) : QDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Label1 = RowLabel(Panel1, "Label1");
    Label2 = RowLabel(Panel1, "Label2");
    Label4 = RowLabel(Panel1, "Label4");
    Label3 = RowLabel(Panel1, "Label3");
    Panel3 = ValuePanel(Panel1, "Panel3");
    Panel5 = ValuePanel(Panel1, "Panel5");
    Panel8 = ValuePanel(Panel1, "Panel8");

    auto* rows = new QGridLayout(Panel1);
    rows->setContentsMargins(14, 12, 14, 12);
    rows->setVerticalSpacing(10);
    rows->setColumnStretch(0, 1);
    rows->addWidget(Label1, 0, 0);
    rows->addWidget(Panel3, 0, 1);
    rows->addWidget(Label2, 1, 0);
    rows->addWidget(Panel5, 1, 1);
    rows->addWidget(Label4, 2, 0);
    rows->addWidget(Panel8, 2, 1);
    rows->addWidget(Label3, 3, 0, 1, 2);

    BitBtn1 = new QPushButton(QStringLiteral("&Ok"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn1->setMinimumWidth(90);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Panel1);
    layout->addLayout(buttons);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    connect(Timer1, &QTimer::timeout, this, &TStatDlg::Timer1Timer);

    FormCreate();

    // Fixed, like every dialog of the programs: no maximise button.
    setFixedSize(QSize(427, 238).expandedTo(sizeHint()));
    if (QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

void TStatDlg::FormCreate() {
    setWindowTitle(Text(20));
    Label1->setText(Text(21));
    Label2->setText(Text(22));
    Label3->setText(Text(23));
    Label4->setText(Text(111));
    FillPanels();
    Timer1->start(100);
}

void TStatDlg::FillPanels() {
    const SessionGlobalsT& g = SessionGlobals();
    // Before the first session tick the text is still empty: that counts as nothing used.
    cost_ = NumberOr(g.CostLeftText.trimmed(), 0.0);
    const double minimum = static_cast<double>(g.MonthlyMinimum);
    if (cost_ >= 0) {
        costText_ = FixedPointText(cost_ + minimum, 5, 2);
    } else {
        // Still below the minimum: the minimum is due, actual use stands in brackets.
        costText_ = FixedPointText(minimum, 5, 2) + QStringLiteral(" (") +
                    FixedPointText(cost_ + minimum, 5, 2) + QStringLiteral(")");
    }
    timeText_ = g.RunningNetTime;
    rateText_ = g.CurrencySymbol + QLatin1Char(' ') +
                DropOneTrailingZero(FixedPointText(g.CurrentRate, 7, 3));

    Panel3->setText(costText_);
    Panel5->setText(timeText_);
    Panel8->setText(rateText_);
}

void TStatDlg::Timer1Timer() {
    Timer1->stop();
    setWindowIcon(QApplication::windowIcon());
    FillPanels();
    Timer1->start();
}

}  // namespace vindelor
