// Every plan of the data directory side by side: each plan's dated log and the settings
// its months are counted by, and the billing months of all of them in one table. A plan's
// figures are its own log's sums, made by the functions that make them for a single plan.
#pragma once

#include "core/billing.h"
#include "core/logsummary.h"
#include "core/money.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace vindelor::brusko {

struct PlanLog {
    QString name;  // empty for the default plan
    DatedLog log;
    int startDay = kFirstStartDay;
    QString currencyPrefix;
    Money budget;                     // [Billing] "Budget"; 0: none
    std::uint64_t includedBytes = 0;  // [Data] "Included"; 0: none
};

// How a plan is named where people read it: its name, or the default plan's text in
// parentheses, which no plan's name can hold.
QString PlanTitle(const QString& name);

// One row of the months of every plan.
struct PlanMonth {
    QString plan;  // the plan's name; for a total, empty
    bool total = false;
    MonthSummary summary;  // a total's month is the calendar month
};

// Each plan's billing months (by its own start day), grouped by the calendar month each
// begins in, oldest first, the plans in the order given; after each calendar month its
// total, the sum of the rows above it.
std::vector<PlanMonth> SummarisePlanMonths(const std::vector<PlanLog>& plans);

// What the plan's budget and included volume leave of the billing month holding `today`
// (counted as the budget guard counts it: every line dated in the month), a text each;
// none for a plan with neither.
QStringList WhatIsLeft(const PlanLog& plan, const QDate& today);

// The currency every plan shows, or empty when they differ (a sum in one of them would
// name the wrong one).
QString CommonCurrency(const std::vector<PlanLog>& plans);

}  // namespace vindelor::brusko
