#include "monitor/adjust.h"

#include "filesizelimit.h"
#include "platform/datadir.h"

#include "core/profile.h"
#include "core/texts.h"
#include "platform/test/fakes.h"
#include "support/testenv.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QTimer>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace vindelor {
namespace {

const QString kSection = QString::fromUtf8("Överv");

class AdjustDlgTest : public ::testing::Test {
  protected:
    void SetUp() override { SetLanguageOffset(kEnglishOffset); }
    void TearDown() override { SetLanguageOffset(kEnglishOffset); }

    QString Stored() {
        return GetProfileString(kSection, QStringLiteral("Intervall"), QStringLiteral("<none>"), 30,
                                kSettingsFile);
    }
    QColor HintColour(const TAdjustDlg& dlg) {
        return dlg.Panel3->palette().color(QPalette::WindowText);
    }

    test::ScopedDataDir dir;
    platform::test::ScopedFakes fakes;
};

TEST_F(AdjustDlgTest, OpensWithTheStoredIntervalAndTheLanguagesTexts) {
    {
        TAdjustDlg dlg;
        EXPECT_EQ(dlg.Edit1->text(), QStringLiteral("20"));
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Vindelor - Adjust monitoring"));
        EXPECT_EQ(dlg.Label1->text(), QStringLiteral("Enter new interval for monitoring rates :"));
        EXPECT_EQ(dlg.Panel3->text(),
                  QStringLiteral("The entered value must be between 5 - 20 seconds."));
        EXPECT_EQ(dlg.Timer1->interval(), 100);
        EXPECT_TRUE(dlg.Timer1->isActive());
    }
    // The section name is found whatever its case, "ö" included.
    ASSERT_TRUE(WriteProfileString(QString::fromUtf8("ÖVERV"), QStringLiteral("intervall"),
                                   QStringLiteral("123456"), kSettingsFile));
    SetLanguageOffset(kSwedishOffset);
    TAdjustDlg dlg;
    EXPECT_EQ(dlg.Edit1->text(), QStringLiteral("1234")) << "at most 4 characters";
    EXPECT_EQ(dlg.windowTitle(), LoadText(116));
    EXPECT_EQ(dlg.Panel3->text(), LoadText(115));
}

TEST_F(AdjustDlgTest, AcceptsFiveToTwenty) {
    struct Case {
        const char* typed;
        bool accepted;
        const char* stored;
    };
    const Case cases[] = {
        {"4", false, "<none>"},  {"5", true, "5"},        {"20", true, "20"},
        {"21", false, "<none>"}, {"", false, "<none>"},   {"1O", false, "<none>"},
        {"007", true, "007"},    {" +12", true, "+12"},   {"$A", true, "10"},
        {"00012", true, "12"},   {"-5", false, "<none>"},
    };
    for (const Case& c : cases) {
        test::ScopedDataDir fresh;
        TAdjustDlg dlg;
        const QColor before = HintColour(dlg);
        dlg.Edit1->setText(QString::fromLatin1(c.typed));
        dlg.BitBtn1Click();
        EXPECT_EQ(dlg.result() == QDialog::Accepted, c.accepted) << c.typed;
        EXPECT_EQ(Stored(), QString::fromLatin1(c.stored)) << c.typed;
        if (c.accepted) {
            EXPECT_EQ(HintColour(dlg), before) << c.typed;
            EXPECT_FALSE(dlg.HintHighlighted());
        } else {
            EXPECT_EQ(HintColour(dlg), QApplication::palette().color(QPalette::Highlight))
                << c.typed;
            EXPECT_NE(HintColour(dlg), before) << c.typed;
            EXPECT_TRUE(dlg.HintHighlighted());
        }
    }
    EXPECT_TRUE(fakes.boxes.shown.empty()) << "the hint is the only answer to a bad entry";
}

TEST_F(AdjustDlgTest, RefusedEntryKeepsTheStoredValueAndTheDialogOpen) {
    ASSERT_TRUE(WriteProfileString(kSection, QStringLiteral("Intervall"), QStringLiteral("15"),
                                   kSettingsFile));
    TAdjustDlg dlg;
    dlg.Edit1->setText(QStringLiteral("21"));
    dlg.BitBtn1Click();
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(Stored(), QStringLiteral("15"));
    dlg.Edit1->setText(QStringLiteral("6"));
    dlg.BitBtn1Click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(Stored(), QStringLiteral("6"));
}

TEST_F(AdjustDlgTest, TimerTakesOverTheApplicationIcon) {
    const QIcon previous = QApplication::windowIcon();
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::cyan);
    const QIcon icon(pixmap);
    TAdjustDlg dlg;
    QApplication::setWindowIcon(icon);
    dlg.Timer1Timer();
    EXPECT_EQ(dlg.windowIcon().cacheKey(), icon.cacheKey());
    EXPECT_TRUE(dlg.Timer1->isActive());
    QApplication::setWindowIcon(previous);
}

TEST_F(AdjustDlgTest, AnIntervalThatCannotBeSavedIsNotPassedOffAsSaved) {
    ASSERT_TRUE(WriteProfileString(kSection, QStringLiteral("Intervall"), QStringLiteral("20"),
                                   kSettingsFile));
    SetLanguageOffset(kFinnishOffset);
    TAdjustDlg dlg;
    dlg.Edit1->setText(QStringLiteral("7"));
    {
        test::FileSizeLimit limit(1);
        ASSERT_TRUE(limit.ok());
        dlg.BitBtn1Click();
    }
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_EQ(Stored(), QStringLiteral("20"));
    ASSERT_EQ(fakes.boxes.shown.size(), 1u);
    EXPECT_EQ(fakes.boxes.shown[0].icon, platform::MessageBoxes::Icon::Error);
    EXPECT_EQ(fakes.boxes.shown[0].text,
              LoadText(kOwnTextBase + kTextSettingNotSaved + kFinnishOffset)
                  .arg(platform::DataDirectory(), QString::fromLocal8Bit(std::strerror(EFBIG))));
}

}  // namespace
}  // namespace vindelor
