// Number and text forms shared by the three programs. Money and rates always use "."
// as the decimal point, whatever the user's locale.
#pragma once

#include <QString>

namespace vindelor {

// Decimal text with a "0" in front when it has exactly one digit: 7 -> "07", 123 -> "123".
QString TwoDigitText(long long value);

// d decimals, "." as point, right-aligned in at least `width` characters, padded with
// blanks on the left: (1.5, 5, 2) -> " 1.50"; (123.456, 5, 2) -> "123.46".
QString FixedPointText(double value, int width, int decimals);

// Removes one final "0" when the text ends in "0" ("-18.800" -> "-18.80").
QString DropOneTrailingZero(const QString& text);

// The stored number syntax: optional leading blanks, optional sign, digits, optionally
// "." and at least one digit, optionally E/e, optional sign, at least one digit. Nothing
// may follow. ".5" is a number; "1." , "" and "1.5 " are not.
bool IsNumber(const QString& text);
// Converts a text of the number syntax; false (and *out untouched) when it is not one.
bool ParseNumber(const QString& text, double* out);
// The number, or `fallback` when the text is not one.
double NumberOr(const QString& text, double fallback);

// Whole number from the leading digits: leading blanks and one sign allowed, reading
// stops at the first other character; no digits gives 0 ("12.50" -> 12, "x" -> 0).
// Saturates instead of overflowing.
long long LeadingWholeNumber(const QString& text);

// The program-wide integer conversion: the whole text must be an integer; leading blanks
// and a "+" or "-" allowed; "$" in front of hex digits reads hexadecimal. False when the
// text is not a valid 32-bit integer.
bool ConvertInteger(const QString& text, int* out);

// Replaces the first comma with a point.
QString FirstCommaToPoint(const QString& text);

}  // namespace vindelor
