#include "core/monthleft.h"

#include "core/datavolume.h"
#include "core/texts.h"

namespace vindelor {
namespace {

QString Own(int n) {
    return Text(kOwnTextBase + n);
}

QString LeftText(const QString& left, const QString& aDay, int days) {
    return days <= 1 ? Own(kTextLeftToday).arg(left) : Own(kTextLeftADay).arg(left, aDay).arg(days);
}

}  // namespace

int DaysLeft(const BillingMonth& month, const QDate& today) {
    if (today < month.first) {
        return month.Days();
    }
    return today > month.last ? 1 : static_cast<int>(today.daysTo(month.last)) + 1;
}

QString MoneyShown(Money amount, const QString& currencyPrefix) {
    const QString figure = MoneyText(amount, 2);
    return currencyPrefix.isEmpty() ? figure : currencyPrefix + QLatin1Char(' ') + figure;
}

QString MoneyLeftText(Money budget, Money spent, const BillingMonth& month, const QDate& today,
                      const QString& currencyPrefix) {
    const Money left = budget - spent;
    // Compared as shown: a left of a fraction of a cent says nothing is left, not "€ 0.00".
    if (MoneyText(left, 2) == MoneyText(Money(), 2)) {
        return Own(kTextNothingLeft).arg(MoneyShown(budget, currencyPrefix));
    }
    if (left < Money()) {
        return Own(kTextOverBudget)
            .arg(MoneyShown(-left, currencyPrefix), MoneyShown(budget, currencyPrefix));
    }
    const int days = DaysLeft(month, today);
    return LeftText(MoneyShown(left, currencyPrefix),
                    MoneyShown(Scaled(left, 1, days), currencyPrefix), days);
}

QString VolumeLeftText(std::uint64_t included, std::uint64_t used, const BillingMonth& month,
                       const QDate& today) {
    const int offset = LanguageOffset();
    if (used > included) {
        return Own(kTextOverIncluded)
            .arg(VolumeText(used - included, offset), VolumeText(included, offset));
    }
    const std::uint64_t left = included - used;
    if (VolumeText(left, offset) == VolumeText(0, offset)) {
        return Own(kTextNothingLeft).arg(VolumeText(included, offset));
    }
    const int days = DaysLeft(month, today);
    const auto perDay = static_cast<std::uint64_t>(days);
    // Halves up, as money is rounded; the sum of the days never passes what is left by
    // more than half a byte each.
    return LeftText(VolumeText(left, offset), VolumeText((left + perDay / 2) / perDay, offset),
                    days);
}

}  // namespace vindelor
