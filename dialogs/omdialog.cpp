#include "dialogs/omdialog.h"

#include "components/artwork.h"
#include "core/texts.h"
#include "core/version.h"
#include "dialogs/dialogparts.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace vindelor {
namespace {

// A few friendly words in the user's language.
QString Credits() {
    switch (LanguageOffset()) {
        case kSwedishOffset:
            return QString::fromUtf8(
                "Vindelor håller ett öga på ditt modem, tar tid på varje uppringd förbindelse "
                "och berättar vad den kostade \u2013 inga överraskningar på telefonräkningen."
                "\n\nGjord i Finland.");
        case kFinnishOffset:
            return QString::fromUtf8(
                "Vindelor pitää silmällä modeemiasi, mittaa jokaisen puhelinyhteyden keston "
                "ja kertoo, mitä se maksoi \u2013 ei yllätyksiä puhelinlaskussa."
                "\n\nTehty Suomessa.");
        default:
            return QString::fromUtf8(
                "Vindelor keeps an eye on your modem, times every dial-up connection and "
                "tells you what it cost \u2013 no surprises on the phone bill."
                "\n\nMade in Finland.");
    }
}

QLabel* Picture(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setFixedSize(TOmDlg::kPictureSize, TOmDlg::kPictureSize);
    return label;
}

}  // namespace

TOmDlg::TOmDlg(QWidget* parent) : QDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("About Vindelor"));

    Label1 = new QLabel(QStringLiteral("Vindelor " VINDELOR_DISPLAY_VERSION), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont big = Label1->font();
    big.setPointSizeF(big.pointSizeF() * 2.2);
    big.setBold(true);
    Label1->setFont(big);
    QPalette red = Label1->palette();
    red.setColor(QPalette::WindowText, QColor(220, 0, 0));
    Label1->setPalette(red);
    Label1->setAlignment(Qt::AlignCenter);

    Image1 = Picture(this, "Image1");
    Image2 = Picture(this, "Image2");

    Panel1 = new QLabel(Credits(), this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setWordWrap(true);
    Panel1->setAlignment(Qt::AlignCenter);
    Panel1->setMargin(10);

    BitBtn1 = NamedButton(this, "BitBtn1", QStringLiteral("OK"));
    BitBtn1->setDefault(true);
    BitBtn1->setMinimumWidth(90);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);

    auto* heading = new QHBoxLayout;
    heading->addWidget(Image1);
    heading->addWidget(Label1, 1);
    heading->addWidget(Image2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(heading);
    layout->addWidget(Panel1, 1);
    layout->addLayout(buttons);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    connect(Timer1, &QTimer::timeout, this, &TOmDlg::Timer1Timer);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    connect(Timer2, &QTimer::timeout, this, &TOmDlg::Timer2Timer);

    for (int i = 0; i < kFrames; ++i) {
        finland_[static_cast<std::size_t>(i)] =
            DrawPicture(QStringLiteral("FINLAND%1").arg(i + 1), kPictureSize);
        europe_[static_cast<std::size_t>(i)] =
            DrawPicture(QStringLiteral("EC%1").arg(i + 1), kPictureSize);
    }
    ShowFrame();
    setWindowIcon(QApplication::windowIcon());
    Timer1->start(200);
    Timer2->start(100);

    CentreOnScreen(this, QSize(360, 230));
}

void TOmDlg::ShowFrame() {
    Image1->setPixmap(finland_[static_cast<std::size_t>(frame_)]);
    Image2->setPixmap(europe_[static_cast<std::size_t>(frame_)]);
}

void TOmDlg::Timer1Timer() {
    frame_ = (frame_ + 1) % kFrames;
    ShowFrame();
}

void TOmDlg::Timer2Timer() {
    Timer2->stop();
    setWindowIcon(QApplication::windowIcon());
    Timer2->start();
}

}  // namespace vindelor
