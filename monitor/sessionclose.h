// What closing a session writes: whether it counts at all, the new totals, the summary
// text and the log line (PlanSessionClose, plain computation), and the writing of it
// under the profile lock (StoreSessionClose). The main window shows the summary and
// calls both (monitor/modemmain.cpp).
#pragma once

#include "core/datavolume.h"
#include "core/money.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace vindelor::monitor {

struct SessionCloseInput {
    // Session state when the close begins.
    long long Elapsed = 0;
    long long MinuteMark = 0;
    double SessionCost = 0.0;  // the data charge included
    double DataCost = 0.0;     // the data charge alone: a failed try pays it too
    DataVolume Volume;         // the bytes counted, logged with the line when known
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
    Money TotalCost;           // the stored total and what the log line carries
    bool ShowSummary = false;
    QString SummaryText;
    bool WriteCostTotal = false;
    QString CostTotalText;     // [kostnad] "Totalt"
    QString NetTimeTotalText;  // [Nättid] "Totalt"
    bool FailedTry = false;    // [Försök] "Antal" goes up by one
    QString LogLine;
};

SessionClosePlan PlanSessionClose(const SessionCloseInput& in);

// The stored cost total ([kostnad] "totalt") as the settings file holds it now; 0 when
// it is not a number.
double StoredCostTotal();
// Fills in.TotalCostBefore and in.StoredNetTime from the settings file as it is now.
void ReadStoredTotals(SessionCloseInput& in);

struct SessionCloseStore {
    SessionClosePlan plan;  // planned with the totals read under the lock
    QStringList unsaved;    // what could not be written, one language text an item
    int error = 0;          // the reason of the first failed write (an errno)
};

// Writes a close under the profile lock: reads the stored totals afresh (the log viewer
// may have recounted them while the session ran, or while the summary was open), plans
// with them and writes the cost and time totals, the failed-try count and the log line.
// `alongside`, when given, runs under the same lock afterwards and may add to the
// result. A close that does not count writes nothing. Every write replaces its file
// whole or not at all: what failed leaves the old value and is listed in `unsaved`.
SessionCloseStore StoreSessionClose(SessionCloseInput in,
                                    const std::function<void(SessionCloseStore&)>& alongside = {});

}  // namespace vindelor::monitor
