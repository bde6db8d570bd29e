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

TEST(SettingAmounts, ReadEveryFormTheSettingsHoldAndNothingElse) {
    struct Case {
        const char* text;
        ExtraDecimals extra;
        bool readable;
        std::uint64_t units;  // ten-thousandths
    };
    constexpr auto R = ExtraDecimals::Reject;
    constexpr auto H = ExtraDecimals::Round;
    const Case cases[] = {
        {" 25,50 ", R, true, 255000},
        {"+.5", R, true, 5000},
        {"-0", R, true, 0},
        {"1.5e1", H, true, 150000},
        {"25E-1", H, true, 25000},
        {"0.05000", R, true, 500},
        {"", R, true, 0},
        {"0.00001", R, false, 0},
        {"0.00005", H, true, 1},
        {"0.00004", H, true, 0},
        {"-0.0001", R, false, 0},
        {"1.", R, false, 0},
        {".", R, false, 0},
        {"1,500.00", R, false, 0},
        {"12 €", R, false, 0},
        {"1e", H, false, 0},
        {"100.0001", R, false, 0},
        {"1e3", H, false, 0},
        {"100", R, true, 1000000},
        {"0e99999", H, true, 0},
        {"1e-99999", H, true, 0},
        {"1e1", R, false, 0},
    };
    for (const Case& c : cases) {
        std::uint64_t units = 7;
        EXPECT_EQ(ReadSettingAmount(QString::fromUtf8(c.text), 4, 1000000, c.extra, &units),
                  c.readable)
            << c.text;
        EXPECT_EQ(units, c.readable ? c.units : 7) << c.text;
    }
}

}  // namespace
}  // namespace vindelor
