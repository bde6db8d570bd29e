#include "dialogs/budgetdlg.h"

#include "core/billingsettings.h"
#include "core/profile.h"
#include "core/texts.h"
#include "dialogs/settingsdlg.h"
#include "monitor/filesizelimit.h"
#include "platform/test/fakes.h"
#include "support/testenv.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLayout>
#include <QLineEdit>

#include <gtest/gtest.h>

namespace vindelor {
namespace {

class BudgetPage : public ::testing::Test {
  protected:
    void TearDown() override { SetLanguageOffset(kSwedishOffset); }
    test::ScopedDataDir dir;
    platform::test::ScopedFakes fakes;
};

TEST_F(BudgetPage, ABadEntryIsNamedInTheUsersLanguageAndNothingIsStored) {
    SetLanguageOffset(kFinnishOffset);
    ASSERT_TRUE(WriteProfileString(QStringLiteral("Billing"), QStringLiteral("Budget"),
                                   QStringLiteral("20"), kSettingsFile));
    const QByteArray before = test::ReadFileBytes(dir.file(kSettingsFile));
    TBudgetDlg page;
    EXPECT_EQ(page.BudgetEdit->text(), QStringLiteral("20"));
    page.BudgetEdit->setText(QStringLiteral("30"));
    page.HangUpAtBox->setChecked(true);
    page.DatesEdit->setText(QStringLiteral("12-24,24.12."));
    page.OkClick();
    ASSERT_EQ(fakes.boxes.shown.size(), 1u);
    EXPECT_EQ(
        fakes.boxes.shown[0].text,
        LoadText(kOwnTextBase + kTextBadDates + kFinnishOffset).arg(QStringLiteral("24.12.")) +
            QStringLiteral("\n\n") + LoadText(kOwnTextBase + kTextNothingStored + kFinnishOffset));
    EXPECT_EQ(page.result(), QDialog::Rejected);
    EXPECT_EQ(test::ReadFileBytes(dir.file(kSettingsFile)), before);

    page.DatesEdit->setText(QStringLiteral("12-24"));
    page.HolidaysBox->setCurrentIndex(2);
    page.OkClick();
    EXPECT_EQ(page.result(), QDialog::Accepted);
    const BillingSettings s = ReadBillingSettings();
    EXPECT_DOUBLE_EQ(s.budget, 30.0);
    EXPECT_TRUE(s.hangUpAt);
    EXPECT_EQ(s.holidays, HolidayCalendar::Sweden);
    EXPECT_EQ(s.dates.size(), 1u);
}

TEST_F(BudgetPage, TheHangUpCommandShowsWhole) {
    const QString command =
        QStringLiteral("nmcli connection down id \"Elisa Mobile Broadband with a long name\"");
    ASSERT_TRUE(WriteProfileString(QStringLiteral("Billing"), QStringLiteral("HangUp"), command,
                                   kSettingsFile));
    TBudgetDlg page;
    page.layout()->activate();
    EXPECT_GE(page.HangUpEdit->width(), page.HangUpEdit->fontMetrics().horizontalAdvance(command));
    EXPECT_EQ(page.HangUpEdit->toolTip(), command);
}

TEST_F(BudgetPage, SettingsMenuItemFollowsTheLanguage) {
    SetLanguageOffset(kEnglishOffset);
    TSettingsDlg settings;
    EXPECT_EQ(settings.Budget1->text(), QStringLiteral("Budget and warnings"));
    settings.SpeedButton2Click();  // Finnish
    EXPECT_EQ(settings.Budget1->text(), QStringLiteral("Budjetti ja varoitukset"));
}

// A full disk: the page says so and stays open with what was typed, for another try.
TEST_F(BudgetPage, AFailedWriteKeepsThePageOpenWithItsEntries) {
    TBudgetDlg page;
    page.show();
    page.BudgetEdit->setText(QStringLiteral("30"));
    {
        test::FileSizeLimit full(1);
        ASSERT_TRUE(full.ok());
        page.OkClick();
    }
    ASSERT_EQ(fakes.boxes.shown.size(), 1u);
    EXPECT_TRUE(page.isVisible());
    EXPECT_EQ(page.BudgetEdit->text(), QStringLiteral("30"));
    page.OkClick();
    EXPECT_EQ(page.result(), QDialog::Accepted);
    EXPECT_DOUBLE_EQ(ReadBillingSettings().budget, 30.0);
}

}  // namespace
}  // namespace vindelor
