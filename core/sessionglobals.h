// Program-wide state of the main program, owned by its main window, also written by the
// settings dialog and read by the statistics dialog. The log viewer keeps the same values
// for its own settings dialog.
#pragma once

#include <QChar>
#include <QString>

#include <array>

namespace vindelor {

struct SessionGlobalsT {
    double CurrentRate = 0.0;      // charge per minute in force
    long long MonthlyMinimum = 0;  // whole currency units; 0 while cost monitoring is off
    QString CurrencySymbol = QStringLiteral("$");  // at most 10 characters
    long long AverageConnectTime = 30;             // seconds
    QString LanguageCode = QStringLiteral("UK");   // "S", "SF" or "UK"
    QString CostLeftText;                          // total minus minimum, at most 20 chars
    QString StoredNetTime;                         // h:mm:ss of earlier sessions
    QString RunningNetTime;                        // StoredNetTime plus the running session
    std::array<bool, 4> PortChoice{};              // COM1 … COM4
    std::array<double, 4> RatePrices{};            // rate classes 1 … 4
    std::array<double, 4> InitialPrices{};
    std::array<int, 4> IndicatorLevels{};  // 0 none, 1 green, 2 yellow, 3 red
    QChar TimeSeparator = QLatin1Char(':');
};
// The language offset itself is process-wide in shared/texts.h (LanguageOffset()).

SessionGlobalsT& SessionGlobals();

}  // namespace vindelor
