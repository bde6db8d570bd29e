#include "core/logsummary.h"

#include <limits>
#include <map>

namespace vindelor {
namespace {

long long AddSaturating(long long a, long long b) {
    return a > std::numeric_limits<long long>::max() - b ? std::numeric_limits<long long>::max()
                                                         : a + b;
}

}  // namespace

std::vector<MonthSummary> SummariseMonths(const std::vector<DatedLogLine>& lines, int startDay) {
    // Keyed by the month's first day: a log whose clock was set back is still in order.
    std::map<qint64, MonthSummary> byFirstDay;
    MonthSummary* current = nullptr;  // lines come a month at a time
    for (const DatedLogLine& line : lines) {
        if (current == nullptr || !current->month.Contains(line.date)) {
            const BillingMonth month = BillingMonthOf(line.date, startDay);
            current = &byFirstDay[month.first.toJulianDay()];
            current->month = month;
        }
        MonthSummary& s = *current;
        if (line.failed) {
            ++s.failedTries;
        } else {
            ++s.sessions;
        }
        s.seconds = AddSaturating(s.seconds, line.seconds);
        s.cost += line.cost;
        s.volume.Add(line.volume);
    }
    std::vector<MonthSummary> months;
    months.reserve(byFirstDay.size());
    for (const auto& entry : byFirstDay) {
        months.push_back(entry.second);
    }
    return months;
}

std::vector<MonthSummary> LastMonths(const std::vector<MonthSummary>& months, int count,
                                     int startDay) {
    std::vector<MonthSummary> last;
    if (months.empty() || count <= 0) {
        return last;
    }
    const QDate latest = months.back().month.first;
    auto from = months.rbegin();
    for (int back = count - 1; back >= 0; --back) {
        const BillingMonth month = BillingMonthOf(latest.addMonths(-back), startDay);
        MonthSummary entry;
        entry.month = month;
        last.push_back(entry);
    }
    // Fill from the newest backwards; `months` is sorted, so one pass does.
    for (auto slot = last.rbegin(); slot != last.rend() && from != months.rend(); ++slot) {
        while (from != months.rend() && from->month.first > slot->month.first) {
            ++from;
        }
        if (from != months.rend() && from->month.first == slot->month.first) {
            *slot = *from;
        }
    }
    return last;
}

std::vector<DayCost> DailyCosts(const std::vector<DatedLogLine>& lines, const BillingMonth& month) {
    std::vector<DayCost> days;
    if (!month.first.isValid() || !month.last.isValid()) {
        return days;
    }
    days.reserve(static_cast<size_t>(month.Days()));
    for (QDate d = month.first; d <= month.last; d = d.addDays(1)) {
        days.push_back({d, Money()});
    }
    for (const DatedLogLine& line : lines) {
        if (month.Contains(line.date)) {
            days[static_cast<size_t>(month.first.daysTo(line.date))].cost += line.cost;
        }
    }
    return days;
}

MonthEstimate EstimateMonth(const std::vector<DatedLogLine>& lines, const QDate& today,
                            int startDay) {
    MonthEstimate e;
    e.month = BillingMonthOf(today, startDay);
    for (const DatedLogLine& line : lines) {
        // A line dated after today (a clock set wrong) is not part of "so far".
        if (e.month.Contains(line.date) && line.date <= today) {
            e.costSoFar += line.cost;
        }
    }
    e.daysSoFar = static_cast<int>(e.month.first.daysTo(today)) + 1;
    e.estimate = Scaled(e.costSoFar, e.month.Days(), e.daysSoFar);
    return e;
}

std::vector<DatedLogLine> LinesBetween(const std::vector<DatedLogLine>& lines, const QDate& from,
                                       const QDate& to) {
    std::vector<DatedLogLine> kept;
    kept.reserve(lines.size());
    for (const DatedLogLine& line : lines) {
        if ((!from.isValid() || line.date >= from) && (!to.isValid() || line.date <= to)) {
            kept.push_back(line);
        }
    }
    return kept;
}

QString NetTimeText(long long seconds) {
    if (seconds < 0) {
        seconds = 0;
    }
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace vindelor
