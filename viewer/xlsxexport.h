// The log as a spreadsheet workbook that opens right in any locale: dates, times and
// durations as the spreadsheet's own values, costs as numbers with the currency in their
// number format, a totals row under the lines. The CSV and JSON exports beside it carry
// the same figures.
#pragma once

#include "core/billing.h"
#include "viewer/plans.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace vindelor::brusko {

// The bytes of an .xlsx workbook with one sheet: a header row in the user's language
// (frozen, with a filter), one row per line in the order given, then the totals row.
// `currencyPrefix` goes in front of every cost as the program shows it ("€ 1.20"); empty
// shows bare numbers. False with the reason when the workbook could not be made.
bool ExportXlsx(const std::vector<DatedLogLine>& lines, const QString& currencyPrefix,
                QByteArray* workbook, QString* error);

// Every plan's lines, plan after plan, with the plan's name in a seventh column (the
// default plan's text for it). The costs show the plans' currency when they all have
// the same, else bare numbers.
bool ExportPlansXlsx(const std::vector<PlanLog>& plans, QByteArray* workbook, QString* error);

// A spreadsheet number format that shows `prefix` and a blank before the number as
// literal text whatever characters it holds, e.g. "\"€ \"#,##0.00" for two decimals.
QByteArray MoneyNumberFormat(const QString& prefix, int decimals);

}  // namespace vindelor::brusko
