#include "monitor/sessionclose.h"

#include "shared/numbers.h"
#include "shared/sessionlog.h"

namespace vindelor::monitor {

SessionClosePlan PlanSessionClose(const SessionCloseInput& in) {
    SessionClosePlan plan;
    plan.CloseElapsed = in.Elapsed;
    plan.SessionCost =
        in.SessionCost + in.CurrentRate * static_cast<double>((in.Elapsed - in.MinuteMark) / 60);

    const bool lessThanMinute = in.LessThanMinute == QLatin1String("Ja");
    const bool failedTries = in.FailedTries == QLatin1String("Ja");
    plan.Short = !in.CostMonitoring || plan.SessionCost < in.CurrentRate;
    if (plan.Short && !lessThanMinute && !failedTries) {
        return plan;
    }
    if (!in.Ready) {
        return plan;
    }
    plan.Counted = true;

    if (plan.Short && failedTries) {
        // A connection try is charged one minute at the rate in force.
        plan.TotalCost =
            in.CostMonitoring ? in.TotalCostBefore + in.CurrentRate : in.TotalCostBefore;
    } else {
        plan.TotalCost = in.TotalCostBefore + plan.SessionCost;
    }

    plan.ShowSummary = in.ShowSummary == QLatin1String("Ja");
    plan.SummaryText = in.SummaryLabel + QLatin1Char(' ') + in.CurrencySymbol + QLatin1Char(' ') +
                       FixedPointText(plan.TotalCost, 4, 2);

    plan.WriteCostTotal = in.CostMonitoring;
    plan.CostTotalText = DropOneTrailingZero(FixedPointText(plan.TotalCost, 8, 3));

    const bool dropSeconds = in.Rounding == QLatin1String("Nej");
    const Hms session{in.SessionHours, in.SessionMinutes, in.SessionSeconds};
    plan.NetTimeTotalText =
        FormatHms(Normalised(Add(ParseHms(in.StoredNetTime), session)), dropSeconds);
    const QString duration = FormatHms(session, dropSeconds);

    plan.LogLine = BuildLogLine(in.StartDate, in.StartTime, duration,
                                in.CostMonitoring ? plan.SessionCost : 0.0);
    if (failedTries && plan.CloseElapsed < in.AverageConnectTime) {
        plan.FailedTry = true;
        plan.LogLine = BuildLogLine(in.StartDate, in.StartTime, FailedTryMarker(in.LanguageOffset),
                                    in.CostMonitoring ? in.CurrentRate : 0.0);
    }
    return plan;
}

}  // namespace vindelor::monitor
