#include "core/billingsettings.h"

#include "core/profile.h"
#include "support/testenv.h"

#include <gtest/gtest.h>

namespace vindelor {
namespace {

BillingEntries GoodEntries() {
    BillingEntries e;
    e.startDay = QStringLiteral("15");
    e.budget = QStringLiteral("25,50");
    e.warn = QStringLiteral("90, 50,90");
    e.nextMinute = QStringLiteral("10");
    e.hangUpAt = true;
    e.hangUp = QStringLiteral("nmcli connection down 'Modem Förbindelse'");
    e.holidays = QStringLiteral("fi");
    e.dates = QStringLiteral("12-31,2027-01-07");
    return e;
}

TEST(BillingSettings, AnEarlierVersionsFileIsNeutral) {
    test::ScopedDataDir dir;
    ASSERT_TRUE(WriteProfileString(QStringLiteral("Charge"), QStringLiteral("per_min"),
                                   QStringLiteral("0.25"), kSettingsFile));
    const BillingSettings s = ReadBillingSettings();
    EXPECT_EQ(s.startDay, 1);
    EXPECT_FALSE(s.HasBudget());
    EXPECT_EQ(s.warn, (std::vector<int>{80, 90, 100}));
    EXPECT_EQ(s.nextMinute, 0);
    EXPECT_FALSE(s.hangUpAt);
    EXPECT_TRUE(s.hangUp.isEmpty());
    EXPECT_EQ(s.holidays, HolidayCalendar::None);
    EXPECT_TRUE(s.dates.empty());
}

TEST(BillingSettings, CheckedEntriesGoInAndComeBackInWindows1252) {
    test::ScopedDataDir dir;
    BillingSettings s;
    ASSERT_EQ(CheckBillingEntries(GoodEntries(), &s), BillingEntryError::None);
    EXPECT_DOUBLE_EQ(s.budget, 25.5);
    EXPECT_EQ(s.warn, (std::vector<int>{50, 90}));
    ASSERT_TRUE(WriteBillingSettings(s));

    EXPECT_TRUE(test::ReadFileBytes(dir.file(kSettingsFile))
                    .contains("HangUp=nmcli connection down 'Modem F\xf6rbindelse'"));
    const BillingSettings back = ReadBillingSettings();
    EXPECT_EQ(back.startDay, 15);
    EXPECT_DOUBLE_EQ(back.budget, 25.5);
    EXPECT_EQ(back.warn, s.warn);
    EXPECT_EQ(back.nextMinute, 10);
    EXPECT_TRUE(back.hangUpAt);
    EXPECT_EQ(back.hangUp, s.hangUp);
    EXPECT_EQ(back.holidays, HolidayCalendar::Finland);
    ASSERT_EQ(back.dates.size(), 2u);
    EXPECT_EQ(back.dates[1].year, 2027);
}

TEST(BillingSettings, EachBadEntryIsNamedAndNothingIsTaken) {
    struct Case {
        void (*spoil)(BillingEntries&);
        BillingEntryError error;
    };
    const Case cases[] = {
        {[](BillingEntries& e) { e.startDay = QStringLiteral("32"); }, BillingEntryError::StartDay},
        {[](BillingEntries& e) { e.budget = QStringLiteral("-1"); }, BillingEntryError::Budget},
        {[](BillingEntries& e) { e.budget = QStringLiteral("12 €"); }, BillingEntryError::Budget},
        {[](BillingEntries& e) { e.warn = QStringLiteral("80,9O"); }, BillingEntryError::Warn},
        {[](BillingEntries& e) { e.warn = QStringLiteral("0"); }, BillingEntryError::Warn},
        {[](BillingEntries& e) { e.nextMinute = QStringLiteral("60"); },
         BillingEntryError::NextMinute},
        {[](BillingEntries& e) { e.hangUp = QStringLiteral("poff 'isp"); },
         BillingEntryError::HangUp},
        // Stored as "?", the command would be another one.
        {[](BillingEntries& e) { e.hangUp = QStringLiteral("poff Łódź"); },
         BillingEntryError::HangUpCharacters},
        {[](BillingEntries& e) { e.holidays = QStringLiteral("NO"); }, BillingEntryError::Holidays},
        {[](BillingEntries& e) { e.dates = QStringLiteral("31-12"); }, BillingEntryError::Dates},
    };
    for (const Case& c : cases) {
        BillingEntries e = GoodEntries();
        c.spoil(e);
        BillingSettings untouched;
        untouched.startDay = 7;
        EXPECT_EQ(CheckBillingEntries(e, &untouched), c.error);
        EXPECT_EQ(untouched.startDay, 7);
    }
    // Empty budget, warnings and seconds are "none", not errors.
    BillingEntries empty = GoodEntries();
    empty.budget = empty.warn = empty.nextMinute = QString();
    BillingSettings s;
    ASSERT_EQ(CheckBillingEntries(empty, &s), BillingEntryError::None);
    EXPECT_FALSE(s.HasBudget());
    EXPECT_TRUE(s.warn.empty());
}

TEST(BillingSettings, GivenWarningsBelongToTheirBillingMonth) {
    test::ScopedDataDir dir;
    const BillingMonth may = BillingMonthOf(QDate(2026, 5, 20), 15);
    ASSERT_TRUE(WriteGivenWarnings(may, {80, 90}));
    EXPECT_EQ(ReadGivenWarnings(BillingMonthOf(QDate(2026, 6, 14), 15)),
              (std::vector<int>{80, 90}));
    EXPECT_TRUE(ReadGivenWarnings(BillingMonthOf(QDate(2026, 6, 15), 15)).empty());
}

TEST(ShellWords, SplitLikeAShellWithoutExpanding) {
    QStringList words;
    ASSERT_TRUE(SplitShellWords(
        QStringLiteral(R"(  sh -c 'echo $HOME; kill "$1"' a\ b "x\"y\z" ''  )"), &words));
    EXPECT_EQ(words, (QStringList{QStringLiteral("sh"), QStringLiteral("-c"),
                                  QStringLiteral("echo $HOME; kill \"$1\""), QStringLiteral("a b"),
                                  QStringLiteral("x\"y\\z"), QString()}));
    for (const char* bad : {"poff 'isp", "poff \"isp", "poff isp\\"}) {
        EXPECT_FALSE(SplitShellWords(QLatin1String(bad), &words)) << bad;
    }
}

}  // namespace
}  // namespace vindelor
