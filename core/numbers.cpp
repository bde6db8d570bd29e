#include "core/numbers.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace vindelor {
namespace {

bool IsDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Moves `i` past the digits at it; returns how many there were.
int SkipDigits(const QString& text, int& i) {
    const int from = i;
    while (i < text.size() && IsDigit(text[i]))
        ++i;
    return i - from;
}

// Moves `i` past leading blanks and one "+" or "-"; returns whether the sign was "-".
bool SkipBlanksAndSign(const QString& text, int& i) {
    while (i < text.size() && text[i] == QLatin1Char(' '))
        ++i;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        return text[i++] == QLatin1Char('-');
    }
    return false;
}

}  // namespace

QString TwoDigitText(long long value) {
    QString text = QString::number(value);
    if (text.size() == 1) {
        text.prepend(QLatin1Char('0'));
    }
    return text;
}

QString FixedPointText(double value, int width, int decimals) {
    if (!std::isfinite(value)) {
        value = 0.0;
    }
    if (decimals < 0)
        decimals = 0;
    if (decimals > 20)
        decimals = 20;
    // QString::number ignores the locale: "." whatever the user's settings.
    QString text = QString::number(value, 'f', decimals);
    if (text.startsWith(QLatin1Char('-'))) {
        // "-0.00" reads oddly in a money field: a value that rounds to zero is zero.
        bool allZero = true;
        for (int i = 1; i < text.size(); ++i) {
            if (text[i] != QLatin1Char('0') && text[i] != QLatin1Char('.')) {
                allZero = false;
                break;
            }
        }
        if (allZero)
            text.remove(0, 1);
    }
    if (text.size() < width) {
        text.prepend(QString(width - text.size(), QLatin1Char(' ')));
    }
    return text;
}

QString DropOneTrailingZero(const QString& text) {
    if (text.endsWith(QLatin1Char('0'))) {
        return text.left(text.size() - 1);
    }
    return text;
}

bool IsNumber(const QString& text) {
    int i = 0;
    SkipBlanksAndSign(text, i);
    const int intDigits = SkipDigits(text, i);
    int fracDigits = 0;
    if (i < text.size() && text[i] == QLatin1Char('.')) {
        ++i;
        fracDigits = SkipDigits(text, i);
        if (fracDigits == 0)
            return false;  // "1." is not a number
    }
    if (intDigits == 0 && fracDigits == 0)
        return false;
    if (i < text.size() && (text[i] == QLatin1Char('E') || text[i] == QLatin1Char('e'))) {
        ++i;
        if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
            ++i;
        if (SkipDigits(text, i) == 0)
            return false;
    }
    return i == text.size();
}

bool ParseNumber(const QString& text, double* out) {
    if (!IsNumber(text))
        return false;
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);  // QString::toDouble is locale-free
    if (!ok || !std::isfinite(value)) {
        return false;
    }
    *out = value;
    return true;
}

double NumberOr(const QString& text, double fallback) {
    double value = fallback;
    return ParseNumber(text, &value) ? value : fallback;
}

long long LeadingWholeNumber(const QString& text) {
    int i = 0;
    const int n = text.size();
    const bool negative = SkipBlanksAndSign(text, i);
    constexpr long long kMax = std::numeric_limits<long long>::max();
    long long value = 0;
    while (i < n && IsDigit(text[i])) {
        const int digit = text[i].unicode() - '0';
        value = (value > (kMax - digit) / 10) ? kMax : value * 10 + digit;
        ++i;
    }
    return negative ? -value : value;
}

bool ConvertInteger(const QString& text, int* out) {
    int i = 0;
    const int n = text.size();
    const bool negative = SkipBlanksAndSign(text, i);
    int base = 10;
    if (i < n && text[i] == QLatin1Char('$')) {
        base = 16;
        ++i;
    } else if (i + 1 < n && text[i] == QLatin1Char('0') &&
               (text[i + 1] == QLatin1Char('x') || text[i + 1] == QLatin1Char('X'))) {
        base = 16;
        i += 2;
    }
    if (i >= n)
        return false;
    long long value = 0;
    for (; i < n; ++i) {
        const QChar c = text[i];
        int d = -1;
        if (IsDigit(c))
            d = c.unicode() - '0';
        else if (base == 16 && c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f'))
            d = c.toLower().unicode() - 'a' + 10;
        if (d < 0)
            return false;
        value = value * base + d;
        if (value > 0xFFFFFFFFLL)
            return false;
    }
    if (base == 10) {
        if (negative)
            value = -value;
        if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
            return false;
        *out = static_cast<int>(value);
    } else {
        // Hexadecimal takes the 32-bit pattern ($FFFFFFFF is -1); a "-" negates it in
        // unsigned arithmetic, so "-$80000000" wraps as the pattern does instead of
        // overflowing.
        const auto bits = static_cast<std::uint32_t>(value);
        *out = static_cast<int>(negative ? 0u - bits : bits);
    }
    return true;
}

QString FirstCommaToPoint(const QString& text) {
    QString result = text;
    const int comma = result.indexOf(QLatin1Char(','));
    if (comma >= 0)
        result[comma] = QLatin1Char('.');
    return result;
}

}  // namespace vindelor
