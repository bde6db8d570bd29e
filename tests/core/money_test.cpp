#include "core/money.h"

#include <gtest/gtest.h>

namespace vindelor {
namespace {

TEST(MoneyTexts, HalvesRoundAwayFromZeroWhateverTheirBinaryForm) {
    struct Case {
        const char* cost;  // as a log line carries it
        int decimals;
        const char* text;
    };
    // Binary sums rounded 0.0150 and 2.6750 down and 0.1250 up; money rounds them alike.
    const Case cases[] = {
        {"0.0150", 2, "0.02"},      {"2.6750", 2, "2.68"},   {"0.1250", 2, "0.13"},
        {"0.0149", 2, "0.01"},      {"-0.0050", 2, "-0.01"}, {"-0.0049", 2, "0.00"},
        {"12.5", 3, "12.500"},      {"3.1255", 3, "3.126"},  {"9.9999", 0, "10"},
        {"1234.5", 4, "1234.5000"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MoneyText(ReadMoney(QString::fromLatin1(c.cost)), c.decimals),
                  QString::fromLatin1(c.text))
            << c.cost;
    }
    EXPECT_EQ(MoneyText(Money::FromUnits(150), 2, 6), QStringLiteral("  0.02"));
    EXPECT_EQ(Money::FromDouble(0.1) + Money::FromDouble(0.2), Money::FromUnits(3000));
    // An estimate scales exactly and rounds once: 1.0000 over 3 days, 31 days.
    EXPECT_EQ(Scaled(Money::FromUnits(10000), 31, 3), Money::FromUnits(103333));
    // A damaged line of absurd size saturates the sum instead of wrapping negative.
    const Money huge = ReadMoney(QStringLiteral("99999999999999999999"));
    EXPECT_GT(huge + huge, Money());
    bool readable = true;
    EXPECT_EQ(ReadMoney(QStringLiteral(" x1"), &readable), Money());
    EXPECT_FALSE(readable);
}

}  // namespace
}  // namespace vindelor
