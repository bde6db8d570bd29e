#include "converter/ristolaform.h"

#include "components/artwork.h"
#include "platform/services.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace vindelor::ristola {
namespace {

QLabel* CentredLabel(QWidget* parent, const QString& text, int x, int y, int width) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    label->setGeometry(x, y, width, 18);
    return label;
}

}  // namespace

TForm1::TForm1(QWidget* parent) : QWidget(parent) {
    // Fixed single border with the close box only.
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(220, 221);
    setWindowTitle(kProgramTitle);

    QFont small = font();
    small.setPointSizeF(8);
    setFont(small);

    Label1 = CentredLabel(this, QStringLiteral("Run tune up of previous log"), 4, 8, 212);
    Label2 = CentredLabel(this, QStringLiteral("Kör en uppdatering av tidigare logg"), 4, 28, 212);
    Label3 = CentredLabel(this, QStringLiteral("Tee aiemman lokin päivitys"), 4, 48, 212);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2->setObjectName(QStringLiteral("Label2"));
    Label3->setObjectName(QStringLiteral("Label3"));

    // The standard Yes button, in the language of Qt's translator in force.
    BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogYesButton),
                              QCoreApplication::translate("QPlatformTheme", "&Yes"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(70, 76, 80, 27);
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setGeometry(6, 114, 208, 100);
    // The warning lines must fit the fixed width whole.
    QFont narrow = Panel1->font();
    narrow.setPointSizeF(7.5);
    Panel1->setFont(narrow);
    Label4 =
        CentredLabel(Panel1, QStringLiteral("Intended only for use if you've used an"), 2, 8, 204);
    Label5 =
        CentredLabel(Panel1, QStringLiteral("earlier version than 1.12 of Vindelor"), 2, 28, 204);
    Label6 = CentredLabel(Panel1, QStringLiteral("RUN THIS PROGRAM ONLY ONCE"), 2, 52, 204);
    Label7 = CentredLabel(Panel1, QStringLiteral("BEFORE YOU START TO USE V1.12 !"), 2, 72, 204);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label5->setObjectName(QStringLiteral("Label5"));
    Label6->setObjectName(QStringLiteral("Label6"));
    Label7->setObjectName(QStringLiteral("Label7"));

    FormCreate();
}

void TForm1::FormCreate() {
    // The name, not the display name: Qt would append a display name to every caption.
    QApplication::setApplicationName(kProgramTitle);
    // Ristola belongs to Vindelor and wears its icon, from its first window on.
    QApplication::setWindowIcon(LoadIconResource(QStringLiteral("VINDELOR")));
    setWindowIcon(QApplication::windowIcon());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
}

void TForm1::BitBtn1Click() {
    lastOutcome_ = RunTuneUp();
    const auto icon = lastOutcome_ == TuneUpOutcome::WriteFailed
                          ? platform::MessageBoxes::Icon::Error
                          : platform::MessageBoxes::Icon::Information;
    platform::Boxes().Show(this, kProgramTitle, OutcomeMessage(lastOutcome_), icon,
                           platform::MessageBoxes::Buttons::Ok);
    close();
}

}  // namespace vindelor::ristola
