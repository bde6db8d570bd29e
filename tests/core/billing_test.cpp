#include "core/billing.h"

#include <gtest/gtest.h>

namespace vindelor {
namespace {

TEST(BillingMonth, StartsOnTheLatestStartDayNotAfterTheDate) {
    struct Case {
        QDate date;
        int startDay;
        QDate first;
        QDate last;
    };
    const Case cases[] = {
        {QDate(2026, 12, 8), 1, QDate(2026, 12, 1), QDate(2026, 12, 31)},
        {QDate(2026, 12, 15), 15, QDate(2026, 12, 15), QDate(2027, 1, 14)},   // on the day
        {QDate(2026, 12, 14), 15, QDate(2026, 11, 15), QDate(2026, 12, 14)},  // the day before
        {QDate(2027, 1, 3), 20, QDate(2026, 12, 20), QDate(2027, 1, 19)},     // across the year
        {QDate(2024, 3, 1), 28, QDate(2024, 2, 28), QDate(2024, 3, 27)},      // leap February
        {QDate(2026, 5, 31), 0, QDate(2026, 5, 1), QDate(2026, 5, 31)},       // out of range: 1
        {QDate(2026, 5, 31), 32, QDate(2026, 5, 1), QDate(2026, 5, 31)},
        // 29 … 31: the last day of a shorter month, February of leap and common years.
        {QDate(2026, 2, 27), 31, QDate(2026, 1, 31), QDate(2026, 2, 27)},
        {QDate(2026, 2, 28), 31, QDate(2026, 2, 28), QDate(2026, 3, 30)},
        {QDate(2024, 2, 28), 31, QDate(2024, 1, 31), QDate(2024, 2, 28)},
        {QDate(2024, 2, 29), 30, QDate(2024, 2, 29), QDate(2024, 3, 29)},
        {QDate(2026, 3, 28), 29, QDate(2026, 2, 28), QDate(2026, 3, 28)},
        {QDate(2026, 4, 30), 31, QDate(2026, 4, 30), QDate(2026, 5, 30)},
    };
    for (const Case& c : cases) {
        const BillingMonth month = BillingMonthOf(c.date, c.startDay);
        EXPECT_EQ(month.first, c.first)
            << c.date.toString(Qt::ISODate).toStdString() << " " << c.startDay;
        EXPECT_EQ(month.last, c.last)
            << c.date.toString(Qt::ISODate).toStdString() << " " << c.startDay;
        EXPECT_TRUE(month.Contains(c.date));
    }
    EXPECT_EQ(BillingMonthOf(QDate(2026, 2, 10), 1).Days(), 28);
    EXPECT_EQ(StartDayFromText(QStringLiteral(" 15 ")), 15);
    EXPECT_EQ(StartDayFromText(QStringLiteral("31")), 31);
    for (const char* bad : {"", "0", "32", "x", "-3", "1.5"})
        EXPECT_EQ(StartDayFromText(QString::fromLatin1(bad)), 1) << bad;
}

TEST(LogDates, CurrentFormatThenFallbackAndNothingGuessed) {
    const QString finnish = QStringLiteral("d.M.yyyy");
    EXPECT_EQ(ReadLogDate(QStringLiteral("6.12.1999"), finnish), QDate(1999, 12, 6));
    // Written with the fallback while another locale was in force.
    EXPECT_EQ(ReadLogDate(QStringLiteral("06.12.1999"), QStringLiteral("M/d/yy")),
              QDate(1999, 12, 6));
    EXPECT_EQ(ReadLogDate(QStringLiteral("12/6/26"), QStringLiteral("M/d/yy")), QDate(2026, 12, 6));
    EXPECT_EQ(ReadLogDate(QStringLiteral("12/6/99"), QStringLiteral("M/d/yy")), QDate(1999, 12, 6));
    EXPECT_FALSE(ReadLogDate(QStringLiteral("31.02.2026"), finnish).isValid());
    EXPECT_FALSE(ReadLogDate(QStringLiteral("#"), finnish).isValid());
    // Day.month.year of one or two digits and two- or four-digit years, and ISO dates,
    // whatever the locale writes; anything else is not guessed.
    const QString us = QStringLiteral("M/d/yy");
    EXPECT_EQ(ReadLogDate(QStringLiteral("6.1.2024"), us), QDate(2024, 1, 6));
    EXPECT_EQ(ReadLogDate(QStringLiteral("6.12.24"), us), QDate(2024, 12, 6));
    EXPECT_EQ(ReadLogDate(QStringLiteral("06.12.99"), us), QDate(1999, 12, 6));
    EXPECT_EQ(ReadLogDate(QStringLiteral("2024-12-06"), finnish), QDate(2024, 12, 6));
    for (const char* bad : {"6.12.202", "6.12.", "2024-12-6", "6/12/2024", "1.2.3.4", "6.12.2024x"})
        EXPECT_FALSE(ReadLogDate(QString::fromLatin1(bad), finnish).isValid()) << bad;

    const QStringList lines = {
        QStringLiteral("06.12.1999 14:05:09-00:12:00^   1.2000"), QStringLiteral("garbage"),
        QStringLiteral("07.12.1999 23.59.58-+FAILED+^   0.5000"),
        QStringLiteral("08.12.1999 08:00:00-01:00:30"),          // an earlier version's line
        QStringLiteral("9.12.1999 9:05:00-00:01:00^   0,2500"),  // one-digit hour, comma
    };
    const DatedLog log = DateLogLines(lines, QStringLiteral("dd.MM.yyyy"));
    ASSERT_EQ(log.lines.size(), 4u);
    EXPECT_EQ(log.undated, std::vector<int>{2});
    EXPECT_EQ(log.lines[0].key, 1);
    EXPECT_EQ(log.lines[0].start, QTime(14, 5, 9));
    EXPECT_EQ(log.lines[0].seconds, 720);
    EXPECT_EQ(log.lines[0].cost, Money::FromUnits(12000));
    EXPECT_EQ(log.lines[1].key, 3);
    EXPECT_TRUE(log.lines[1].failed);
    EXPECT_EQ(log.lines[1].seconds, 0);
    EXPECT_EQ(log.lines[1].start, QTime(23, 59, 58));
    EXPECT_EQ(log.lines[1].cost, Money::FromUnits(5000));
    EXPECT_EQ(log.lines[2].seconds, 3630);
    EXPECT_EQ(log.lines[2].cost, Money());
    EXPECT_EQ(log.lines[3].start, QTime(9, 5, 0));
    EXPECT_EQ(log.lines[3].cost, Money::FromUnits(2500));
}

}  // namespace
}  // namespace vindelor
