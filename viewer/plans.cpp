#include "viewer/plans.h"

#include "core/monthleft.h"
#include "core/texts.h"

#include <algorithm>
#include <limits>
#include <map>

namespace vindelor::brusko {

QString PlanTitle(const QString& name) {
    return name.isEmpty() ? Text(kOwnTextBase + kTextDefaultPlan) : name;
}

std::vector<PlanMonth> SummarisePlanMonths(const std::vector<PlanLog>& plans) {
    // Keyed by calendar month, then by the plan's place in `plans`.
    std::map<std::pair<qint64, size_t>, PlanMonth> rows;
    for (size_t p = 0; p < plans.size(); ++p) {
        for (const MonthSummary& m : SummariseMonths(plans[p].log.lines, plans[p].startDay)) {
            const QDate first(m.month.first.year(), m.month.first.month(), 1);
            rows[{first.toJulianDay(), p}] = {plans[p].name, false, m};
        }
    }
    std::vector<PlanMonth> out;
    out.reserve(rows.size() * 2);
    for (auto row = rows.begin(); row != rows.end();) {
        const qint64 calendarMonth = row->first.first;
        PlanMonth total;
        total.total = true;
        const QDate first = QDate::fromJulianDay(calendarMonth);
        total.summary.month = {first, first.addMonths(1).addDays(-1)};
        MonthSummary& t = total.summary;
        for (; row != rows.end() && row->first.first == calendarMonth; ++row) {
            const MonthSummary& m = row->second.summary;
            t.sessions += m.sessions;
            t.failedTries += m.failedTries;
            t.seconds = m.seconds > std::numeric_limits<long long>::max() - t.seconds
                            ? std::numeric_limits<long long>::max()
                            : t.seconds + m.seconds;
            t.cost += m.cost;
            if (m.volume.known) {
                t.volume.known = true;
                t.volume.rx = AddBytes(t.volume.rx, m.volume.rx);
                t.volume.tx = AddBytes(t.volume.tx, m.volume.tx);
            }
            out.push_back(row->second);
        }
        out.push_back(total);
    }
    return out;
}

QStringList WhatIsLeft(const PlanLog& plan, const QDate& today) {
    QStringList left;
    if (plan.budget <= Money() && plan.includedBytes == 0) {
        return left;
    }
    const BillingMonth month = BillingMonthOf(today, plan.startDay);
    MonthSummary spent;
    for (const MonthSummary& m : SummariseMonths(plan.log.lines, plan.startDay)) {
        if (m.month.first == month.first) {
            spent = m;
        }
    }
    if (plan.budget > Money()) {
        left << MoneyLeftText(plan.budget, spent.cost, month, today, plan.currencyPrefix);
    }
    if (plan.includedBytes > 0) {
        left << VolumeLeftText(plan.includedBytes, spent.volume.Total(), month, today);
    }
    return left;
}

QString CommonCurrency(const std::vector<PlanLog>& plans) {
    if (plans.empty()) {
        return {};
    }
    const QString& first = plans.front().currencyPrefix;
    return std::all_of(plans.begin(), plans.end(),
                       [&first](const PlanLog& p) { return p.currencyPrefix == first; })
               ? first
               : QString();
}

}  // namespace vindelor::brusko
