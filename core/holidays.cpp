#include "core/holidays.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

namespace vindelor {
namespace {

// The Saturday in the week from the given day on: Midsummer Day and All Saints' Day
// are both "the Saturday between …" in the two countries' laws.
QDate SaturdayFrom(const QDate& first) {
    return first.addDays((Qt::Saturday - first.dayOfWeek() + 7) % 7);
}

}  // namespace

HolidayCalendar HolidayCalendarFromText(const QString& text) {
    const QString code = text.trimmed().toUpper();
    if (code == QLatin1String("FI")) {
        return HolidayCalendar::Finland;
    }
    if (code == QLatin1String("SE")) {
        return HolidayCalendar::Sweden;
    }
    return HolidayCalendar::None;
}

QString HolidayCalendarText(HolidayCalendar calendar) {
    switch (calendar) {
        case HolidayCalendar::Finland:
            return QStringLiteral("FI");
        case HolidayCalendar::Sweden:
            return QStringLiteral("SE");
        case HolidayCalendar::None:
            break;
    }
    return QString();
}

QDate EasterSunday(int year) {
    const int a = year % 19;
    const int b = year / 100;
    const int c = year % 100;
    const int d = b / 4;
    const int e = b % 4;
    const int f = (b + 8) / 25;
    const int g = (b - f + 1) / 3;
    const int h = (19 * a + b - d - g + 15) % 30;
    const int i = c / 4;
    const int k = c % 4;
    const int l = (32 + 2 * e + 2 * i - h - k) % 7;
    const int m = (a + 11 * h + 22 * l) / 451;
    const int month = (h + l - 7 * m + 114) / 31;
    const int day = (h + l - 7 * m + 114) % 31 + 1;
    return QDate(year, month, day);
}

std::vector<QDate> PublicHolidays(int year, HolidayCalendar calendar) {
    if (calendar == HolidayCalendar::None) {
        return {};
    }
    const QDate easter = EasterSunday(year);
    const QDate midsummerDay = SaturdayFrom(QDate(year, 6, 20));
    std::vector<QDate> days = {
        QDate(year, 1, 1),
        QDate(year, 1, 6),
        easter.addDays(-2),
        easter,
        easter.addDays(1),
        QDate(year, 5, 1),
        easter.addDays(39),
        easter.addDays(49),
        midsummerDay.addDays(-1),
        midsummerDay,
        SaturdayFrom(QDate(year, 10, 31)),
        QDate(year, 12, 24),
        QDate(year, 12, 25),
        QDate(year, 12, 26),
    };
    if (calendar == HolidayCalendar::Finland) {
        days.push_back(QDate(year, 12, 6));
    } else {
        days.push_back(QDate(year, 6, 6));
        days.push_back(QDate(year, 12, 31));
    }
    std::sort(days.begin(), days.end());
    // Sweden's National Day can fall on Whitsunday (2049) or another of the days.
    days.erase(std::unique(days.begin(), days.end()), days.end());
    return days;
}

bool ParseOwnHolidays(const QString& text, std::vector<OwnHoliday>* out, QString* bad) {
    static const QRegularExpression kDate(QStringLiteral("^(?:(\\d{4})-)?(\\d{2})-(\\d{2})$"));
    std::vector<OwnHoliday> dates;
    for (const QString& part : text.split(QLatin1Char(','))) {
        const QString entry = part.trimmed();
        if (entry.isEmpty()) {
            continue;
        }
        const QRegularExpressionMatch m = kDate.match(entry);
        OwnHoliday h;
        if (m.hasMatch()) {
            h.year = m.captured(1).isEmpty() ? 0 : m.captured(1).toInt();
            h.month = m.captured(2).toInt();
            h.day = m.captured(3).toInt();
        }
        // A leap year stands in for "every year", so 02-29 passes.
        if (!m.hasMatch() || (h.year == 0 && !QDate::isValid(2000, h.month, h.day)) ||
            (h.year != 0 && !QDate::isValid(h.year, h.month, h.day))) {
            if (bad) {
                *bad = entry;
            }
            return false;
        }
        dates.push_back(h);
    }
    *out = std::move(dates);
    return true;
}

bool IsHoliday(const QDate& date, HolidayCalendar calendar, const std::vector<OwnHoliday>& own) {
    if (std::any_of(own.begin(), own.end(), [&](const OwnHoliday& h) { return h.Matches(date); })) {
        return true;
    }
    const std::vector<QDate> days = PublicHolidays(date.year(), calendar);
    return std::binary_search(days.begin(), days.end(), date);
}

}  // namespace vindelor
