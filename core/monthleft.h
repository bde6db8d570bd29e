// What is left of a billing month's budget or included volume, and what that allows a
// day for the days left ("€ 12.40 left, € 1.55 a day for 8 days"), in the current
// language. The tray's tool tip and the viewer's months window say it the same way.
#pragma once

#include "core/billing.h"
#include "core/money.h"

#include <QDate>
#include <QString>

#include <cstdint>

namespace vindelor {

// The days of `month` from `today` to its last day, both counted: 1 on the last day. A
// day before the month counts the whole month; a day after it (a session that ran on
// past the month's end stays in the month it began in) counts as its last.
int DaysLeft(const BillingMonth& month, const QDate& today);

// Money as the programs show it: the currency, a blank and two decimals; the bare
// figure without a currency.
QString MoneyShown(Money amount, const QString& currencyPrefix);

// `spent` of `budget`: what is left and a day's share of it (rounded as every figure of
// money), what was spent beyond it, or that nothing is left.
QString MoneyLeftText(Money budget, Money spent, const BillingMonth& month, const QDate& today,
                      const QString& currencyPrefix);
// `used` bytes of the `included` ones, in the language's units.
QString VolumeLeftText(std::uint64_t included, std::uint64_t used, const BillingMonth& month,
                       const QDate& today);

}  // namespace vindelor
