#include "core/billing.h"

#include "core/sessionlog.h"

#include <QHash>

#include <algorithm>
#include <limits>

namespace vindelor {
namespace {

QDate ReadWithFormat(const QString& text, const QString& format) {
    if (format.isEmpty())
        return QDate();
    QDate date = QDate::fromString(text, format);
    if (!date.isValid())
        return date;
    if (!format.contains(QLatin1String("yyyy"))) {
        // Qt reads "yy" as 19yy; a meter's log of this century must not land in the last.
        if (date.year() < 1970)
            date = date.addYears(100);
    } else if (date.year() < 1000) {
        // "yyyy" takes "24" as the year 24: a two-digit year written elsewhere, which the
        // day.month.year reading gives its century.
        return QDate();
    }
    return date;
}

int TwoDigits(const QString& text, int at) {
    const char16_t tens = text[at].unicode();
    const char16_t ones = text[at + 1].unicode();
    if (tens < u'0' || tens > u'9' || ones < u'0' || ones > u'9')
        return -1;
    return (tens - u'0') * 10 + (ones - u'0');
}

// "14:05:09" or "14.05.09": the log's time is three fields with the same separator, the
// hour of one digit where the locale writes it so ("9:05:00"). Read by hand: a whole
// log's worth of format parsing was most of the cost of dating it.
QTime ReadLogTime(const QString& text) {
    QString cleaned = text.trimmed();
    if (cleaned.size() == 7 && cleaned[0].isDigit())
        cleaned.prepend(QLatin1Char('0'));
    if (cleaned.size() != 8 || cleaned[2] != cleaned[5] || cleaned[2].isDigit())
        return QTime();
    const int h = TwoDigits(cleaned, 0);
    const int m = TwoDigits(cleaned, 3);
    const int sec = TwoDigits(cleaned, 6);
    if (h < 0 || m < 0 || sec < 0 || !QTime::isValid(h, m, sec))
        return QTime();
    return QTime(h, m, sec);
}

// Up to `most` digits from `at` as a number; -1 when there are fewer than `least`.
int Digits(const QString& text, int& at, int least, int most) {
    int value = 0;
    int count = 0;
    while (at < text.size() && count < most && text[at] >= QLatin1Char('0') &&
           text[at] <= QLatin1Char('9')) {
        value = value * 10 + (text[at].unicode() - u'0');
        ++at;
        ++count;
    }
    return count >= least ? value : -1;
}

// Two-digit years fall in 1970 … 2069, as with the locale's own format.
int FullYear(int year, int digits) {
    if (digits != 2)
        return year;
    return year < 70 ? 2000 + year : 1900 + year;
}

// d.M.yy … dd.MM.yyyy, and yyyy-MM-dd: the forms a log may hold whatever the desktop.
QDate ReadDateForms(const QString& text) {
    const QString t = text.trimmed();
    int at = 0;
    const int first = Digits(t, at, 1, 4);
    const int firstDigits = at;
    if (first < 0 || at >= t.size())
        return QDate();
    const QChar separator = t[at];
    if (separator == QLatin1Char('-') && firstDigits == 4) {
        ++at;
        const int month = Digits(t, at, 2, 2);
        if (month < 0 || at >= t.size() || t[at] != QLatin1Char('-'))
            return QDate();
        ++at;
        const int day = Digits(t, at, 2, 2);
        return day >= 0 && at == t.size() ? QDate(first, month, day) : QDate();
    }
    if (separator != QLatin1Char('.') || firstDigits > 2)
        return QDate();
    ++at;
    const int month = Digits(t, at, 1, 2);
    if (month < 0 || at >= t.size() || t[at] != QLatin1Char('.'))
        return QDate();
    ++at;
    const int yearFrom = at;
    const int year = Digits(t, at, 2, 4);
    const int yearDigits = at - yearFrom;
    if (year < 0 || yearDigits == 3 || at != t.size())
        return QDate();
    return QDate(FullYear(year, yearDigits), month, first);
}

// The start day in the month of `anyDay`, the month's last day when it is shorter.
QDate StartInMonth(const QDate& anyDay, int startDay) {
    const QDate firstOfMonth(anyDay.year(), anyDay.month(), 1);
    return firstOfMonth.addDays(std::min(startDay, firstOfMonth.daysInMonth()) - 1);
}

// A damaged duration may saturate its hours; the seconds saturate instead of wrapping.
long long Seconds(const Hms& hms) {
    constexpr long long kMaxHours = std::numeric_limits<long long>::max() / 3600 - 1;
    if (hms.hours >= kMaxHours)
        return std::numeric_limits<long long>::max();
    return hms.hours * 3600 + hms.minutes * 60 + hms.seconds;
}

}  // namespace

int StartDayFromText(const QString& text) {
    bool ok = false;
    const int day = text.trimmed().toInt(&ok);
    return ok && day >= kFirstStartDay && day <= kLastStartDay ? day : kFirstStartDay;
}

BillingMonth BillingMonthOf(const QDate& date, int startDay) {
    if (startDay < kFirstStartDay || startDay > kLastStartDay)
        startDay = kFirstStartDay;
    QDate first = StartInMonth(date, startDay);
    if (date < first)
        first = StartInMonth(date.addMonths(-1), startDay);
    const QDate next = StartInMonth(first.addMonths(1), startDay);
    return BillingMonth{first, next.addDays(-1)};
}

QDate ReadLogDate(const QString& text, const QString& currentFormat) {
    const QDate date = ReadWithFormat(text, currentFormat);
    return date.isValid() ? date : ReadDateForms(text);
}

DatedLog DateLogLines(const QStringList& lines, const QString& currentFormat) {
    DatedLog log;
    log.lines.reserve(static_cast<size_t>(lines.size()));
    // A log holds a few hundred different dates at most per year: each is read once.
    QHash<QString, QDate> dates;
    for (int i = 0; i < lines.size(); ++i) {
        const LogLineParts parts = SplitLogLine(lines[i]);
        DatedLogLine line;
        line.key = i + 1;
        auto known = dates.constFind(parts.date);
        if (known == dates.constEnd())
            known = dates.insert(parts.date, ReadLogDate(parts.date, currentFormat));
        line.date = *known;
        if (!line.date.isValid()) {
            log.undated.push_back(line.key);
            continue;
        }
        line.start = ReadLogTime(parts.time);
        line.failed = IsFailedTryLine(lines[i]);
        if (!line.failed) {
            line.seconds = Seconds(Normalised(ParseHms(parts.duration)));
        }
        line.cost = parts.hasCost ? ReadCost(parts.cost) : Money();
        line.volume = parts.volume;
        log.lines.push_back(line);
    }
    return log;
}

}  // namespace vindelor
