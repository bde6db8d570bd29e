// What closing a session writes: whether it counts at all, the new totals, the summary
// text and the log line. Plain computation; the main window shows and writes the result
// in order (monitor/modemmain.cpp).
#pragma once

#include <QString>

namespace vindelor::monitor {

struct SessionCloseInput {
    // Session state when the close begins.
    long long Elapsed = 0;
    long long MinuteMark = 0;
    double SessionCost = 0.0;
    double CurrentRate = 0.0;
    double TotalCostBefore = 0.0;
    long long SessionHours = 0;
    long long SessionMinutes = 0;
    long long SessionSeconds = 0;
    QString StartDate;
    QString StartTime;
    bool CostMonitoring = true;
    bool Ready = true;
    long long AverageConnectTime = 30;
    QString CurrencySymbol = QStringLiteral("$");
    int LanguageOffset = 600;
    QString StoredNetTime;
    // Settings as read, compared with the literal words "Ja" / "Nej".
    QString LessThanMinute = QStringLiteral("Nej");  // [Session] "<1min"
    QString FailedTries = QStringLiteral("Nej");     // [Session] "Försök"
    QString Rounding = QStringLiteral("Nej");        // [Session] "Avrundning"
    QString ShowSummary = QStringLiteral("Ja");      // [Avsluta] "Visa"
    QString SummaryLabel;                            // language text 19
};

struct SessionClosePlan {
    long long CloseElapsed = 0;
    double SessionCost = 0.0;  // with the final whole minutes
    bool Short = false;        // less than one minute's charge, or cost monitoring off
    bool Counted = false;      // false: nothing is shown or written
    double TotalCost = 0.0;
    bool ShowSummary = false;
    QString SummaryText;
    bool WriteCostTotal = false;
    QString CostTotalText;     // [kostnad] "Totalt"
    QString NetTimeTotalText;  // [Nättid] "Totalt"
    bool FailedTry = false;    // [Försök] "Antal" goes up by one
    QString LogLine;
};

SessionClosePlan PlanSessionClose(const SessionCloseInput& in);

}  // namespace vindelor::monitor
