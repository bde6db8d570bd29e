#include "core/ratemonitor.h"

#include "core/numbers.h"

#include <QStringList>

#include <limits>

namespace vindelor {
namespace {

// "No price" for a quarter code that does not apply now; a class whose rate price is
// exactly this value counts as having none.
constexpr double kNoPrice = -1.0;

// Hours large enough to overflow once turned into minutes are not a real package.
constexpr long long kMaxHours = std::numeric_limits<long long>::max() / 60 - 60;

long long Minutes(long long hours, long long minutes) {
    if (hours > kMaxHours)
        hours = kMaxHours;
    if (hours < -kMaxHours)
        hours = -kMaxHours;
    // The minutes part is as unchecked as the hours ("1:99999999999999999999").
    long long total = 0;
    if (__builtin_add_overflow(hours * 60, minutes, &total))
        return minutes > 0 ? std::numeric_limits<long long>::max()
                           : std::numeric_limits<long long>::min();
    return total;
}

// An empty half hour, or a slot byte outside 0 … 4, costs nothing.
double ClassPrice(int rateClass, const std::array<double, 4>& ratePrices) {
    if (rateClass < 1 || rateClass > 4)
        return 0.0;
    return ratePrices[rateClass - 1];
}

}  // namespace

long long UsedMinutes(const QString& runningNetTime) {
    const QStringList parts = runningNetTime.split(QLatin1Char(':'));
    const long long hours = LeadingWholeNumber(parts.value(0));
    const long long minutes = parts.size() > 1 ? LeadingWholeNumber(parts[1]) : 0;
    return Minutes(hours, minutes);
}

long long PackageMinutes(const QString& packageHoursText, QChar timeSeparator) {
    const int p = packageHoursText.indexOf(timeSeparator);
    if (p < 0)
        return Minutes(LeadingWholeNumber(packageHoursText), 0);
    return Minutes(LeadingWholeNumber(packageHoursText.left(p)),
                   LeadingWholeNumber(packageHoursText.mid(p + 1, 2)));
}

double UsagePackageRate(const QString& runningNetTime, const QString& packageHoursText,
                        QChar timeSeparator, const QString& packagePriceText,
                        const QString& hourPriceText, double currentRate) {
    const long long used = UsedMinutes(runningNetTime);
    const long long package = PackageMinutes(packageHoursText, timeSeparator);
    double price = 0.0;
    // A package of no minutes has no per-minute price of its own: it is used up from the
    // start, so the price per hour applies.
    if (used > package || package <= 0) {
        if (!ParseNumber(hourPriceText, &price))
            return currentRate;
        return price / 60.0;
    }
    if (!ParseNumber(packagePriceText, &price))
        return currentRate;
    return price / static_cast<double>(package);
}

double WeeklyTableRate(const TRateWeek& week, const QDateTime& now, bool holiday,
                       const std::array<double, 4>& ratePrices, double currentRate) {
    if (!now.isValid())
        return currentRate;
    const int weekday = holiday ? 7 : now.date().dayOfWeek();
    const int hour = now.time().hour();
    const int minute = now.time().minute();
    // 10:30:00 already lies in the half hour that starts at 10:30.
    const TRateSlot& slot = week.Slot(weekday, SlotForHalfHour(hour, minute >= 30));
    int inForce = ClassInForce(week, weekday, hour, minute, holiday);
    // Rate data files of earlier versions hold the codes 1 … 4: the whole half hour at
    // class k's price, the class byte's when class k has none.
    if (slot.QuarterCode >= 1 && slot.QuarterCode <= 4) {
        inForce = slot.QuarterCode;
    }
    double price = ClassPrice(inForce, ratePrices);
    if (inForce != slot.RateClass && price == kNoPrice) {
        price = ClassPrice(slot.RateClass, ratePrices);
    }
    return price;
}

int IndicatorClass(bool multipleRatesOn, double currentRate,
                   const std::array<double, 4>& ratePrices) {
    if (!multipleRatesOn)
        return 1;
    int found = 0;
    for (int k = 1; k <= 4; ++k) {
        if (currentRate == ratePrices[k - 1])
            found = k;
    }
    return found;
}

int IndicatorLevelForClass(int rateClass, const std::array<int, 4>& indicatorLevels) {
    if (rateClass < 1 || rateClass > 4)
        return kIndicatorRed;
    return indicatorLevels[rateClass - 1];
}

QString IndicatorIconName(int level, int animationCount) {
    QString colour;
    switch (level) {
        case kIndicatorGreen:
            colour = QStringLiteral("GRON");
            break;
        case kIndicatorYellow:
            colour = QStringLiteral("GUL");
            break;
        case kIndicatorRed:
            colour = QStringLiteral("ROD");
            break;
        default:
            return QString();
    }
    const int phase = ((animationCount % 20) + 20) % 20;
    return colour + (phase < 10 ? QStringLiteral("_SLACKT") : QStringLiteral("_TAND"));
}

}  // namespace vindelor
