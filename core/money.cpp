#include "core/money.h"

#include <cmath>

namespace vindelor {
namespace {

bool IsDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

std::int64_t Saturated(__int128 value) {
    if (value > INT64_MAX)
        return INT64_MAX;
    if (value < INT64_MIN)
        return INT64_MIN;
    return static_cast<std::int64_t>(value);
}

// n / d, halves away from zero; d > 0.
__int128 DivideRounded(__int128 n, __int128 d) {
    const __int128 whole = (n < 0 ? -n : n);
    const __int128 q = (whole + d / 2) / d;
    return n < 0 ? -q : q;
}

}  // namespace

Money Money::FromDouble(double value) {
    if (std::isnan(value))
        return Money();
    const double units = value * static_cast<double>(kUnitsPerWhole);
    // 2^63 is exactly representable; anything from it on does not fit.
    if (units >= 9223372036854775808.0)
        return FromUnits(kMax);
    if (units <= -9223372036854775808.0)
        return FromUnits(kMin);
    return FromUnits(std::llround(units));  // halves away from zero
}

Money& Money::operator+=(Money other) {
    units_ = Saturated(static_cast<__int128>(units_) + other.units_);
    return *this;
}

Money Scaled(Money money, std::int64_t numerator, std::int64_t denominator) {
    if (denominator == 0)
        return Money();
    if (denominator < 0) {
        numerator = -numerator;
        denominator = -denominator;
    }
    return Money::FromUnits(
        Saturated(DivideRounded(static_cast<__int128>(money.Units()) * numerator, denominator)));
}

QString MoneyText(Money money, int decimals, int width) {
    if (decimals < 0)
        decimals = 0;
    if (decimals > 4)
        decimals = 4;
    __int128 step = 1;
    for (int i = decimals; i < 4; ++i)
        step *= 10;
    const __int128 rounded = DivideRounded(money.Units(), step);
    const bool negative = rounded < 0;
    unsigned __int128 magnitude = negative ? -rounded : rounded;
    QString digits;
    do {
        digits.prepend(QLatin1Char(static_cast<char>('0' + static_cast<int>(magnitude % 10))));
        magnitude /= 10;
    } while (magnitude != 0);
    if (decimals > 0) {
        if (digits.size() <= decimals)
            digits.prepend(QString(decimals - digits.size() + 1, QLatin1Char('0')));
        digits.insert(digits.size() - decimals, QLatin1Char('.'));
    }
    if (negative)
        digits.prepend(QLatin1Char('-'));
    if (digits.size() < width)
        digits.prepend(QString(width - digits.size(), QLatin1Char(' ')));
    return digits;
}

Money ReadMoney(const QString& text, bool* readable) {
    const int n = static_cast<int>(text.size());
    int i = 0;
    while (i < n && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')))
        negative = text[i++] == QLatin1Char('-');
    __int128 whole = 0;
    int digits = 0;
    for (; i < n && IsDigit(text[i]); ++i, ++digits) {
        if (whole <= INT64_MAX)  // beyond it the sum saturates anyway
            whole = whole * 10 + (text[i].unicode() - '0');
    }
    __int128 units = whole * Money::kUnitsPerWhole;
    if (i + 1 < n && IsDigit(text[i + 1]) &&
        (text[i] == QLatin1Char('.') || text[i] == QLatin1Char(','))) {
        int end = i + 1;
        while (end < n && IsDigit(text[end]))
            ++end;
        // "1,500.00" is a thousands separator, not a point: the comma is not read as one.
        const bool commaAsThousands =
            text[i] == QLatin1Char(',') && end < n &&
            (text[end] == QLatin1Char('.') || text[end] == QLatin1Char(','));
        if (!commaAsThousands) {
            __int128 fraction = 0;
            int place = 0;
            for (int j = i + 1; j < end; ++j, ++place) {
                const int d = text[j].unicode() - '0';
                if (place < 4) {
                    fraction = fraction * 10 + d;
                } else {
                    // Halves away from zero: the fifth decimal alone decides.
                    if (d >= 5)
                        ++fraction;
                    break;
                }
            }
            for (; place < 4; ++place)
                fraction *= 10;
            units += fraction;
            digits += end - i - 1;
        }
    }
    if (readable != nullptr)
        *readable = digits > 0;
    return Money::FromUnits(Saturated(negative ? -units : units));
}

}  // namespace vindelor
