// The arithmetic of a running session, without widgets: elapsed and connected time, the
// charge per whole minute, the cost texts of the status bar and the taskbar title, and the
// running net time. The main window's session tick feeds it the tick counter and shows
// what it computes.
#pragma once

#include <QString>

#include <array>

namespace vindelor::monitor {

// Connected time split into hours, minutes 0 … 59 and seconds 0 … 59.
struct HoursMinutesSeconds {
    long long hours = 0;
    long long minutes = 0;
    long long seconds = 0;
};

// Truncating split; all zero while the connection is still being made (negative input).
HoursMinutesSeconds SplitConnected(long long connectedSeconds);

// Two-digit texts of hours, minutes and seconds joined by ":" ("00:12:05", "100:00:00").
QString TimeText(const HoursMinutesSeconds& t);

// During the first minute an initial charge stands in for its class's rate price. The
// classes are compared in order 1 … 4 and each comparison sees the value replaced by the
// one before, so a chain of equal prices follows through. A class without an initial
// charge keeps its price (its amount was never read and would charge a stale value).
double ApplyInitialCharges(double currentRate, const std::array<double, 4>& ratePrices,
                           const std::array<double, 4>& initialPrices,
                           const std::array<bool, 4>& initialChargeOn);

// Cost texts of a running session.
struct CostTexts {
    QString panel;     // status panel 1
    QString costLeft;  // total minus the monthly minimum, for the statistics dialog
};
// leftWord is the language text for "left". While the total is below the monthly minimum
// the panel shows what the minimum still covers; otherwise the whole total.
CostTexts MakeCostTexts(double totalCostBefore, double sessionCost, long long monthlyMinimum,
                        const QString& currencySymbol, const QString& leftWord);

// The title the task bar shows for the program: "Vindelor" while it is the active
// application, else the time (and with cost monitoring the total cost, as the session's
// close will store it).
QString TaskbarTitleText(bool applicationActive, bool costMonitoring, const QString& timeText,
                         const QString& currencySymbol, double totalCostBefore, double sessionCost);

// The six digits of the time display: tens and units of hours, minutes and seconds. The
// first digit gets the tens of hours up to 1000 (it draws no more than one figure; the
// texts keep the true time).
std::array<int, 6> DigitValues(const HoursMinutesSeconds& t);

// The program icon's picture at this animation count (0 … 19): a new picture at 0, 5 and
// 10, empty when the picture stays.
QString AnimationFrame(int animationCount);

// Stored net time "h:mm:ss" plus the running session, carried and cut to 10 characters.
QString RunningNetTimeText(const QString& storedNetTime, const HoursMinutesSeconds& session);

// The counters of one session. Times are whole tick-counter seconds.
struct SessionCounters {
    long long SessionStartTick = 0;
    long long Elapsed = 0;
    long long ConnectedSeconds = 0;
    long long SessionHours = 0;
    long long SessionMinutes = 0;
    long long SessionSeconds = 0;
    long long MinuteMark = 0;
    long long SinceMinuteMark = 0;
    double SessionCost = 0.0;

    HoursMinutesSeconds Connected() const { return {SessionHours, SessionMinutes, SessionSeconds}; }

    // Times from the tick counter: elapsed, connected, and its split.
    void UpdateTimes(long long nowSeconds, long long averageConnectTime);
    // Moves the minute mark once a full minute has passed since it (or while the
    // connection is still being made), leaving SinceMinuteMark as measured before.
    void AccountMinutes();
    // Adds the charge of the whole minutes in SinceMinuteMark (one minute on the tick at
    // which it falls due; a late tick charges every whole minute at once and drops the
    // remaining seconds).
    void ChargeMinutes(double currentRate);
};

}  // namespace vindelor::monitor
