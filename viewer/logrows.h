// The forms a session log line takes in the log viewer, and the sums built from them.
// Plain functions on text: the window and the command line share them.
#pragma once

#include "core/money.h"
#include "core/sessionlog.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace vindelor::brusko {

// List row: two tabs, date, two tabs, start time, two tabs, duration, two tabs, " > ",
// cost text. The list box shows the tabs as tab stops.
QString ListRow(const QString& logLine);

// Clipboard line as built at start: the first blank, the first "-" and the first "^" of
// the log line each become a tab. Every clipboard line ends in the session's received and
// sent bytes as two more tab-parted columns when the line has them.
QString StartClipboardLine(const QString& logLine);

// Clipboard line as rebuilt after a deletion: only the first "-" and the first "^" become
// tabs, so date and start time stay separated by a blank.
QString DeletionClipboardLine(const QString& logLine);

// Clipboard line made from a list row (copy of selected lines): date, tab, start time,
// tab, duration, tab, the whole cost text. A cost field that starts with blanks keeps
// them, and a cost of 1000 or more, which fills the field, keeps its first digit.
QString CopyLineFromRow(const QString& row);

// Totals of a set of log lines, as a deletion recomputes them.
struct LogTotals {
    Hms time;             // carried: seconds and minutes below 60
    Money cost;           // sum of the cost texts, failed tries included
    int failedTries = 0;  // lines holding a "+"
};
LogTotals SumLines(const QStringList& logLines);

// The cost total as a deletion stores it (StoredTotalText): in a field two wider than the
// whole-number digits plus the point and three decimals need (6 for sums below 100, 7
// below 1 000, and so on without limit).
QString DeletionCostText(Money sum);

// The recount of the listed rows: each row's cost after its first ">", failed-try rows
// (holding a "+") counted and their cost added too. A failed try was charged when its
// session closed and its line carries that charge, so the recount gives the total the
// selection, the months and the exports give.
struct Recount {
    Money cost;
    int failedTries = 0;
};
Recount RecountRows(const QStringList& rows);
// The cost total as the recount stores it (StoredTotalText), in a field of at least 5
// (12.5 -> "12.50", 3.125 -> "3.125", 1.2345 -> "1.2345").
QString RecountCostText(Money sum);

// Row numbers as the user gives them on the command line: "1,3-5" (1-based, as listed).
// Returns 0-based row indexes in ascending order without repeats; false with a reason
// when the text is malformed or names a row outside 1 … rowCount.
bool ParseRowList(const QString& text, int rowCount, std::vector<int>* rows, QString* error);

}  // namespace vindelor::brusko
