#include "core/holidays.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vindelor {
namespace {

// Easter Sunday, Midsummer Day and All Saints' Day of 2024 … 2030, from the almanacs.
struct MovableDays {
    int year;
    QDate easter;
    QDate midsummerDay;
    QDate allSaints;
};
const MovableDays kYears[] = {
    {2024, QDate(2024, 3, 31), QDate(2024, 6, 22), QDate(2024, 11, 2)},
    {2025, QDate(2025, 4, 20), QDate(2025, 6, 21), QDate(2025, 11, 1)},
    {2026, QDate(2026, 4, 5), QDate(2026, 6, 20), QDate(2026, 10, 31)},
    {2027, QDate(2027, 3, 28), QDate(2027, 6, 26), QDate(2027, 11, 6)},
    {2028, QDate(2028, 4, 16), QDate(2028, 6, 24), QDate(2028, 11, 4)},
    {2029, QDate(2029, 4, 1), QDate(2029, 6, 23), QDate(2029, 11, 3)},
    {2030, QDate(2030, 4, 21), QDate(2030, 6, 22), QDate(2030, 11, 2)},
};

std::vector<QDate> Expected(const MovableDays& y, HolidayCalendar calendar) {
    const int n = y.year;
    std::vector<QDate> days = {QDate(n, 1, 1),
                               QDate(n, 1, 6),
                               y.easter.addDays(-2),  // Good Friday
                               y.easter,
                               y.easter.addDays(1),  // Easter Monday
                               QDate(n, 5, 1),
                               y.easter.addDays(39),  // Ascension Day
                               y.easter.addDays(49),  // Whitsunday
                               y.midsummerDay.addDays(-1),
                               y.midsummerDay,
                               y.allSaints,
                               QDate(n, 12, 24),
                               QDate(n, 12, 25),
                               QDate(n, 12, 26)};
    if (calendar == HolidayCalendar::Finland) {
        days.push_back(QDate(n, 12, 6));
    } else {
        days.push_back(QDate(n, 6, 6));
        days.push_back(QDate(n, 12, 31));
    }
    std::sort(days.begin(), days.end());
    return days;
}

TEST(Holidays, FinnishAndSwedishCalendars2024To2030) {
    for (const MovableDays& y : kYears) {
        EXPECT_EQ(EasterSunday(y.year), y.easter) << y.year;
        for (HolidayCalendar calendar : {HolidayCalendar::Finland, HolidayCalendar::Sweden}) {
            const std::vector<QDate> expected = Expected(y, calendar);
            EXPECT_EQ(PublicHolidays(y.year, calendar), expected) << y.year;
            // Every other day of the year is an ordinary one.
            for (QDate d(y.year, 1, 1); d.year() == y.year; d = d.addDays(1)) {
                const bool listed = std::count(expected.begin(), expected.end(), d) > 0;
                ASSERT_EQ(IsHoliday(d, calendar, {}), listed)
                    << d.toString(Qt::ISODate).toStdString();
            }
        }
    }
    EXPECT_FALSE(IsHoliday(QDate(2026, 12, 25), HolidayCalendar::None, {}));
    EXPECT_EQ(HolidayCalendarFromText(QStringLiteral(" se ")), HolidayCalendar::Sweden);
    EXPECT_EQ(HolidayCalendarFromText(QStringLiteral("NO")), HolidayCalendar::None);
}

TEST(Holidays, OwnDatesEveryYearOrOnce) {
    std::vector<OwnHoliday> own;
    ASSERT_TRUE(ParseOwnHolidays(QStringLiteral(" 02-29, 2027-03-15 ,,08-01"), &own));
    ASSERT_EQ(own.size(), 3u);
    EXPECT_TRUE(IsHoliday(QDate(2028, 2, 29), HolidayCalendar::None, own));
    EXPECT_TRUE(IsHoliday(QDate(2027, 3, 15), HolidayCalendar::None, own));
    EXPECT_FALSE(IsHoliday(QDate(2028, 3, 15), HolidayCalendar::None, own));
    EXPECT_TRUE(IsHoliday(QDate(2031, 8, 1), HolidayCalendar::None, own));

    for (const char* bad : {"13-01", "2027-02-29", "1-5", "2027/03/15", "05-01x", "00-10"}) {
        QString badPart;
        std::vector<OwnHoliday> untouched = own;
        EXPECT_FALSE(
            ParseOwnHolidays(QStringLiteral("05-01,") + QLatin1String(bad), &untouched, &badPart))
            << bad;
        EXPECT_EQ(badPart, QLatin1String(bad));
        EXPECT_EQ(untouched.size(), 3u) << bad;
    }
}

}  // namespace
}  // namespace vindelor
