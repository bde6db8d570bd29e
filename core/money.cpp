#include "core/money.h"

#include <algorithm>
#include <cmath>
#include <string>

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

QString StoredTotalText(Money money, int width) {
    QString text = MoneyText(money, 4, width + 1);
    for (int i = 0; i < 2 && text.endsWith(QLatin1Char('0')); ++i)
        text.chop(1);
    return text;
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

bool ReadSettingAmount(const QString& text, int decimals, std::uint64_t limit, ExtraDecimals extra,
                       std::uint64_t* out) {
    const QString t = text.trimmed();
    if (t.isEmpty()) {
        *out = 0;
        return true;
    }
    const int n = static_cast<int>(t.size());
    int i = 0;
    bool negative = false;
    if (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-')) {
        negative = t[i++] == QLatin1Char('-');
    }
    std::string digits;  // before and after the point, as typed
    int fraction = 0;
    for (; i < n && IsDigit(t[i]); ++i) {
        digits += static_cast<char>(t[i].unicode());
    }
    if (i < n && (t[i] == QLatin1Char('.') || t[i] == QLatin1Char(','))) {
        for (++i; i < n && IsDigit(t[i]); ++i, ++fraction) {
            digits += static_cast<char>(t[i].unicode());
        }
        if (fraction == 0) {
            return false;  // "1."
        }
    }
    if (digits.empty()) {
        return false;
    }
    int exponent = 0;
    if (extra == ExtraDecimals::Round && i < n &&
        (t[i] == QLatin1Char('E') || t[i] == QLatin1Char('e'))) {
        bool down = false;
        if (++i < n && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-'))) {
            down = t[i++] == QLatin1Char('-');
        }
        const int start = i;
        for (; i < n && IsDigit(t[i]); ++i) {
            if (exponent < 100000) {  // far past any amount either way
                exponent = exponent * 10 + (t[i].unicode() - '0');
            }
        }
        if (i == start) {
            return false;
        }
        exponent = down ? -exponent : exponent;
    }
    if (i != n) {
        return false;
    }
    const bool zero = digits.find_first_not_of('0') == std::string::npos;
    if (negative && !zero) {
        return false;
    }
    // The digits kept at the scale; those past it are dropped, or rounded in.
    const long long shift = static_cast<long long>(exponent) - fraction + decimals;
    const long long size = static_cast<long long>(digits.size());
    const long long kept = std::max(0LL, size + std::min(shift, 0LL));
    std::uint64_t value = 0;
    for (long long k = 0; k < kept; ++k) {
        value = value * 10 + static_cast<std::uint64_t>(digits[k] - '0');
        if (value > limit) {
            return false;
        }
    }
    if (kept < size) {
        if (extra == ExtraDecimals::Reject &&
            digits.find_first_not_of('0', static_cast<std::size_t>(kept)) != std::string::npos) {
            return false;
        }
        // Halves away from zero: the first dropped digit alone decides.
        if (extra == ExtraDecimals::Round && size + shift >= 0 && digits[kept] >= '5') {
            ++value;
        }
    }
    for (long long k = 0; k < shift && value != 0; ++k) {
        if (value > limit / 10) {
            return false;
        }
        value *= 10;
    }
    if (value > limit) {
        return false;
    }
    *out = value;
    return true;
}

}  // namespace vindelor
