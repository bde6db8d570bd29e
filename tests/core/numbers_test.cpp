#include "core/numbers.h"

#include <gtest/gtest.h>

namespace vindelor {
namespace {

TEST(NumberForms, TwoDigitAndFixedPoint) {
    EXPECT_EQ(TwoDigitText(7), "07");
    EXPECT_EQ(TwoDigitText(0), "00");
    EXPECT_EQ(TwoDigitText(12), "12");
    EXPECT_EQ(TwoDigitText(123), "123");
    EXPECT_EQ(FixedPointText(1.5, 5, 2), " 1.50");
    EXPECT_EQ(FixedPointText(123.456, 5, 2), "123.46");
    EXPECT_EQ(FixedPointText(1.2, 9, 4), "   1.2000");
    EXPECT_EQ(FixedPointText(123.45, 9, 4), " 123.4500");
    EXPECT_EQ(FixedPointText(-18.8, 5, 3), "-18.800");
    EXPECT_EQ(DropOneTrailingZero(FixedPointText(-18.8, 5, 3)), "-18.80");
    EXPECT_EQ(DropOneTrailingZero(FixedPointText(3.125, 5, 3)), "3.125");
    EXPECT_EQ(FixedPointText(-0.0001, 5, 2), " 0.00");
}

TEST(NumberForms, NumberSyntax) {
    for (const char* good : {"0", "1.5", ".5", "-2", "+3.25", "  7", "1e3", "2.5E-2"}) {
        EXPECT_TRUE(IsNumber(good)) << good;
    }
    for (const char* bad : {"", " ", "1.", "1.5 ", "0,25", "abc", "1e", "1e+", "+", ".", "1.2.3"}) {
        EXPECT_FALSE(IsNumber(bad)) << bad;
    }
    double v = 0;
    EXPECT_TRUE(ParseNumber("  .5", &v));
    EXPECT_DOUBLE_EQ(v, 0.5);
    EXPECT_DOUBLE_EQ(NumberOr("x", 7.0), 7.0);
    EXPECT_FALSE(ParseNumber("1e999", &v)) << "an infinite value is not a usable number";
}

TEST(NumberForms, LeadingWholeNumberAndIntegerConversion) {
    EXPECT_EQ(LeadingWholeNumber("12.50"), 12);
    EXPECT_EQ(LeadingWholeNumber("  -3x"), -3);
    EXPECT_EQ(LeadingWholeNumber("x12"), 0);
    EXPECT_EQ(LeadingWholeNumber(""), 0);
    EXPECT_EQ(LeadingWholeNumber("99999999999999999999999"), 9223372036854775807LL);

    int v = 0;
    EXPECT_TRUE(ConvertInteger("007", &v));
    EXPECT_EQ(v, 7);
    EXPECT_TRUE(ConvertInteger("  +20", &v));
    EXPECT_EQ(v, 20);
    EXPECT_TRUE(ConvertInteger("$FF", &v));
    EXPECT_EQ(v, 255);
    EXPECT_TRUE(ConvertInteger("-5", &v));
    EXPECT_EQ(v, -5);
    // Hexadecimal is a 32-bit pattern; a sign in front negates the pattern.
    struct {
        const char* text;
        int value;
    } const edges[] = {{"$FFFFFFFF", -1},
                       {"-$1", -1},
                       {"$7fffffff", 2147483647},
                       {"-$80000000", -2147483647 - 1},
                       {"-2147483648", -2147483647 - 1},
                       {"0x10", 16}};
    for (const auto& e : edges) {
        v = 0;
        EXPECT_TRUE(ConvertInteger(e.text, &v)) << e.text;
        EXPECT_EQ(v, e.value) << e.text;
    }
    for (const char* bad : {"", " ", "12a", "1 ", "$", "$G", "99999999999", "+", "2147483648",
                            "$100000000", "+-1", "- 1", "1.0"}) {
        EXPECT_FALSE(ConvertInteger(bad, &v)) << bad;
    }
    EXPECT_EQ(FirstCommaToPoint("0,5,1"), "0.5,1");
}

}  // namespace
}  // namespace vindelor
