// The rules of the rate monitor and the rate indicator: which charge per minute is in
// force (usage package or weekly rate table) and which light the tray shows for it.
// Plain functions; the main window's timers call them with its state.
#pragma once

#include "core/ratetable.h"

#include <QChar>
#include <QDateTime>
#include <QString>

#include <array>

namespace vindelor {

// Indicator levels as kept in SessionGlobals().IndicatorLevels.
constexpr int kIndicatorNone = 0;
constexpr int kIndicatorGreen = 1;
constexpr int kIndicatorYellow = 2;
constexpr int kIndicatorRed = 3;

// Minutes used so far from a running net time "h:mm:ss" (seconds ignored; each part read
// from its leading digits, a missing part counts 0).
long long UsedMinutes(const QString& runningNetTime);

// Minutes in the package from its hours text: "10" -> 600, "10:30" with ':' -> 630 (at
// most two characters after the separator are read as minutes).
long long PackageMinutes(const QString& packageHoursText, QChar timeSeparator);

// The charge per minute under a usage package. Beyond the package: hour price / 60;
// inside it: package price spread over its minutes. A package of 0 minutes charges the
// hour price / 60. A price text that is not a number keeps `currentRate`.
double UsagePackageRate(const QString& runningNetTime, const QString& packageHoursText,
                        QChar timeSeparator, const QString& packagePriceText,
                        const QString& hourPriceText, double currentRate);

// The charge per minute from the weekly rate table at `now` (holiday: Sunday's table).
// ratePrices[k - 1] is the price of class k. An empty half hour (class 0) and a slot byte
// outside 0 … 4 cost nothing; a code 1 … 4 (files of earlier versions) prices the whole
// half hour at that class; any other invalid quarter code is ignored. `currentRate` is kept
// for the signature's sake: every slot yields a price.
double WeeklyTableRate(const TRateWeek& week, const QDateTime& now, bool holiday,
                       const std::array<double, 4>& ratePrices, double currentRate);

// The class whose price is in force, found by exact comparison; the last match wins,
// 0 when none matches. With multiple rates off the class is 1.
int IndicatorClass(bool multipleRatesOn, double currentRate,
                   const std::array<double, 4>& ratePrices);

// Indicator level for a class: the class's level, red for class 0.
int IndicatorLevelForClass(int rateClass, const std::array<int, 4>& indicatorLevels);

// Icon resource name for a level and animation phase: "GRON_SLACKT"/"GRON_TAND",
// "GUL_…", "ROD_…"; unlit for animationCount 0 … 9, lit for 10 … 19. Level 0 (none) or
// any other value gives an empty name: show no light.
QString IndicatorIconName(int level, int animationCount);

}  // namespace vindelor
