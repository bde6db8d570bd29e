// Public holidays on which the rate monitor uses the holiday rates without the menu's
// switch: the calendars of Finland and Sweden, and dates of the user's own.
#pragma once

#include <QDate>
#include <QString>

#include <vector>

namespace vindelor {

enum class HolidayCalendar { None, Finland, Sweden };

// "FI" or "SE" (any case, blanks around allowed); anything else is None.
HolidayCalendar HolidayCalendarFromText(const QString& text);
QString HolidayCalendarText(HolidayCalendar calendar);

// Easter Sunday of the Gregorian calendar (the anonymous Gregorian algorithm).
QDate EasterSunday(int year);

// The year's days off of the calendar, in date order. The eves on which offices and
// shops close (Midsummer Eve, Christmas Eve, in Sweden New Year's Eve too) count, as
// the operators' holiday rates did.
std::vector<QDate> PublicHolidays(int year, HolidayCalendar calendar);

// A date of the user's own: every year ("MM-DD", year 0) or once ("YYYY-MM-DD").
struct OwnHoliday {
    int year = 0;
    int month = 0;
    int day = 0;
    bool Matches(const QDate& date) const {
        return (year == 0 || date.year() == year) && date.month() == month && date.day() == day;
    }
};

// Comma-separated "MM-DD" / "YYYY-MM-DD"; blanks around an entry and empty entries are
// ignored. False, with the first bad entry in *bad, when an entry is no such date
// ("02-29" is fine: it comes in leap years).
bool ParseOwnHolidays(const QString& text, std::vector<OwnHoliday>* out, QString* bad = nullptr);

bool IsHoliday(const QDate& date, HolidayCalendar calendar, const std::vector<OwnHoliday>& own);

}  // namespace vindelor
