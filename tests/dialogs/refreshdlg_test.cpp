#include "dialogs/refreshdlg.h"

#include "core/profile.h"
#include "core/texts.h"
#include "monitor/filesizelimit.h"
#include "platform/datadir.h"
#include "platform/test/fakes.h"
#include "support/testenv.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <gtest/gtest.h>

namespace vindelor {
namespace {

using platform::MessageBoxes;

class RefreshDlgTest : public ::testing::Test {
  protected:
    void SetUp() override { SetLanguageOffset(kEnglishOffset); }
    void TearDown() override { SetLanguageOffset(kEnglishOffset); }

    QString Stored() {
        return GetProfileString(QStringLiteral("Refresh"), QStringLiteral("Rate"),
                                QStringLiteral("<none>"), 30, kSettingsFile);
    }

    test::ScopedDataDir dir;
    platform::test::ScopedFakes fakes;
};

TEST_F(RefreshDlgTest, OpensWithTheStoredRateAndTheLanguagesTexts) {
    {
        TRefreshDlg dlg;
        EXPECT_EQ(dlg.Edit1->text(), QStringLiteral("1000"));
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Vindelor - Change checkrate"));
        EXPECT_EQ(dlg.Timer1->interval(), 1000);
        EXPECT_TRUE(dlg.Timer1->isActive());
        EXPECT_TRUE(dlg.BitBtn1->isDefault());
    }
    ASSERT_TRUE(WriteProfileString(QStringLiteral("refresh"), QStringLiteral("RATE"),
                                   QStringLiteral("123456789"), kSettingsFile));
    SetLanguageOffset(kFinnishOffset);
    TRefreshDlg dlg;
    EXPECT_EQ(dlg.Edit1->text(), QStringLiteral("12345678")) << "at most 8 characters";
    EXPECT_EQ(dlg.windowTitle(), LoadText(341));
    EXPECT_EQ(dlg.GroupBox1->title(), LoadText(339));
    EXPECT_EQ(dlg.Label1->text(), LoadText(340));
}

TEST_F(RefreshDlgTest, AcceptsTwoToTwoThousand) {
    struct Case {
        const char* typed;
        bool accepted;
        const char* stored;  // what [Refresh] Rate holds afterwards
    };
    const Case cases[] = {
        {"1", false, "<none>"},  // the caption's 1 is refused
        {"2", true, "2"},
        {"2000", true, "2000"},
        {"2001", false, "<none>"},
        {"0", false, "<none>"},
        {"-5", false, "<none>"},
        {"500x", false, "<none>"},
        {"", false, "<none>"},
        {"5 00", false, "<none>"},
        {"007", true, "007"},    // stored as typed
        {"  750", true, "750"},  // the profile drops the blanks on reading
        {"+600", true, "+600"},
        {"$1F4", true, "500"},  // hex: stored as readers read it
        {"$7D1", false, "<none>"},
        {"0x10", true, "16"},
        {"0000000300", true, "300"},  // longer than readers read
        {"99999999999", false, "<none>"},
    };
    for (const Case& c : cases) {
        test::ScopedDataDir fresh;
        fakes.boxes.shown.clear();
        TRefreshDlg dlg;
        dlg.Edit1->setText(QString::fromLatin1(c.typed));
        dlg.BitBtn1Click();
        EXPECT_EQ(dlg.result() == QDialog::Accepted, c.accepted) << c.typed;
        EXPECT_EQ(Stored(), QString::fromLatin1(c.stored)) << c.typed;
        if (c.accepted) {
            EXPECT_TRUE(fakes.boxes.shown.empty()) << c.typed;
            EXPECT_FALSE(dlg.Timer1->isActive()) << c.typed;
        } else {
            ASSERT_EQ(fakes.boxes.shown.size(), 1u) << c.typed;
            const auto& box = fakes.boxes.shown[0];
            EXPECT_EQ(box.text, QStringLiteral("The given value can't be accepted"));
            EXPECT_EQ(box.icon, MessageBoxes::Icon::None);
            EXPECT_EQ(box.buttons, MessageBoxes::Buttons::Ok);
            EXPECT_EQ(box.caption, QGuiApplication::applicationDisplayName());
        }
    }
}

TEST_F(RefreshDlgTest, RefusedEntryKeepsTheStoredValueAndTheDialogOpen) {
    ASSERT_TRUE(WriteProfileString(QStringLiteral("Refresh"), QStringLiteral("Rate"),
                                   QStringLiteral("800"), kSettingsFile));
    TRefreshDlg dlg;
    dlg.Edit1->setText(QStringLiteral("1"));
    dlg.BitBtn1Click();
    dlg.BitBtn1Click();
    EXPECT_EQ(fakes.boxes.shown.size(), 2u);
    EXPECT_EQ(Stored(), QStringLiteral("800"));
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    EXPECT_TRUE(dlg.Timer1->isActive());
    dlg.Edit1->setText(QStringLiteral("40"));
    dlg.BitBtn1Click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(Stored(), QStringLiteral("40"));
}

TEST_F(RefreshDlgTest, ClosingWithoutOkWritesNothing) {
    {
        TRefreshDlg dlg;
        dlg.Edit1->setText(QStringLiteral("50"));
        dlg.reject();
    }
    EXPECT_EQ(Stored(), QStringLiteral("<none>"));
}

TEST_F(RefreshDlgTest, DesignSizeUnlessATextNeedsMoreAndNeverResizable) {
    for (int offset : {kSwedishOffset, kFinnishOffset, kEnglishOffset}) {
        SCOPED_TRACE(offset);
        SetLanguageOffset(offset);
        TRefreshDlg dlg;
        dlg.show();
        QCoreApplication::processEvents();
        // Every text whole on its one line.
        const QFontMetrics label(dlg.Label1->font());
        EXPECT_GE(dlg.Label1->contentsRect().width(), label.horizontalAdvance(dlg.Label1->text()));
        EXPECT_GE(dlg.GroupBox1->width(),
                  QFontMetrics(dlg.GroupBox1->font()).horizontalAdvance(dlg.GroupBox1->title()));
        EXPECT_GE(dlg.GroupBox1->width(), dlg.GroupBox1->minimumSizeHint().width());
        // 342 x 139, wider only by what a text needs, and fixed.
        EXPECT_EQ(dlg.width(), std::max(342, dlg.minimumSizeHint().width()));
        EXPECT_EQ(dlg.height(), 139);
        EXPECT_EQ(dlg.minimumSize(), dlg.maximumSize());
        std::printf("check-rate dialog, language offset %d: %d x %d\n", offset, dlg.width(),
                    dlg.height());
    }
}

TEST_F(RefreshDlgTest, TimerTakesOverTheApplicationIcon) {
    const QIcon previous = QApplication::windowIcon();
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::magenta);
    const QIcon icon(pixmap);
    TRefreshDlg dlg;
    QApplication::setWindowIcon(icon);
    dlg.Timer1Timer();
    EXPECT_EQ(dlg.windowIcon().cacheKey(), icon.cacheKey());
    EXPECT_TRUE(dlg.Timer1->isActive());
    QApplication::setWindowIcon(previous);
}

TEST_F(RefreshDlgTest, AFailedWriteSaysSoAndStaysOpenWithTheEntry) {
    TRefreshDlg dlg;
    dlg.Edit1->setText(QStringLiteral("250"));
    {
        test::FileSizeLimit full(1);
        ASSERT_TRUE(full.ok());
        dlg.BitBtn1Click();
    }
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.Edit1->text(), QStringLiteral("250"));
    EXPECT_EQ(Stored(), QStringLiteral("<none>"));
    ASSERT_EQ(fakes.boxes.shown.size(), 1u);
    EXPECT_EQ(fakes.boxes.shown[0].icon, MessageBoxes::Icon::Error);
    EXPECT_EQ(fakes.boxes.shown[0].text,
              Text(kOwnTextBase + kTextSettingNotSaved)
                  .arg(platform::DataDirectory(), QString::fromLocal8Bit(std::strerror(EFBIG))));
    dlg.BitBtn1Click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(Stored(), QStringLiteral("250"));
}

}  // namespace
}  // namespace vindelor
