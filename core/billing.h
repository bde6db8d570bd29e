// Billing months and the dated reading of the session log, shared by the budget guard of
// the main program and the month summaries of the log viewer, so that both count a month
// the same way.
#pragma once

#include "core/datavolume.h"
#include "core/money.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QTime>

#include <vector>

namespace vindelor {

// [Billing] "StartDay": the day of the month on which a billing month starts.
constexpr int kFirstStartDay = 1;
// 29, 30 and 31 stand for the last day of a shorter month: a billing month from the 31st
// starts on the last day of February.
constexpr int kLastStartDay = 31;

// A start day as stored; anything but a whole number 1 … 31 gives the neutral 1.
int StartDayFromText(const QString& text);

struct BillingMonth {
    QDate first;  // its start day
    QDate last;   // the day before the next one starts
    bool Contains(const QDate& date) const { return date >= first && date <= last; }
    int Days() const { return static_cast<int>(first.daysTo(last)) + 1; }
};

// The billing month that began on the latest start day not after the date (a start day
// past the end of a month falls on its last day). A start day outside 1 … 31 counts as 1.
BillingMonth BillingMonthOf(const QDate& date, int startDay);

// A log date as written: with the format the program writes now (the locale's short
// date), then as day.month.year with one- or two-digit day and month and a two- or
// four-digit year (the form of Nordic desktops and of the format written when the
// locale's own would not do), then as an ISO date (2024-12-06). Two-digit years fall in
// 1970 … 2069. An invalid QDate when none of these reads it: a date is never guessed.
// The same log so reads the same on every desktop.
QDate ReadLogDate(const QString& text, const QString& currentFormat);

// One listed line of the log, as far as counting months needs it.
struct DatedLogLine {
    int key = 0;  // the log key ("1", "2", … in the order the readers list them)
    QDate date;
    QTime start;            // invalid when the time text cannot be read; "9:05:00" can
    long long seconds = 0;  // net time; 0 for a failed try
    bool failed = false;
    Money cost;         // 0 for a line of an earlier version without one
    DataVolume volume;  // unknown for a line without one
};

struct DatedLog {
    std::vector<DatedLogLine> lines;  // in log order
    std::vector<int> undated;         // keys of the lines whose date could not be read
};

// Reads the lines as the readers list them (key n is lines[n - 1]). A line whose date
// cannot be read is never guessed: it is left out and its key counted in `undated`.
DatedLog DateLogLines(const QStringList& lines, const QString& currentFormat);

}  // namespace vindelor
