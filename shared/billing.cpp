#include "shared/billing.h"

#include "shared/sessionlog.h"

#include <QHash>

#include <limits>

namespace vindelor {
namespace {

const QString kFallbackDateFormat = QStringLiteral("dd.MM.yyyy");

QDate ReadWithFormat(const QString& text, const QString& format) {
    if (format.isEmpty())
        return QDate();
    QDate date = QDate::fromString(text, format);
    // Qt reads "yy" as 19yy; a meter's log of this century must not land in the last.
    if (date.isValid() && !format.contains(QLatin1String("yyyy")) && date.year() < 1970)
        date = date.addYears(100);
    return date;
}

int TwoDigits(const QString& text, int at) {
    const char16_t tens = text[at].unicode();
    const char16_t ones = text[at + 1].unicode();
    if (tens < u'0' || tens > u'9' || ones < u'0' || ones > u'9')
        return -1;
    return (tens - u'0') * 10 + (ones - u'0');
}

// "14:05:09" or "14.05.09": the log's time is always three two-digit fields with the same
// separator. Read by hand: a whole log's worth of format parsing was most of the cost of
// dating it.
QTime ReadLogTime(const QString& text) {
    const QString cleaned = text.trimmed();
    if (cleaned.size() != 8 || cleaned[2] != cleaned[5] || cleaned[2].isDigit())
        return QTime();
    const int h = TwoDigits(cleaned, 0);
    const int m = TwoDigits(cleaned, 3);
    const int sec = TwoDigits(cleaned, 6);
    if (h < 0 || m < 0 || sec < 0 || !QTime::isValid(h, m, sec))
        return QTime();
    return QTime(h, m, sec);
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
    QDate first(date.year(), date.month(), startDay);
    if (date.day() < startDay)
        first = first.addMonths(-1);
    return BillingMonth{first, first.addMonths(1).addDays(-1)};
}

QDate ReadLogDate(const QString& text, const QString& currentFormat) {
    const QDate date = ReadWithFormat(text, currentFormat);
    return date.isValid() ? date : ReadWithFormat(text, kFallbackDateFormat);
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
        line.cost = parts.hasCost ? ReadCost(parts.cost) : 0.0;
        line.volume = parts.volume;
        log.lines.push_back(line);
    }
    return log;
}

}  // namespace vindelor
