#include "dialogs/omdialog.h"

#include "components/artwork.h"
#include "core/texts.h"

#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QTimer>

#include <gtest/gtest.h>

namespace vindelor {
namespace {

QImage Shown(QLabel* label) {
    return label->pixmap().toImage();
}

QImage Drawn(const QString& name) {
    return DrawPicture(name, TOmDlg::kPictureSize).toImage();
}

TEST(OmDialogTest, ShowsNameVersionAndCredits) {
    TOmDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("About Vindelor"));
    EXPECT_EQ(dlg.Label1->text(), QStringLiteral("Vindelor 1.12a"));
    const QColor ink = dlg.Label1->palette().color(QPalette::WindowText);
    EXPECT_GT(ink.red(), 180);
    EXPECT_LT(std::max(ink.green(), ink.blue()), 60);
    EXPECT_GT(dlg.Label1->font().pointSizeF(), dlg.font().pointSizeF() * 1.5);
    EXPECT_FALSE(dlg.Panel1->text().isEmpty());
    EXPECT_EQ(dlg.Timer1->interval(), 200);
    EXPECT_EQ(dlg.Timer2->interval(), 100);
    EXPECT_TRUE(dlg.Timer1->isActive() && dlg.Timer2->isActive());
}

TEST(OmDialogTest, CreditsFollowTheLanguage) {
    const int before = LanguageOffset();
    QStringList credits;
    for (int offset : {kSwedishOffset, kFinnishOffset, kEnglishOffset}) {
        SetLanguageOffset(offset);
        TOmDlg dlg;
        credits << dlg.Panel1->text();
    }
    SetLanguageOffset(before);
    EXPECT_NE(credits[0], credits[1]);
    EXPECT_NE(credits[1], credits[2]);
    EXPECT_NE(credits[0], credits[2]);
}

TEST(OmDialogTest, PicturesStepThroughFourFramesAndWrap) {
    TOmDlg dlg;
    for (int step = 0; step <= 8; ++step) {
        const int n = step % 4 + 1;
        EXPECT_EQ(dlg.Frame(), n - 1);
        EXPECT_EQ(Shown(dlg.Image1), Drawn(QStringLiteral("FINLAND%1").arg(n))) << step;
        EXPECT_EQ(Shown(dlg.Image2), Drawn(QStringLiteral("EC%1").arg(n))) << step;
        dlg.Timer1Timer();
    }
}

TEST(OmDialogTest, IconTimerTakesOverTheApplicationIcon) {
    const QIcon previous = QApplication::windowIcon();
    TOmDlg dlg;
    const QIcon icon = LoadIconResource(QStringLiteral("TRILLORA2"));
    QApplication::setWindowIcon(icon);
    dlg.Timer2Timer();
    EXPECT_EQ(dlg.windowIcon().cacheKey(), icon.cacheKey());
    EXPECT_TRUE(dlg.Timer2->isActive());
    QApplication::setWindowIcon(previous);
}

}  // namespace
}  // namespace vindelor
