#include "core/logsummary.h"

#include <gtest/gtest.h>

namespace vindelor {
namespace {

DatedLogLine At(const QDate& date, long long seconds, double cost, bool failed = false) {
    DatedLogLine line;
    line.date = date;
    line.seconds = seconds;
    line.cost = Money::FromDouble(cost);
    line.failed = failed;
    return line;
}

TEST(MonthSummaries, BillingMonthsWithFailedTriesChargedInAnyLogOrder) {
    // Start day 15; the clock was set back once, so the log is out of date order.
    const std::vector<DatedLogLine> lines = {
        At(QDate(2026, 11, 20), 600, 1.0),
        At(QDate(2026, 12, 14), 0, 0.25, true),  // the last day of the November month
        At(QDate(2026, 12, 15), 3600, 2.5),
        At(QDate(2026, 11, 14), 60, 0.5),  // October's month, logged after the others
        At(QDate(2027, 1, 2), 1200, 1.5),
    };
    const std::vector<MonthSummary> months = SummariseMonths(lines, 15);
    ASSERT_EQ(months.size(), 3u);
    EXPECT_EQ(months[0].month.first, QDate(2026, 10, 15));
    EXPECT_EQ(months[1].month.first, QDate(2026, 11, 15));
    EXPECT_EQ(months[1].sessions, 1);
    EXPECT_EQ(months[1].failedTries, 1);
    EXPECT_EQ(months[1].seconds, 600);
    EXPECT_DOUBLE_EQ(months[1].cost.Value(), 1.25);
    EXPECT_EQ(months[2].month.first, QDate(2026, 12, 15));
    EXPECT_EQ(months[2].sessions, 2);
    EXPECT_DOUBLE_EQ(months[2].cost.Value(), 4.0);

    // The chart's twelve months end with the latest and keep the empty ones.
    const std::vector<MonthSummary> last = LastMonths(months, 12, 15);
    ASSERT_EQ(last.size(), 12u);
    EXPECT_EQ(last.front().month.first, QDate(2026, 1, 15));
    EXPECT_EQ(last.back().month.first, QDate(2026, 12, 15));
    EXPECT_DOUBLE_EQ(last[11].cost.Value(), 4.0);
    EXPECT_DOUBLE_EQ(last[10].cost.Value(), 1.25);
    EXPECT_DOUBLE_EQ(last[9].cost.Value(), 0.5);
    EXPECT_EQ(last[8].sessions, 0);
    EXPECT_EQ(LastMonths(months, 2, 15).front().month.first, QDate(2026, 11, 15));

    const std::vector<DayCost> days = DailyCosts(lines, months[1].month);
    ASSERT_EQ(days.size(), 30u);  // 15 November … 14 December
    EXPECT_EQ(days.front().date, QDate(2026, 11, 15));
    EXPECT_DOUBLE_EQ(days[5].cost.Value(), 1.0);
    EXPECT_DOUBLE_EQ(days.back().cost.Value(), 0.25);

    EXPECT_EQ(LinesBetween(lines, QDate(2026, 11, 20), QDate(2026, 12, 15)).size(), 3u);
    EXPECT_EQ(LinesBetween(lines, QDate(), QDate(2026, 11, 14)).size(), 1u);
}

TEST(MonthSummaries, EstimateIsTheDailyAverageSoFarOverTheWholeMonth) {
    const std::vector<DatedLogLine> lines = {
        At(QDate(2026, 11, 30), 600, 9.0),  // the month before
        At(QDate(2026, 12, 1), 600, 1.0),
        At(QDate(2026, 12, 3), 0, 0.5, true),
        At(QDate(2026, 12, 5), 600, 1.5),
    };
    const MonthEstimate e = EstimateMonth(lines, QDate(2026, 12, 10), 1);
    EXPECT_EQ(e.month.first, QDate(2026, 12, 1));
    EXPECT_DOUBLE_EQ(e.costSoFar.Value(), 3.0);
    EXPECT_EQ(e.daysSoFar, 10);
    EXPECT_DOUBLE_EQ(e.estimate.Value(), 3.0 / 10 * 31);
    // On the month's first day the day itself is the whole average.
    EXPECT_DOUBLE_EQ(EstimateMonth(lines, QDate(2026, 12, 1), 1).estimate.Value(), 31.0);
}

TEST(MonthSummaries, NetTimeHoursAreUnbounded) {
    EXPECT_EQ(NetTimeText(0), QStringLiteral("0:00:00"));
    EXPECT_EQ(NetTimeText(3599), QStringLiteral("0:59:59"));
    EXPECT_EQ(NetTimeText(360005), QStringLiteral("100:00:05"));
}

}  // namespace
}  // namespace vindelor
