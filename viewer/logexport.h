// The log in forms other programs read (CSV, JSON), the monthly table as text and the
// subtotal of chosen rows. Plain functions: the window and the command line share them.
#pragma once

#include "core/billing.h"
#include "core/logsummary.h"
#include "viewer/plans.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace vindelor::brusko {

// One CSV field (RFC 4180): quoted, inner quotes doubled, when it holds a comma, a quote,
// a CR or an LF; as it is otherwise.
// Both work on UTF-8.
QByteArray CsvField(const QByteArray& text);
// A JSON string literal, quotes included.
QByteArray JsonString(const QByteArray& text);

// One record per line, in the order given. CSV: the header line
// "key,date,start,duration,failed,cost" first, CR LF after every record. JSON: an array
// of objects. A failed try has no duration (an empty field, null); a start time that
// could not be read is empty or null.
// Both in UTF-8.
QByteArray ExportCsv(const std::vector<DatedLogLine>& lines);
QByteArray ExportJson(const std::vector<DatedLogLine>& lines);
// Every plan's lines, plan after plan, with one more field last, "plan": the plan's name,
// empty for the default plan (as no other plan can be named).
QByteArray ExportPlansCsv(const std::vector<PlanLog>& plans);
QByteArray ExportPlansJson(const std::vector<PlanLog>& plans);

// The monthly table in columns under a heading in the user's language: billing month
// start, sessions, failed tries, net time, cost.
QString MonthsTableText(const std::vector<MonthSummary>& months);
// The same with the plan's name in front; a calendar month's total names the month.
QString PlanMonthsTableText(const std::vector<PlanMonth>& months);

// A sum of costs as money is shown: two decimals, halves away from zero, a point (12.50).
QString ShownCost(Money cost);

struct Subtotal {
    int count = 0;
    long long seconds = 0;
    Money cost;  // failed tries' costs included
};
Subtotal SubtotalOf(const QStringList& logLines);

// The line that tells which undated lines were left out ("%1 lines …: keys 5, 9").
QString UndatedNotice(const std::vector<int>& keys);

// Writes the bytes to the file in one step: the file is whole or untouched. False with
// the file and the system's reason.
bool WriteTextFile(const QString& path, const QByteArray& bytes, QString* error);

}  // namespace vindelor::brusko
