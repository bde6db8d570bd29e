#include "dialogs/datatariffdlg.h"
#include "dialogs/roamingdlg.h"

#include "core/datatariff.h"
#include "core/profile.h"
#include "core/roamingtariff.h"
#include "core/texts.h"
#include "dialogs/settingsdlg.h"
#include "platform/test/fakes.h"
#include "support/testenv.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include <gtest/gtest.h>

namespace vindelor {
namespace {

TEST(DataTariffPage, ABadEntryIsNamedInTheUsersLanguageAndNothingIsStoredThenGoodOnesAre) {
    test::ScopedDataDir dir;
    platform::test::ScopedFakes fakes;
    SetLanguageOffset(kFinnishOffset);
    TSettingsDlg settings;
    EXPECT_EQ(settings.DataTariff1->text(), QStringLiteral("Datahinnoittelu"));

    const QByteArray before = test::ReadFileBytes(dir.file(kSettingsFile));
    TDataTariffDlg page;
    page.PerMBEdit->setText(QStringLiteral("0,05"));
    page.DataHangUpAtBox->setChecked(true);  // a cap with nothing included
    page.OkClick();
    ASSERT_EQ(fakes.boxes.shown.size(), 1u);
    EXPECT_EQ(fakes.boxes.shown[0].text,
              LoadText(kOwnTextBase + kTextBadDataHangUpAt + kFinnishOffset) +
                  QStringLiteral("\n\n") +
                  LoadText(kOwnTextBase + kTextNothingStored + kFinnishOffset));
    EXPECT_NE(page.result(), QDialog::Accepted);
    EXPECT_EQ(test::ReadFileBytes(dir.file(kSettingsFile)), before);

    page.IncludedEdit->setText(QStringLiteral("5000"));
    page.DataWarnEdit->setText(QStringLiteral("80,100"));
    page.UnitEdit->setText(QStringLiteral("100"));
    page.OkClick();
    EXPECT_EQ(page.result(), QDialog::Accepted);
    const DataTariff t = ReadDataTariff();
    EXPECT_EQ(t.perMB, 500);
    EXPECT_EQ(t.includedBytes, 5000 * kBytesPerMB);
    EXPECT_EQ(t.warn, (std::vector<int>{80, 100}));
    EXPECT_TRUE(t.hangUpAt);
    EXPECT_EQ(t.unitBytes, 100000u);
    // The metered choice left as it was adds no key to the file; a choice made is kept.
    EXPECT_EQ(GetProfileString(kDataSection, QStringLiteral("Metered"), QStringLiteral("<none>"),
                               100, kSettingsFile),
              QStringLiteral("<none>"));
    {
        TDataTariffDlg again;
        ASSERT_EQ(again.MeteredBox->count(), 3);
        EXPECT_EQ(again.MeteredBox->itemText(2),
                  LoadText(kOwnTextBase + kTextMeteredFromWarning + kFinnishOffset));
        again.MeteredBox->setCurrentIndex(2);
        again.OkClick();
        EXPECT_EQ(again.result(), QDialog::Accepted);
    }
    EXPECT_EQ(ReadDataTariff().metered, MeteredMark::FromWarning);
    EXPECT_EQ(TDataTariffDlg().MeteredBox->currentIndex(), 2);
    SetLanguageOffset(kSwedishOffset);
}

TEST(RoamingPage, ABadEntryIsNamedAndNothingIsStoredThenGoodOnesAre) {
    test::ScopedDataDir dir;
    platform::test::ScopedFakes fakes;
    SetLanguageOffset(kEnglishOffset);
    TSettingsDlg settings;
    EXPECT_EQ(settings.Roaming1->text(), QStringLiteral("Roaming"));

    const QByteArray before = test::ReadFileBytes(dir.file(kSettingsFile));
    TRoamingDlg page;
    page.PerMBEdit->setText(QStringLiteral("4.50"));
    page.UnitEdit->setText(QStringLiteral("0,5"));
    page.OkClick();
    ASSERT_EQ(fakes.boxes.shown.size(), 1u);
    EXPECT_TRUE(fakes.boxes.shown[0].text.startsWith(
        LoadText(kOwnTextBase + kTextBadUnit + kEnglishOffset)));
    EXPECT_NE(page.result(), QDialog::Accepted);
    EXPECT_EQ(test::ReadFileBytes(dir.file(kSettingsFile)), before);

    page.UnitEdit->setText(QStringLiteral("100"));
    page.HangUpAtEdit->setText(QStringLiteral("200"));
    page.WarnEdit->setText(QStringLiteral("50"));
    page.PerMinEdit->setText(QStringLiteral("0.12345"));  // finer than the log keeps
    page.OkClick();
    ASSERT_EQ(fakes.boxes.shown.size(), 2u);
    EXPECT_TRUE(fakes.boxes.shown[1].text.startsWith(
        LoadText(kOwnTextBase + kTextBadRoamingPerMin + kEnglishOffset)));
    EXPECT_EQ(test::ReadFileBytes(dir.file(kSettingsFile)), before);

    page.PerMinEdit->setText(QStringLiteral("0.25"));
    page.OkClick();
    EXPECT_EQ(page.result(), QDialog::Accepted);
    const RoamingTariff t = ReadRoamingTariff();
    EXPECT_EQ(t.perMinute, 2500);
    EXPECT_EQ(TRoamingDlg().PerMinEdit->text(), QStringLiteral("0.25"));
    EXPECT_EQ(t.perMB, 45000);
    EXPECT_EQ(t.unitBytes, 100000u);
    EXPECT_EQ(t.hangUpAtBytes, 200 * kBytesPerMB);
    EXPECT_EQ(t.warn, std::vector<int>{50});
    SetLanguageOffset(kSwedishOffset);
}

}  // namespace
}  // namespace vindelor
