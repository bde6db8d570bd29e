// What is left of a month's budget or included volume, and its share a day.
#include "core/monthleft.h"
#include "core/texts.h"

#include <gtest/gtest.h>

namespace vindelor {
namespace {

const BillingMonth kMarch{QDate(2024, 3, 1), QDate(2024, 3, 31)};

Money Cents(std::int64_t cents) {
    return Money::FromUnits(cents * 100);
}

TEST(WhatIsLeftOfTheMonth, SaysWhatIsLeftAndADaysShareInTheUsersLanguageAndUnits) {
    const int saved = LanguageOffset();
    struct Case {
        int offset;
        QDate today;
        Money spent;         // of a budget of 50.00 ("€")
        std::uint64_t used;  // of 5 GB included
        const char* money;
        const char* volume;
    };
    const Case cases[] = {
        {kEnglishOffset, QDate(2024, 3, 24), Cents(3760), 1800000000,
         "€ 12.40 left, € 1.55 a day for 8 days", "3.20 GB left, 400.0 MB a day for 8 days"},
        // A day's share is rounded as money is: 10.00 over 3 days.
        {kEnglishOffset, QDate(2024, 3, 29), Cents(4000), 4400000000,
         "€ 10.00 left, € 3.33 a day for 3 days", "600.0 MB left, 200.0 MB a day for 3 days"},
        {kEnglishOffset, QDate(2024, 3, 31), Cents(3760), 4000000000, "€ 12.40 left for today",
         "1.00 GB left for today"},
        // A session that began in the month and runs past its end.
        {kEnglishOffset, QDate(2024, 4, 2), Cents(4990), 4900000000, "€ 0.10 left for today",
         "100.0 MB left for today"},
        // Before the month: all of it.
        {kEnglishOffset, QDate(2024, 2, 20), Cents(1900), 0,
         "€ 31.00 left, € 1.00 a day for 31 days", "5.00 GB left, 161.3 MB a day for 31 days"},
        // Used exactly, or all but less than a shown cent.
        {kEnglishOffset, QDate(2024, 3, 10), Cents(5000), 5000000000, "Nothing left of € 50.00",
         "Nothing left of 5.00 GB"},
        {kEnglishOffset, QDate(2024, 3, 10), Cents(5000) - Money::FromUnits(40), 4999960000,
         "Nothing left of € 50.00", "Nothing left of 5.00 GB"},
        {kEnglishOffset, QDate(2024, 3, 10), Cents(5320), 5120000000,
         "€ 3.20 over the budget of € 50.00", "120.0 MB beyond the 5.00 GB included"},
        {kFinnishOffset, QDate(2024, 3, 24), Cents(3760), 1800000000,
         "€ 12.40 jäljellä, € 1.55 päivässä 8 päivän ajan",
         "3,20 Gt jäljellä, 400,0 Mt päivässä 8 päivän ajan"},
        {kSwedishOffset, QDate(2024, 3, 10), Cents(5320), 5120000000,
         "€ 3.20 över budgeten på € 50.00", "120,0 MB utöver de 5,00 GB som ingår"},
    };
    for (const Case& c : cases) {
        SetLanguageOffset(c.offset);
        SCOPED_TRACE(c.today.toString(Qt::ISODate).toStdString());
        EXPECT_EQ(MoneyLeftText(Cents(5000), c.spent, kMarch, c.today, QStringLiteral("€")),
                  QString::fromUtf8(c.money));
        EXPECT_EQ(VolumeLeftText(5000000000, c.used, kMarch, c.today), QString::fromUtf8(c.volume));
    }
    SetLanguageOffset(saved);
}

}  // namespace
}  // namespace vindelor
