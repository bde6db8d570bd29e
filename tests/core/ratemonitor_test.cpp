#include "core/ratemonitor.h"

#include <gtest/gtest.h>

#include <limits>

namespace vindelor {
namespace {

TEST(UsagePackage, MinutesFromTheTexts) {
    EXPECT_EQ(UsedMinutes(QStringLiteral("05:00:00")), 300);
    EXPECT_EQ(UsedMinutes(QStringLiteral("10:01:59")), 601) << "seconds are ignored";
    EXPECT_EQ(UsedMinutes(QStringLiteral("123:05:00")), 123 * 60 + 5);
    EXPECT_EQ(UsedMinutes(QStringLiteral("7")), 420) << "a missing part counts 0";
    EXPECT_EQ(UsedMinutes(QString()), 0);

    const QChar colon(':');
    EXPECT_EQ(PackageMinutes(QStringLiteral("10:30"), colon), 630);
    EXPECT_EQ(PackageMinutes(QStringLiteral("10"), colon), 600);
    EXPECT_EQ(PackageMinutes(QStringLiteral("10.30"), QChar('.')), 630);
    EXPECT_EQ(PackageMinutes(QStringLiteral("10.30"), colon), 600) << "not the separator";
    EXPECT_EQ(PackageMinutes(QStringLiteral("2:155"), colon), 135) << "two minute digits";
    EXPECT_EQ(PackageMinutes(QStringLiteral(":45"), colon), 45);
    EXPECT_GT(PackageMinutes(QStringLiteral("99999999999999999999999"), colon), 0)
        << "a huge hour count must not wrap to a negative package";
    EXPECT_EQ(UsedMinutes(QStringLiteral("1:99999999999999999999")),
              std::numeric_limits<long long>::max())
        << "nor a huge minute count";
    EXPECT_EQ(UsedMinutes(QStringLiteral("-1:-99999999999999999999")),
              std::numeric_limits<long long>::min());
}

TEST(UsagePackage, RateInsideAndBeyondThePackage) {
    struct Case {
        const char* used;
        const char* hours;
        const char* packagePrice;
        const char* hourPrice;
        double expected;
    };
    const double kept = 0.77;
    const Case cases[] = {
        {"05:00:00", "10", "100.00", "20.00", 100.0 / 600},
        {"10:00:00", "10", "100.00", "20.00", 100.0 / 600},  // exactly used up: still inside
        {"10:00:59", "10", "100.00", "20.00", 100.0 / 600},
        {"10:01:00", "10", "100.00", "20.00", 20.0 / 60},
        {"10:30:00", "10:30", "63", "20.00", 63.0 / 630},
        {"10:31:00", "10:30", "63", "20.00", 20.0 / 60},
        {"00:00:00", "0", "100.00", "12", 12.0 / 60},  // no package minutes: hour price
        {"00:00:00", "", "100.00", "12", 12.0 / 60},
        {"01:00:00", "10", "abc", "20.00", kept},  // package price not a number
        {"11:00:00", "10", "100.00", "", kept},    // hour price not a number
        {"11:00:00", "10", "abc", "1.", kept},
        {"00:00:00", "0", "100.00", "x", kept},
        {"11:00:00", "10", "abc", "  .6", 0.01},  // only the text in use is read
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(UsagePackageRate(QString::fromUtf8(c.used), QString::fromUtf8(c.hours),
                                          QChar(':'), QString::fromUtf8(c.packagePrice),
                                          QString::fromUtf8(c.hourPrice), kept),
                         c.expected)
            << c.used << " " << c.hours << " " << c.packagePrice << " " << c.hourPrice;
    }
}

class WeeklyTable : public ::testing::Test {
  protected:
    // 2024-01-01 is a Monday.
    static QDateTime At(int day, int hour, int minute, int second = 0) {
        return QDateTime(QDate(2024, 1, day), QTime(hour, minute, second));
    }
    double Rate(const QDateTime& when, bool holiday = false) const {
        return WeeklyTableRate(week, when, holiday, prices, 9.99);
    }
    TRateWeek week;
    std::array<double, 4> prices{0.10, 0.20, 0.30, 0.40};
};

TEST_F(WeeklyTable, HalfHourBoundaryAndQuarters) {
    week.Slot(1, SlotForHalfHour(10, false)) = {1, 22};
    week.Slot(1, SlotForHalfHour(10, true)) = {3, 13};
    struct Case {
        int hour, minute, second;
        double expected;
    };
    const Case cases[] = {
        {10, 10, 0, 0.10}, {10, 15, 59, 0.10}, {10, 16, 0, 0.20},
        {10, 20, 0, 0.20}, {10, 29, 59, 0.20}, {10, 30, 0, 0.30},
        {10, 31, 0, 0.10}, {10, 45, 59, 0.10}, {10, 46, 0, 0.30},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(Rate(At(1, c.hour, c.minute, c.second)), c.expected)
            << c.hour << ":" << c.minute << ":" << c.second;
    }
}

TEST_F(WeeklyTable, SlotBoundaryWithoutQuarters) {
    week.Slot(1, 3) = {1, 0};  // 10:00-10:30
    week.Slot(1, 4) = {2, 0};  // 10:30-11:00
    EXPECT_DOUBLE_EQ(Rate(At(1, 10, 29, 59)), 0.10);
    EXPECT_DOUBLE_EQ(Rate(At(1, 10, 30, 0)), 0.20);
}

TEST_F(WeeklyTable, HolidayUsesSundayWhateverTheWeekday) {
    week.Slot(3, 29) = {1, 0};  // Wednesday 14:00-14:30
    week.Slot(7, 29) = {4, 0};  // Sunday 14:00-14:30
    EXPECT_DOUBLE_EQ(Rate(At(3, 14, 0)), 0.10);
    EXPECT_DOUBLE_EQ(Rate(At(3, 14, 0), true), 0.40);
    EXPECT_DOUBLE_EQ(Rate(At(7, 14, 0)), 0.40);
}

TEST_F(WeeklyTable, EmptyOrOddSlotsCostNothingAndOddCodesAreIgnored) {
    week.Slot(1, SlotForHalfHour(8, false)) = {0, 0};
    week.Slot(1, SlotForHalfHour(9, false)) = {7, 0};    // class byte out of range
    week.Slot(1, SlotForHalfHour(11, false)) = {2, 5};   // neither class nor quarter code
    week.Slot(1, SlotForHalfHour(12, false)) = {2, 19};  // quarter position 9
    week.Slot(1, SlotForHalfHour(13, false)) = {0, 41};  // empty, class 4 in "-15"
    EXPECT_DOUBLE_EQ(Rate(At(1, 8, 5)), 0.0);
    EXPECT_DOUBLE_EQ(Rate(At(1, 9, 5)), 0.0);
    EXPECT_DOUBLE_EQ(Rate(At(1, 11, 5)), 0.20);
    EXPECT_DOUBLE_EQ(Rate(At(1, 12, 5)), 0.20);
    EXPECT_DOUBLE_EQ(Rate(At(1, 13, 5)), 0.40);
    EXPECT_DOUBLE_EQ(Rate(At(1, 13, 20)), 0.0);
    EXPECT_DOUBLE_EQ(Rate(QDateTime()), 9.99) << "no time, no change";
}

TEST_F(WeeklyTable, QuarterPriceOfMinusOneCountsAsNone) {
    week.Slot(1, SlotForHalfHour(10, false)) = {1, 22};
    prices[1] = -1.0;
    EXPECT_DOUBLE_EQ(Rate(At(1, 10, 20)), 0.10);
}

// Earlier versions stored a plain class k (1 … 4) in the code byte for a whole half hour.
TEST_F(WeeklyTable, CodeOneToFourPricesTheHalfHourAtThatClass) {
    week.Slot(1, SlotForHalfHour(10, false)) = {1, 3};
    week.Slot(1, SlotForHalfHour(11, true)) = {2, 4};
    EXPECT_DOUBLE_EQ(Rate(At(1, 10, 0)), 0.30);
    EXPECT_DOUBLE_EQ(Rate(At(1, 10, 29)), 0.30);
    EXPECT_DOUBLE_EQ(Rate(At(1, 11, 30)), 0.40);
    prices[2] = -1.0;
    EXPECT_DOUBLE_EQ(Rate(At(1, 10, 10)), 0.10) << "class 3 without a price: the class byte's";
}

TEST(Indicator, ClassFoundByPrice) {
    const std::array<double, 4> prices{0.25, 0.50, 0.25, 0.75};
    EXPECT_EQ(IndicatorClass(true, 0.25, prices), 3) << "last match wins";
    EXPECT_EQ(IndicatorClass(true, 0.50, prices), 2);
    EXPECT_EQ(IndicatorClass(true, 0.75, prices), 4);
    EXPECT_EQ(IndicatorClass(true, 1.25, prices), 0) << "an initial charge matches no class";
    EXPECT_EQ(IndicatorClass(false, 1.25, prices), 1);
    EXPECT_EQ(IndicatorClass(false, 0.75, prices), 1);
}

TEST(Indicator, LevelAndIcon) {
    const std::array<int, 4> levels{kIndicatorGreen, kIndicatorYellow, kIndicatorNone,
                                    kIndicatorRed};
    EXPECT_EQ(IndicatorLevelForClass(1, levels), kIndicatorGreen);
    EXPECT_EQ(IndicatorLevelForClass(2, levels), kIndicatorYellow);
    EXPECT_EQ(IndicatorLevelForClass(3, levels), kIndicatorNone);
    EXPECT_EQ(IndicatorLevelForClass(4, levels), kIndicatorRed);
    EXPECT_EQ(IndicatorLevelForClass(0, levels), kIndicatorRed) << "no class: red";

    struct Case {
        int level, count;
        const char* icon;
    };
    const Case cases[] = {
        {kIndicatorGreen, 0, "GRON_SLACKT"},
        {kIndicatorGreen, 9, "GRON_SLACKT"},
        {kIndicatorGreen, 10, "GRON_TAND"},
        {kIndicatorGreen, 19, "GRON_TAND"},
        {kIndicatorYellow, 3, "GUL_SLACKT"},
        {kIndicatorYellow, 12, "GUL_TAND"},
        {kIndicatorRed, 5, "ROD_SLACKT"},
        {kIndicatorRed, 15, "ROD_TAND"},
        {kIndicatorNone, 5, ""},
        {kIndicatorNone, 15, ""},
        {7, 5, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IndicatorIconName(c.level, c.count), QString::fromUtf8(c.icon))
            << c.level << " " << c.count;
    }
}

}  // namespace
}  // namespace vindelor
