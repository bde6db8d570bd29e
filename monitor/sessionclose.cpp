#include "monitor/sessionclose.h"

#include "core/numbers.h"
#include "core/profile.h"
#include "core/sessionlog.h"
#include "core/texts.h"

#include <cerrno>

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

    const bool dropSeconds = in.Rounding == QLatin1String("Nej");
    const Hms session{in.SessionHours, in.SessionMinutes, in.SessionSeconds};
    plan.NetTimeTotalText =
        FormatHms(Normalised(Add(ParseHms(in.StoredNetTime), session)), dropSeconds);

    // A connection try is charged one minute at the rate in force.
    plan.FailedTry = failedTries && plan.CloseElapsed < in.AverageConnectTime;
    const double charged = !in.CostMonitoring ? 0.0
                           : plan.FailedTry || (plan.Short && failedTries)
                               ? in.CurrentRate + in.DataCost
                               : plan.SessionCost;
    // The total grows by exactly what the log line carries: the line's four decimals are
    // what every later sum of the log (recount, months, exports, budget) adds up.
    const Money lineCost = Money::FromDouble(charged);
    plan.LogLine = BuildLogLine(
        in.StartDate, in.StartTime,
        plan.FailedTry ? FailedTryMarker(in.LanguageOffset) : FormatHms(session, dropSeconds),
        lineCost, in.Volume);
    plan.TotalCost = Money::FromDouble(in.TotalCostBefore) + lineCost;

    plan.ShowSummary = in.ShowSummary == QLatin1String("Ja");
    plan.SummaryText = in.SummaryLabel + QLatin1Char(' ') + in.CurrencySymbol + QLatin1Char(' ') +
                       MoneyText(plan.TotalCost, 2, 4);

    plan.WriteCostTotal = in.CostMonitoring;
    plan.CostTotalText = StoredTotalText(plan.TotalCost, 8);
    return plan;
}

double StoredCostTotal() {
    return NumberOr(GetProfileString(QStringLiteral("kostnad"), QStringLiteral("totalt"),
                                     QStringLiteral("0"), 30, kSettingsFile),
                    0.0);
}

void ReadStoredTotals(SessionCloseInput& in) {
    in.TotalCostBefore = StoredCostTotal();
    in.StoredNetTime = GetProfileString(QStringLiteral("Nättid"), QStringLiteral("Totalt"),
                                        QStringLiteral("0"), 49, kSettingsFile)
                           .left(10);
}

SessionCloseStore StoreSessionClose(SessionCloseInput in,
                                    const std::function<void(SessionCloseStore&)>& alongside) {
    SessionCloseStore out;
    const auto failed = [&out](int item, const QString& value, int error) {
        if (out.error == 0) {
            out.error = error != 0 ? error : EIO;
        }
        out.unsaved << Text(kOwnTextBase + item).arg(value);
    };
    const auto write = [&failed](const QString& section, const QString& key, const QString& value,
                                 int item, const QString& shown) {
        int error = 0;
        if (!WriteProfileString(section, key, value, kSettingsFile, &error)) {
            failed(item, shown, error);
        }
    };

    // The line and the totals go in together: a log viewer rewriting the log waits.
    ProfileLock lock;
    ReadStoredTotals(in);
    out.plan = PlanSessionClose(in);
    const SessionClosePlan& plan = out.plan;
    if (!plan.Counted) {
        return out;
    }
    if (plan.WriteCostTotal) {
        write(QStringLiteral("kostnad"), QStringLiteral("Totalt"), plan.CostTotalText,
              kTextUnsavedCostTotal,
              in.CurrencySymbol + QLatin1Char(' ') + plan.CostTotalText.trimmed());
    }
    write(QStringLiteral("Nättid"), QStringLiteral("Totalt"), plan.NetTimeTotalText,
          kTextUnsavedNetTime, plan.NetTimeTotalText);
    if (plan.FailedTry) {
        const QString tries = QString::number(
            LeadingWholeNumber(GetProfileString(QStringLiteral("Försök"), QStringLiteral("Antal"),
                                                QStringLiteral("0"), 10, kSettingsFile)) +
            1);
        write(QStringLiteral("Försök"), QStringLiteral("Antal"), tries, kTextUnsavedTries, tries);
    }
    int logError = 0;
    if (AppendLogLine(plan.LogLine, QString(), &logError) == 0) {
        failed(kTextUnsavedLogLine, plan.LogLine, logError);
    }
    if (alongside) {
        alongside(out);
    }
    return out;
}

}  // namespace vindelor::monitor
