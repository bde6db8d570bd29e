// Money as the log writes it: whole ten-thousandths of the currency unit in 64 bits. Every
// figure of money the programs store or show is a sum of these and is rounded by one rule
// (halves away from zero), so the same lines give the same figure wherever they are added
// up. Sums of binary fractions rounded 2.6750 down in one place and up in another.
#pragma once

#include <QString>

#include <cstdint>

namespace vindelor {

class Money {
  public:
    static constexpr std::int64_t kUnitsPerWhole = 10000;  // the log's four decimals

    constexpr Money() = default;
    static constexpr Money FromUnits(std::int64_t units) {
        Money m;
        m.units_ = units;
        return m;
    }
    // The nearest ten-thousandth, halves away from zero; not a number gives 0 and a value
    // beyond the range the largest amount.
    static Money FromDouble(double value);

    constexpr std::int64_t Units() const { return units_; }
    // For what only draws or multiplies it (charts, rates); never summed back.
    double Value() const { return static_cast<double>(units_) / kUnitsPerWhole; }

    // Saturating: a damaged log line of absurd size must not wrap a total negative.
    Money& operator+=(Money other);
    friend Money operator+(Money a, Money b) { return a += b; }
    friend Money operator-(Money a) { return FromUnits(a.units_ == kMin ? kMax : -a.units_); }
    friend Money operator-(Money a, Money b) { return a + -b; }
    friend bool operator==(Money a, Money b) { return a.units_ == b.units_; }
    friend bool operator!=(Money a, Money b) { return a.units_ != b.units_; }
    friend bool operator<(Money a, Money b) { return a.units_ < b.units_; }
    friend bool operator<=(Money a, Money b) { return a.units_ <= b.units_; }
    friend bool operator>(Money a, Money b) { return a.units_ > b.units_; }
    friend bool operator>=(Money a, Money b) { return a.units_ >= b.units_; }

  private:
    static constexpr std::int64_t kMax = INT64_MAX;
    static constexpr std::int64_t kMin = INT64_MIN;
    std::int64_t units_ = 0;
};

// The amount times `numerator` / `denominator`, halves away from zero (an estimate of a
// whole month from the days so far). A denominator of 0 gives 0.
Money Scaled(Money money, std::int64_t numerator, std::int64_t denominator);

// Rounded to `decimals` (0 … 4) halves away from zero, "." as the point whatever the
// locale, right-aligned in at least `width` characters. An amount that rounds to zero
// has no "-".
QString MoneyText(Money money, int decimals, int width = 0);

// A total as the settings file stores it ([Kostnad] "Totalt"): every decimal of the sum
// of the lines, trailing zeros dropped down to two ("2.10", "2.125", "1.2345"), so that a
// figure read back from it rounds as the log's own sum does. Right-aligned as the
// three-decimal form always was: in `width` characters when it has three decimals.
QString StoredTotalText(Money money, int width);

// A cost as the log and the stored totals hold it: leading blanks or tabs, an optional
// sign, digits, and optionally a "." and more digits; reading stops at the first other
// character. A "," followed by a digit stands for the point, as a hand-edited line
// written in a Nordic locale has it ("1,5000"). Decimals past the fourth round halves
// away from zero. No digits at all give 0 with *readable false.
Money ReadMoney(const QString& text, bool* readable = nullptr);

// The two forms the settings have always taken amounts in.
enum class ExtraDecimals {
    Reject,  // prices and volumes: typed no finer than charged, and without an exponent
    Round,   // the budget: an exponent allowed, finer decimals rounded halves away from zero
};

// An amount as the settings hold it (budgets, tariffs, data prices and volumes), in whole
// 10^-decimals (0 … 6): blanks around it, an optional sign, digits, optionally a "." or
// "," (the user's decimal sign) and at least one digit, and with ExtraDecimals::Round
// optionally E/e, an optional sign and digits; ".5" is a number, "1." and "1,500.00" are
// not. Blank is 0. False (and *out untouched) for anything else, a value below 0 or
// beyond `limit` units, and with ExtraDecimals::Reject a digit other than 0 past
// `decimals`.
bool ReadSettingAmount(const QString& text, int decimals, std::uint64_t limit, ExtraDecimals extra,
                       std::uint64_t* out);

}  // namespace vindelor
