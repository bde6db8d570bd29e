// What the dated log adds up to per billing month and per day, and where the current
// billing month is heading. A month is counted as the budget guard counts it: every line
// dated in it, failed tries with their costs (they were charged).
#pragma once

#include "core/billing.h"

#include <QDate>
#include <QString>

#include <vector>

namespace vindelor {

struct MonthSummary {
    BillingMonth month;
    int sessions = 0;  // lines that are not failed tries
    int failedTries = 0;
    long long seconds = 0;  // net time, saturating
    Money cost;             // failed tries' costs included
    DataVolume volume;      // the lines' known volumes; unknown when no line has one
};

// One entry per billing month holding at least one line, oldest first, whatever order
// the log has.
std::vector<MonthSummary> SummariseMonths(const std::vector<DatedLogLine>& lines, int startDay);

// The `count` billing months ending with the latest month of `months` (oldest first),
// months without lines as empty entries; nothing when `months` is empty.
std::vector<MonthSummary> LastMonths(const std::vector<MonthSummary>& months, int count,
                                     int startDay);

struct DayCost {
    QDate date;
    Money cost;
};
// Every day of the month in order, with the cost of the lines dated on it.
std::vector<DayCost> DailyCosts(const std::vector<DatedLogLine>& lines, const BillingMonth& month);

struct MonthEstimate {
    BillingMonth month;  // the billing month holding today
    Money costSoFar;     // the lines dated in it up to today
    int daysSoFar = 0;   // its first day up to today, both counted
    Money estimate;      // costSoFar / daysSoFar * the days of the whole month
};
MonthEstimate EstimateMonth(const std::vector<DatedLogLine>& lines, const QDate& today,
                            int startDay);

// The lines dated from `from` to `to`, both included; an invalid date leaves that end open.
std::vector<DatedLogLine> LinesBetween(const std::vector<DatedLogLine>& lines, const QDate& from,
                                       const QDate& to);

// Net time as H:MM:SS with as many hour digits as it takes (100:00:05).
QString NetTimeText(long long seconds);

}  // namespace vindelor
