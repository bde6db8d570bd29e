#include "monitor/sessionrules.h"

#include "core/money.h"
#include "core/numbers.h"
#include "core/sessionlog.h"

#include <algorithm>

namespace vindelor::monitor {

HoursMinutesSeconds SplitConnected(long long connectedSeconds) {
    if (connectedSeconds < 0) {
        return {};
    }
    return {connectedSeconds / 3600, (connectedSeconds / 60) % 60, connectedSeconds % 60};
}

QString TimeText(const HoursMinutesSeconds& t) {
    return TwoDigitText(t.hours) + QLatin1Char(':') + TwoDigitText(t.minutes) + QLatin1Char(':') +
           TwoDigitText(t.seconds);
}

double ApplyInitialCharges(double currentRate, const std::array<double, 4>& ratePrices,
                           const std::array<double, 4>& initialPrices,
                           const std::array<bool, 4>& initialChargeOn) {
    for (std::size_t k = 0; k < ratePrices.size(); ++k) {
        // Exact comparison on purpose: the rate in force is a copy of one of these prices.
        if (initialChargeOn[k] && currentRate == ratePrices[k]) {
            currentRate = initialPrices[k];
        }
    }
    return currentRate;
}

namespace {

// The total the session's close will store: the stored total and the session's cost, each
// to the ten-thousandth the log line and the totals keep, added exactly.
Money RunningTotal(double totalCostBefore, double sessionCost) {
    return Money::FromDouble(totalCostBefore) + Money::FromDouble(sessionCost);
}

}  // namespace

CostTexts MakeCostTexts(double totalCostBefore, double sessionCost, long long monthlyMinimum,
                        const QString& currencySymbol, const QString& leftWord) {
    CostTexts out;
    const Money total = RunningTotal(totalCostBefore, sessionCost);
    const Money v = total - Money::FromUnits(monthlyMinimum * Money::kUnitsPerWhole);
    out.costLeft = DropOneTrailingZero(MoneyText(v, 3, 5)).left(20);
    // One blank after the currency: a field padded to five would show "$  0.25".
    if (v < Money()) {
        out.panel =
            currencySymbol + QLatin1Char(' ') + MoneyText(-v, 2) + QLatin1Char(' ') + leftWord;
    } else {
        out.panel = currencySymbol + QLatin1Char(' ') + MoneyText(total, 2);
    }
    return out;
}

QString TaskbarTitleText(bool applicationActive, bool costMonitoring, const QString& timeText,
                         const QString& currencySymbol, double totalCostBefore,
                         double sessionCost) {
    if (applicationActive) {
        return QStringLiteral("Vindelor");
    }
    if (!costMonitoring) {
        return timeText;
    }
    return timeText + QStringLiteral(" : ") + currencySymbol + QLatin1Char(' ') +
           MoneyText(RunningTotal(totalCostBefore, sessionCost), 2);
}

std::array<int, 6> DigitValues(const HoursMinutesSeconds& t) {
    return {static_cast<int>(std::min<long long>(t.hours / 10, 1000)),
            static_cast<int>(t.hours % 10),
            static_cast<int>(t.minutes / 10),
            static_cast<int>(t.minutes % 10),
            static_cast<int>(t.seconds / 10),
            static_cast<int>(t.seconds % 10)};
}

QString AnimationFrame(int animationCount) {
    switch (animationCount) {
        case 0:
            return QStringLiteral("TRILLORA1");
        case 5:
            return QStringLiteral("TRILLORA2");
        case 10:
            return QStringLiteral("TRILLORA3");
        default:
            return QString();
    }
}

QString RunningNetTimeText(const QString& storedNetTime, const HoursMinutesSeconds& session) {
    const Hms total =
        Add(ParseHms(storedNetTime), Hms{session.hours, session.minutes, session.seconds});
    return FormatHms(Normalised(total)).left(10);
}

void SessionCounters::UpdateTimes(long long nowSeconds, long long averageConnectTime) {
    Elapsed = nowSeconds - SessionStartTick;
    ConnectedSeconds = Elapsed - averageConnectTime;
    const HoursMinutesSeconds t = SplitConnected(ConnectedSeconds);
    SessionHours = t.hours;
    SessionMinutes = t.minutes;
    SessionSeconds = t.seconds;
}

void SessionCounters::AccountMinutes() {
    SinceMinuteMark = Elapsed - MinuteMark;
    if (SinceMinuteMark >= 60) {
        MinuteMark = Elapsed;
    }
    if (ConnectedSeconds <= 0) {
        MinuteMark = Elapsed;
        SinceMinuteMark = 0;
    }
}

void SessionCounters::ChargeMinutes(double currentRate) {
    SessionCost += currentRate * static_cast<double>(SinceMinuteMark / 60);
}

}  // namespace vindelor::monitor
